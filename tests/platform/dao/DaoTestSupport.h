// Helpers shared by the dao tests (and the store's tests): a scratch directory removed with
// everything in it, a fresh store database inside it, and the number of the error a call raised.
// One per test; not shared between threads.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/automation/AutomationError.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "vod/RavelinSchema.h"

namespace dao::test {

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ravelin-dao-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot make a scratch directory");
    }
    mPath = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string File(const std::string& name) const { return (mPath / name).string(); }

 private:
  std::filesystem::path mPath;
};

// A new store database (all tables, no password), open.
inline DatabasePtr MakeStore(const ScratchDir& dir, const std::string& name = "store.db") {
  vod::CreateRavelinDatabase(dir.File(name));
  return Database::Open(dir.File(name));
}

// The number of the error a call raised, 0 when it raised nothing.
long ErrorOf(auto&& call) {
  try {
    call();
  } catch (const automation::AutomationError& error) {
    return error.GetNumber();
  }
  return 0;
}

}  // namespace dao::test
