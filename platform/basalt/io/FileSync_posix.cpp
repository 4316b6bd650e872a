#include "platform/basalt/io/FileSync.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace io {

bool SyncFileToDisk(const std::filesystem::path& file, int& error) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return false;
  }
  const bool synced = ::fsync(fd) == 0;
  error = synced ? 0 : errno;
  ::close(fd);
  return synced;
}

void SyncDirectoryToDisk(const std::filesystem::path& directory) {
  const int fd =
      ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace io
