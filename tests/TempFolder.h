// MakeTempFolder: a new, empty folder of the caller's under the system's
// temporary folder, for tests and fuzz targets on every platform (standard
// C++ only: POSIX's mkdtemp does not exist on Windows). MakeNamedTempFolder:
// the same under a name the caller gives.
//
// The caller owns the folder and removes it. MakeTempFolder is safe to call
// from several threads and processes at once: a name is taken only by the
// call that creates its folder.
#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace ravelin_test {

inline std::filesystem::path MakeTempFolder(const std::string& prefix) {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  std::random_device entropy;
  std::mt19937_64 random((static_cast<std::uint64_t>(entropy()) << 32) | entropy());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate = base / (prefix + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      return candidate;
    }
    if (error) {
      throw std::runtime_error("cannot make a folder under " + base.string() + ": " +
                               error.message());
    }
  }
  throw std::runtime_error("no free folder name under " + base.string());
}

// A fresh, empty folder `name` under the temporary folder, replacing one left
// there. For a death test: on Windows its child process runs the test again
// from the start and must arrive at the same folder as its parent, which a
// random name would not give. Two runs of one test at the same time would
// share the folder.
inline std::filesystem::path MakeNamedTempFolder(const std::string& name) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directory(folder);
  return folder;
}

}  // namespace ravelin_test
