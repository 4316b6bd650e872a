// Whole-file reading and atomic replacing with POSIX calls.
//
// Reading opens without blocking and checks that the file is a regular one
// before the first read: a FIFO or a device at the path would otherwise make
// the open or the read wait for ever. Replacing writes a temporary file in the
// target's folder, fsyncs it and renames it over the target.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/win32/FileIo.h"
#include "platform/win32/FileIoFault.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/TextConvert.h"

namespace win32 {
namespace {

std::atomic<unsigned> gTemporaryCounter{0};

SystemError ErrnoError(int number) {
  return SystemError{ErrorCodeFromSystem(static_cast<unsigned long>(number)),
                     static_cast<unsigned long>(number)};
}

// Closes a descriptor on every path out.
class CFileDescriptor {
 public:
  explicit CFileDescriptor(int fd) : mFd(fd) {}
  ~CFileDescriptor() {
    if (mFd >= 0) {
      ::close(mFd);
    }
  }
  CFileDescriptor(const CFileDescriptor&) = delete;
  CFileDescriptor& operator=(const CFileDescriptor&) = delete;
  int Get() const { return mFd; }
  bool IsValid() const { return mFd >= 0; }
  // Closing is part of writing: it may report a deferred write error.
  int Close() {
    int result = ::close(mFd);
    mFd = -1;
    return result;
  }

 private:
  int mFd;
};

// Removes the temporary file unless it was renamed into place.
class CTemporaryFileGuard {
 public:
  explicit CTemporaryFileGuard(std::string path) : mPath(std::move(path)) {}
  ~CTemporaryFileGuard() {
    if (!mPath.empty()) {
      ::unlink(mPath.c_str());
    }
  }
  CTemporaryFileGuard(const CTemporaryFileGuard&) = delete;
  CTemporaryFileGuard& operator=(const CTemporaryFileGuard&) = delete;
  void Release() { mPath.clear(); }

 private:
  std::string mPath;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

FileReadStatus ReadWholeFile(const std::u16string& path, std::string& bytes, SystemError& error) {
  std::string nativePath = Utf16ToUtf8(path);
  // O_NONBLOCK: opening a FIFO for reading waits for a writer otherwise. It
  // changes nothing for a regular file, the only kind read below.
  CFileDescriptor file(::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!file.IsValid()) {
    error = ErrnoError(errno);
    return FileReadStatus::kOpenFailed;
  }
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) {
    error = ErrnoError(errno);
    return FileReadStatus::kOpenFailed;
  }
  // A folder, FIFO, socket or device is refused at once, as Windows refuses
  // to read anything but a file on a disk.
  if (!S_ISREG(info.st_mode)) {
    error = ErrnoError(S_ISDIR(info.st_mode) ? EISDIR : ENXIO);
    return FileReadStatus::kOpenFailed;
  }
  if (info.st_size == 0) {
    return FileReadStatus::kEmpty;
  }
  auto size = static_cast<std::size_t>(info.st_size);
  bytes.assign(size, '\0');
  std::size_t done = 0;
  while (done < size) {
    ssize_t got = ::read(file.Get(), bytes.data() + done, size - done);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      bytes.clear();
      return FileReadStatus::kReadFailed;
    }
    done += static_cast<std::size_t>(got);
  }
  return FileReadStatus::kOk;
}

bool ReplaceFileContents(const std::u16string& path, const void* data, std::size_t size,
                         SystemError& error) {
  std::string target = Utf16ToUtf8(path);
  if (target.empty()) {
    error = ErrnoError(ENOENT);
    return false;
  }
  mode_t mode = 0;
  uid_t owner = 0;
  gid_t group = 0;
  bool exists = false;
  struct stat linkInfo {};
  if (::lstat(target.c_str(), &linkInfo) == 0) {
    if (S_ISLNK(linkInfo.st_mode)) {
      // Renaming over the link would replace the link itself; write where it
      // points instead.
      char resolved[PATH_MAX];
      if (::realpath(target.c_str(), resolved) != nullptr) {
        target = resolved;
      } else if (errno != ENOENT) {
        error = ErrnoError(errno);
        return false;
      }
    }
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
      if (!S_ISREG(info.st_mode)) {
        error = ErrnoError(S_ISDIR(info.st_mode) ? EISDIR : ENXIO);
        return false;
      }
      // Opening the file for writing would have been refused; replacing it
      // must be refused the same way.
      if (::access(target.c_str(), W_OK) != 0) {
        error = ErrnoError(errno);
        return false;
      }
      exists = true;
      mode = info.st_mode & 07777;
      owner = info.st_uid;
      group = info.st_gid;
    }
  }

  std::string::size_type slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  if (name.empty()) {
    error = ErrnoError(EISDIR);
    return false;
  }
  if (ErrorCode fault = InjectedFileWriteFault(FileWriteStep::kCreate); fault != ErrorCode::kNone) {
    error = MakeSystemError(fault);
    return false;
  }
  std::string temporary;
  int fd = -1;
  // Created with 0666 so that a new file gets what the umask allows, exactly
  // as creating the target directly would have given it.
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = (slash == std::string::npos ? std::string() : folder) + "." + name + "." +
                std::to_string(::getpid()) + "." + std::to_string(gTemporaryCounter.fetch_add(1)) +
                ".tmp";
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) {
      break;
    }
  }
  if (fd < 0) {
    error = ErrnoError(errno);
    return false;
  }
  CFileDescriptor file(fd);
  CTemporaryFileGuard guard(temporary);
  if (exists) {
    // Best effort: only a privileged process can give the file back to
    // another owner, and the file is still right without it.
    [[maybe_unused]] int ignored = ::fchown(file.Get(), owner, group);
  }
  if (exists && ::fchmod(file.Get(), mode) != 0) {
    error = ErrnoError(errno);
    return false;
  }
  if (ErrorCode fault = InjectedFileWriteFault(FileWriteStep::kWrite); fault != ErrorCode::kNone) {
    // A disk that fills up takes part of the data first.
    WriteAll(file.Get(), static_cast<const char*>(data), size / 2);
    error = MakeSystemError(fault);
    return false;
  }
  if (!WriteAll(file.Get(), static_cast<const char*>(data), size)) {
    error = ErrnoError(errno);
    return false;
  }
  if (ErrorCode fault = InjectedFileWriteFault(FileWriteStep::kSync); fault != ErrorCode::kNone) {
    error = MakeSystemError(fault);
    return false;
  }
  if (::fsync(file.Get()) != 0 || file.Close() != 0) {
    error = ErrnoError(errno);
    return false;
  }
  if (ErrorCode fault = InjectedFileWriteFault(FileWriteStep::kRename); fault != ErrorCode::kNone) {
    error = MakeSystemError(fault);
    return false;
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    error = ErrnoError(errno);
    return false;
  }
  guard.Release();
  // The rename itself must reach the disk too, or a crash may bring back the
  // old name.
  CFileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.IsValid()) {
    ::fsync(dir.Get());
  }
  return true;
}

}  // namespace win32
