#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>

#include "platform/win32/FileIo.h"
#include "platform/win32/TextConvert.h"

namespace win32 {
namespace {

std::atomic<unsigned> gTemporaryCounter{0};

std::mutex gFaultMutex;
FileWriteFaultHook gFaultHook;

// The error number the installed hook wants this step to fail with, or 0.
int InjectedFault(FileWriteStep step) {
  FileWriteFaultHook hook;
  {
    std::lock_guard<std::mutex> lock(gFaultMutex);
    hook = gFaultHook;
  }
  return hook ? hook(step) : 0;
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

FileReadStatus ReadWholeFile(const std::u16string& path, std::string& bytes, int& errorNumber) {
  std::string nativePath = Utf16ToUtf8(path);
  CFileDescriptor file(::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.IsValid()) {
    errorNumber = errno;
    return FileReadStatus::kOpenFailed;
  }
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) {
    errorNumber = errno;
    return FileReadStatus::kOpenFailed;
  }
  // Windows refuses to open a folder as a file; say so the same way here
  // rather than failing later with a read error nobody is told about.
  if (S_ISDIR(info.st_mode)) {
    errorNumber = EISDIR;
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
                         int& errorNumber) {
  std::string target = Utf16ToUtf8(path);
  if (target.empty()) {
    errorNumber = ENOENT;
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
        errorNumber = errno;
        return false;
      }
    }
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
      if (!S_ISREG(info.st_mode)) {
        errorNumber = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return false;
      }
      // Opening the file for writing would have been refused; replacing it
      // must be refused the same way.
      if (::access(target.c_str(), W_OK) != 0) {
        errorNumber = errno;
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
    errorNumber = EISDIR;
    return false;
  }
  if (int fault = InjectedFault(FileWriteStep::kCreate)) {
    errorNumber = fault;
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
    errorNumber = errno;
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
    errorNumber = errno;
    return false;
  }
  if (int fault = InjectedFault(FileWriteStep::kWrite)) {
    // A disk that fills up takes part of the data first.
    WriteAll(file.Get(), static_cast<const char*>(data), size / 2);
    errorNumber = fault;
    return false;
  }
  if (!WriteAll(file.Get(), static_cast<const char*>(data), size)) {
    errorNumber = errno;
    return false;
  }
  if (int fault = InjectedFault(FileWriteStep::kSync)) {
    errorNumber = fault;
    return false;
  }
  if (::fsync(file.Get()) != 0 || file.Close() != 0) {
    errorNumber = errno;
    return false;
  }
  if (int fault = InjectedFault(FileWriteStep::kRename)) {
    errorNumber = fault;
    return false;
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    errorNumber = errno;
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

FileWriteFaultHook InstallFileWriteFaultHook(FileWriteFaultHook hook) {
  std::lock_guard<std::mutex> lock(gFaultMutex);
  std::swap(gFaultHook, hook);
  return hook;
}

ScopedFileWriteFault::ScopedFileWriteFault(FileWriteFaultHook hook)
    : mPrevious(InstallFileWriteFaultHook(std::move(hook))) {}

ScopedFileWriteFault::~ScopedFileWriteFault() {
  InstallFileWriteFaultHook(std::move(mPrevious));
}

}  // namespace win32
