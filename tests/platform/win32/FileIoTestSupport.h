// A scratch folder for the file seam tests, removed with everything in it.
//
// Owns the folder; one per test, used on the test's thread.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace win32test {

class CFileIoScratch {
 public:
  CFileIoScratch() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    mDir = std::filesystem::temp_directory_path() /
           ("fileio-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(mDir);
  }
  ~CFileIoScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(mDir, ignored);
  }
  CFileIoScratch(const CFileIoScratch&) = delete;
  CFileIoScratch& operator=(const CFileIoScratch&) = delete;

  const std::filesystem::path& Dir() const { return mDir; }
  std::u16string Path(const std::string& name) const { return (mDir / name).u16string(); }
  std::string Read(const std::string& name) const {
    std::ifstream in(mDir / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(mDir / name, std::ios::binary).write(bytes.data(), bytes.size());
  }
  int Entries() const {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(mDir)) {
      ++n;
    }
    return n;
  }

 private:
  std::filesystem::path mDir;
};

}  // namespace win32test
