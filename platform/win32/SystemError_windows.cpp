// Windows error numbers are GetLastError values; their texts come from the
// system's message table in the user's default language.
#include <windows.h>

#include <string>

#include "platform/win32/SystemError.h"

namespace win32 {
namespace {

// Frees a buffer that FormatMessageW allocated.
class CLocalBuffer {
 public:
  CLocalBuffer() = default;
  ~CLocalBuffer() {
    if (mBuffer != nullptr) {
      ::LocalFree(mBuffer);
    }
  }
  CLocalBuffer(const CLocalBuffer&) = delete;
  CLocalBuffer& operator=(const CLocalBuffer&) = delete;
  wchar_t** Receive() { return &mBuffer; }
  const wchar_t* Get() const { return mBuffer; }

 private:
  wchar_t* mBuffer = nullptr;
};

}  // namespace

ErrorCode ErrorCodeFromSystem(unsigned long number) {
  switch (number) {
    case ERROR_SUCCESS:
      return ErrorCode::kNone;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_MOD_NOT_FOUND:
    case ERROR_PROC_NOT_FOUND:
      return ErrorCode::kNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
      return ErrorCode::kAccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return ErrorCode::kSharingViolation;
    case ERROR_WRITE_PROTECT:
      return ErrorCode::kReadOnly;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ErrorCode::kDiskFull;
    case ERROR_DIRECTORY:
    case ERROR_BAD_FILE_TYPE:
      return ErrorCode::kNotRegularFile;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return ErrorCode::kAlreadyExists;
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_BAD_FORMAT:
    case ERROR_DLL_INIT_FAILED:
    case ERROR_INVALID_DLL:
      return ErrorCode::kBadModule;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_HANDLE:
      return ErrorCode::kInvalidArgument;
    case ERROR_CRC:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
      return ErrorCode::kIoError;
    default:
      return ErrorCode::kOther;
  }
}

unsigned long SystemNumberFor(ErrorCode code) {
  switch (code) {
    case ErrorCode::kNone:
      return ERROR_SUCCESS;
    case ErrorCode::kNotFound:
      return ERROR_FILE_NOT_FOUND;
    case ErrorCode::kAccessDenied:
      return ERROR_ACCESS_DENIED;
    case ErrorCode::kSharingViolation:
      return ERROR_SHARING_VIOLATION;
    case ErrorCode::kReadOnly:
      return ERROR_WRITE_PROTECT;
    case ErrorCode::kDiskFull:
      return ERROR_DISK_FULL;
    case ErrorCode::kNotRegularFile:
      return ERROR_BAD_FILE_TYPE;
    case ErrorCode::kAlreadyExists:
      return ERROR_FILE_EXISTS;
    case ErrorCode::kBadModule:
      return ERROR_BAD_EXE_FORMAT;
    case ErrorCode::kInvalidArgument:
      return ERROR_INVALID_PARAMETER;
    case ErrorCode::kIoError:
      return ERROR_IO_DEVICE;
    case ErrorCode::kOther:
      break;
  }
  return ERROR_GEN_FAILURE;
}

SystemError MakeSystemError(ErrorCode code) {
  return SystemError{code, SystemNumberFor(code)};
}

std::wstring FormatSystemMessage(unsigned long code) {
  CLocalBuffer buffer;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
      reinterpret_cast<wchar_t*>(buffer.Receive()), 0, nullptr);
  if (length == 0 || buffer.Get() == nullptr) {
    return {};
  }
  std::wstring text(buffer.Get(), length);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) {
    text.pop_back();
  }
  return text;
}

}  // namespace win32
