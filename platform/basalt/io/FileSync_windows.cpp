// Forcing a file to disk on Windows: FlushFileBuffers on a handle opened for
// writing (the call needs write access). A rename by MoveFileExW or
// std::filesystem::rename is recorded by the file system's journal, so a
// folder needs no flush of its own.
#include <windows.h>

#include <cerrno>

#include "platform/basalt/io/FileSync.h"

namespace io {
namespace {

// The errno-style number the header promises, for the failures that matter.
int ToErrno(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

// Closes the handle on every path out.
class CFileHandle {
 public:
  explicit CFileHandle(HANDLE handle) : mHandle(handle) {}
  ~CFileHandle() {
    if (mHandle != INVALID_HANDLE_VALUE) {
      ::CloseHandle(mHandle);
    }
  }
  CFileHandle(const CFileHandle&) = delete;
  CFileHandle& operator=(const CFileHandle&) = delete;
  HANDLE Get() const { return mHandle; }

 private:
  HANDLE mHandle;
};

}  // namespace

bool SyncFileToDisk(const std::filesystem::path& file, int& error) {
  CFileHandle handle(::CreateFileW(file.c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (handle.Get() == INVALID_HANDLE_VALUE) {
    error = ToErrno(::GetLastError());
    return false;
  }
  if (!::FlushFileBuffers(handle.Get())) {
    error = ToErrno(::GetLastError());
    return false;
  }
  error = 0;
  return true;
}

void SyncDirectoryToDisk(const std::filesystem::path& /*directory*/) {}

}  // namespace io
