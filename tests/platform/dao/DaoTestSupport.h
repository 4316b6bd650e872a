// Helpers shared by the dao tests (and the store's tests): a scratch directory removed with
// everything in it, a fresh store database inside it, and the number of the error a call raised.
// One per test; not shared between threads.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/automation/AutomationError.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "tests/TempFolder.h"
#include "vod/RavelinSchema.h"

namespace dao::test {

class ScratchDir {
 public:
  ScratchDir() : mPath(ravelin_test::MakeTempFolder("ravelin-dao-")) {}
  // The folder of a death test, named after the running test (see
  // MakeNamedTempFolder), so that a child process that starts the test anew
  // works in its parent's folder.
  struct ForDeathTest {};
  explicit ScratchDir(ForDeathTest)
      : mPath(ravelin_test::MakeNamedTempFolder(
            std::string("ravelin-death-") +
            ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "." +
            ::testing::UnitTest::GetInstance()->current_test_info()->name())) {}
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
