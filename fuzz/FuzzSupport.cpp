#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

#include "fuzz/FuzzSupport.h"
#include "tests/TempFolder.h"

namespace fuzz {
namespace {

class CScratchFolder {
 public:
  CScratchFolder() : mPath(ravelin_test::MakeTempFolder("ravelin-fuzz-")) {}
  ~CScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
  }
  CScratchFolder(const CScratchFolder&) = delete;
  CScratchFolder& operator=(const CScratchFolder&) = delete;
  const std::filesystem::path& Get() const { return mPath; }

 private:
  std::filesystem::path mPath;
};

}  // namespace

void Require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
  }
}

const std::filesystem::path& ScratchFolder() {
  static CScratchFolder folder;
  return folder.Get();
}

}  // namespace fuzz
