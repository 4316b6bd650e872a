#include "tools/ravelin/ToolFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/basalt/AString.h"
#include "tools/ravelin/ToolError.h"

namespace ravelin_tool {

std::wstring Widen(const std::string& utf8) {
  return AString::FromUtf8(utf8);
}

std::string Narrow(const std::wstring& wide) {
  return AString(wide).ToUtf8();
}

bool EndsWithNoCase(const std::string& path, const std::string& suffix) {
  if (path.size() < suffix.size()) {
    return false;
  }
  return strncasecmp(path.c_str() + path.size() - suffix.size(), suffix.c_str(), suffix.size()) ==
         0;
}

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
  const std::filesystem::path target(path);
  std::string temp =
      (target.has_parent_path() ? target.parent_path().string() + "/" : "") + ".ravelin-XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) {
    throw ToolError(path + ": cannot create a file beside it: " + std::strerror(errno));
  }
  size_t done = 0;
  int err = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      err = errno;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (err == 0 && fsync(fd) != 0) {
    err = errno;
  }
  if (close(fd) != 0 && err == 0) {
    err = errno;
  }
  if (err == 0 && std::rename(temp.c_str(), path.c_str()) != 0) {
    err = errno;
  }
  if (err != 0) {
    std::remove(temp.c_str());
    throw ToolError(path + ": cannot write: " + std::strerror(err));
  }
}

void RequireFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    throw ToolError(path + ": no such file");
  }
}

}  // namespace ravelin_tool
