// Whole-file reading and atomic replacing with the Win32 file API.
//
// Reading checks the file's type right after CreateFileW and before the first
// ReadFile: a pipe or a device could make ReadFile wait for ever, and a
// folder is no file. Replacing writes a temporary file in the target's
// folder, flushes it to the disk and moves it over the target with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, so the target is either
// the old or the new file, never a mixture.
#include <windows.h>

#include <atomic>
#include <string>
#include <utility>

#include "platform/win32/FileIo.h"
#include "platform/win32/FileIoFault.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/TextConvert.h"

namespace win32 {
namespace {

std::atomic<unsigned> gTemporaryCounter{0};

SystemError LastSystemError() {
  const DWORD number = ::GetLastError();
  return SystemError{ErrorCodeFromSystem(number), number};
}

// Closes a file handle on every path out.
class CFileHandle {
 public:
  explicit CFileHandle(HANDLE handle) : mHandle(handle) {}
  ~CFileHandle() { Close(); }
  CFileHandle(const CFileHandle&) = delete;
  CFileHandle& operator=(const CFileHandle&) = delete;
  HANDLE Get() const { return mHandle; }
  bool IsValid() const { return mHandle != INVALID_HANDLE_VALUE && mHandle != nullptr; }
  bool Close() {
    bool closed = true;
    if (IsValid()) {
      closed = ::CloseHandle(mHandle) != 0;
    }
    mHandle = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE mHandle;
};

// Deletes the temporary file unless it was moved into place.
class CTemporaryFileGuard {
 public:
  explicit CTemporaryFileGuard(std::wstring path) : mPath(std::move(path)) {}
  ~CTemporaryFileGuard() {
    if (!mPath.empty()) {
      ::DeleteFileW(mPath.c_str());
    }
  }
  CTemporaryFileGuard(const CTemporaryFileGuard&) = delete;
  CTemporaryFileGuard& operator=(const CTemporaryFileGuard&) = delete;
  void Release() { mPath.clear(); }

 private:
  std::wstring mPath;
};

bool WriteAll(HANDLE file, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

}  // namespace

FileReadStatus ReadWholeFile(const std::u16string& path, std::string& bytes, SystemError& error) {
  const std::wstring nativePath = Utf16ToWide(path);
  // The system refuses to open a folder as a file (access denied); say what
  // it is, with the number the system gives.
  const DWORD attributes = ::GetFileAttributesW(nativePath.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    error = SystemError{ErrorCode::kNotRegularFile, ERROR_ACCESS_DENIED};
    return FileReadStatus::kOpenFailed;
  }
  CFileHandle file(::CreateFileW(nativePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    error = LastSystemError();
    return FileReadStatus::kOpenFailed;
  }
  // Only a file on a disk can be read to its end without waiting on someone.
  if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
    error = MakeSystemError(ErrorCode::kNotRegularFile);
    return FileReadStatus::kOpenFailed;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.Get(), &info)) {
    error = LastSystemError();
    return FileReadStatus::kOpenFailed;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    error = MakeSystemError(ErrorCode::kNotRegularFile);
    return FileReadStatus::kOpenFailed;
  }
  const unsigned long long size =
      (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (size == 0) {
    return FileReadStatus::kEmpty;
  }
  if (size > 0x7FFFFFFFull) {
    return FileReadStatus::kReadFailed;
  }
  bytes.assign(static_cast<std::size_t>(size), '\0');
  std::size_t done = 0;
  while (done < size) {
    DWORD got = 0;
    if (!::ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(size - done), &got,
                    nullptr) ||
        got == 0) {
      bytes.clear();
      return FileReadStatus::kReadFailed;
    }
    done += got;
  }
  return FileReadStatus::kOk;
}

bool ReplaceFileContents(const std::u16string& path, const void* data, std::size_t size,
                         SystemError& error) {
  const std::wstring target = Utf16ToWide(path);
  if (target.empty()) {
    error = MakeSystemError(ErrorCode::kNotFound);
    return false;
  }
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      error = MakeSystemError(ErrorCode::kNotRegularFile);
      return false;
    }
    // Opening a read-only file for writing is refused; replacing it must be
    // refused the same way, though a move would be allowed to.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      error = SystemError{ErrorCode::kReadOnly, ERROR_ACCESS_DENIED};
      return false;
    }
  }

  const std::wstring::size_type slash = target.find_last_of(L"\\/");
  const std::wstring folder =
      slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
  const std::wstring name = slash == std::wstring::npos ? target : target.substr(slash + 1);
  if (name.empty()) {
    error = MakeSystemError(ErrorCode::kNotRegularFile);
    return false;
  }
  if (ErrorCode fault = InjectedFileWriteFault(FileWriteStep::kCreate); fault != ErrorCode::kNone) {
    error = MakeSystemError(fault);
    return false;
  }
  std::wstring temporary;
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = folder + L"." + name + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
                std::to_wstring(gTemporaryCounter.fetch_add(1)) + L".tmp";
    handle = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
      break;
    }
  }
  if (handle == INVALID_HANDLE_VALUE) {
    error = LastSystemError();
    return false;
  }
  // Declared before the handle so that the handle is closed first: a file
  // still open without delete sharing cannot be deleted.
  CTemporaryFileGuard guard(temporary);
  CFileHandle file(handle);
  if (ErrorCode fault = InjectedFileWriteFault(FileWriteStep::kWrite); fault != ErrorCode::kNone) {
    // A disk that fills up takes part of the data first.
    WriteAll(file.Get(), static_cast<const char*>(data), size / 2);
    error = MakeSystemError(fault);
    return false;
  }
  if (!WriteAll(file.Get(), static_cast<const char*>(data), size)) {
    error = LastSystemError();
    return false;
  }
  if (ErrorCode fault = InjectedFileWriteFault(FileWriteStep::kSync); fault != ErrorCode::kNone) {
    error = MakeSystemError(fault);
    return false;
  }
  if (!::FlushFileBuffers(file.Get())) {
    error = LastSystemError();
    return false;
  }
  if (!file.Close()) {
    error = LastSystemError();
    return false;
  }
  if (ErrorCode fault = InjectedFileWriteFault(FileWriteStep::kRename); fault != ErrorCode::kNone) {
    error = MakeSystemError(fault);
    return false;
  }
  if (!::MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = LastSystemError();
    return false;
  }
  guard.Release();
  return true;
}

}  // namespace win32
