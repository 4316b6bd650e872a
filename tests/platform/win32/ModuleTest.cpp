// Module loading, reference counts, entry points and errors, as every
// platform does them.
#include "platform/win32/Module.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/win32/SystemError.h"

namespace {

using win32::ErrorCode;
using AnswerFunction = int (*)();

TEST(ModuleTest, LoadsAreCountedAndEntriesFound) {
  const wchar_t* path = TEST_SEAM_MODULE_W;
  EXPECT_FALSE(win32::IsModuleLoaded(path));
  win32::ModuleHandle first = win32::LoadModule(path);
  win32::ModuleHandle second = win32::LoadModule(path);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(win32::GetModulePath(first)),
                                          std::filesystem::path(path)));

  auto answer = reinterpret_cast<AnswerFunction>(win32::GetModuleEntry(first, "SeamModuleAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(win32::GetModuleEntry(first, "NoSuchEntry"), nullptr);
  EXPECT_EQ(win32::GetLastModuleError().code, ErrorCode::kNotFound);

  EXPECT_TRUE(win32::UnloadModule(first));
  EXPECT_TRUE(win32::IsModuleLoaded(path));  // the second load still holds it
  EXPECT_TRUE(win32::UnloadModule(second));
  EXPECT_FALSE(win32::IsModuleLoaded(path));
}

// The bare module links the seam module, which exports SeamModuleAnswer; the
// bare module itself does not, so asking it for that entry must fail.
TEST(ModuleTest, EntriesComeOnlyFromTheModuleItself) {
  win32::ScopedModule bare(win32::LoadModule(TEST_BARE_MODULE_W));
  ASSERT_NE(bare.Get(), nullptr);
  auto own =
      reinterpret_cast<AnswerFunction>(win32::GetModuleEntry(bare.Get(), "BareModuleAnswer"));
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own(), 43);
  EXPECT_EQ(win32::GetModuleEntry(bare.Get(), "SeamModuleAnswer"), nullptr);
  EXPECT_EQ(win32::GetLastModuleError().code, ErrorCode::kNotFound);
}

TEST(ModuleTest, ScopedModuleGivesItsLoadBack) {
  const wchar_t* path = TEST_SEAM_MODULE_W;
  {
    win32::ScopedModule module(win32::LoadModule(path));
    ASSERT_NE(module.Get(), nullptr);
    EXPECT_TRUE(win32::IsModuleLoaded(path));
  }
  EXPECT_FALSE(win32::IsModuleLoaded(path));

  win32::ModuleHandle kept = nullptr;
  {
    win32::ScopedModule module(win32::LoadModule(path));
    kept = module.Detach();
  }
  EXPECT_TRUE(win32::IsModuleLoaded(path));
  EXPECT_TRUE(win32::UnloadModule(kept));
  EXPECT_FALSE(win32::IsModuleLoaded(path));
}

TEST(ModuleTest, FailuresLeaveACodeAndTheLoadersText) {
  const std::filesystem::path missing =
      std::filesystem::temp_directory_path() / "no-such-folder" / "module.bin";
  EXPECT_EQ(win32::LoadModule(missing.wstring().c_str()), nullptr);
  EXPECT_EQ(win32::GetLastModuleError().code, ErrorCode::kNotFound);
  EXPECT_FALSE(win32::GetLastModuleErrorText().empty());

  // A file that is no module at all.
  EXPECT_EQ(win32::LoadModule(TEST_NOT_A_MODULE_W), nullptr);
  EXPECT_EQ(win32::GetLastModuleError().code, ErrorCode::kBadModule);
  EXPECT_FALSE(win32::GetLastModuleErrorText().empty());

  const std::wstring folder = std::filesystem::temp_directory_path().wstring();
  EXPECT_EQ(win32::LoadModule(folder.c_str()), nullptr);
  EXPECT_NE(win32::GetLastModuleError().code, ErrorCode::kNone);

  EXPECT_EQ(win32::LoadModule(nullptr), nullptr);
  EXPECT_EQ(win32::GetLastModuleError().code, ErrorCode::kNotFound);
  EXPECT_FALSE(win32::UnloadModule(nullptr));
  EXPECT_EQ(win32::GetModuleEntry(nullptr, "x"), nullptr);
  EXPECT_EQ(win32::GetLastModuleError().code, ErrorCode::kInvalidArgument);
}

TEST(ModuleTest, ExecutableIsAlwaysThereAndNotOwned) {
  win32::ModuleHandle executable = win32::GetExecutableModule();
  ASSERT_NE(executable, nullptr);
  EXPECT_EQ(executable, win32::GetExecutableModule());
  EXPECT_TRUE(win32::UnloadModule(executable));
  EXPECT_TRUE(std::filesystem::is_regular_file(win32::GetModulePath(executable)));
  EXPECT_EQ(win32::GetPathSeparator(), std::filesystem::path::preferred_separator);
}

// Every code survives the trip to the platform's number and back, so a fault
// injected as a code reads as that code wherever it surfaces.
TEST(SystemErrorTest, CodesMapToNumbersAndBack) {
  for (ErrorCode code : {ErrorCode::kNone, ErrorCode::kNotFound, ErrorCode::kAccessDenied,
                         ErrorCode::kSharingViolation, ErrorCode::kReadOnly, ErrorCode::kDiskFull,
                         ErrorCode::kNotRegularFile, ErrorCode::kAlreadyExists,
                         ErrorCode::kBadModule, ErrorCode::kInvalidArgument, ErrorCode::kIoError}) {
    SCOPED_TRACE(static_cast<int>(code));
    EXPECT_EQ(code, win32::ErrorCodeFromSystem(win32::SystemNumberFor(code)));
    EXPECT_EQ(code, win32::MakeSystemError(code).code);
  }
  EXPECT_EQ(ErrorCode::kOther, win32::ErrorCodeFromSystem(123456));
}

TEST(SystemErrorTest, TextsForKnownNumbersOnlyAndOnOneLine) {
  const std::wstring text =
      win32::FormatSystemMessage(win32::SystemNumberFor(ErrorCode::kNotFound));
  ASSERT_FALSE(text.empty());
  EXPECT_NE(L'\n', text.back());
  EXPECT_NE(L'\r', text.back());
  EXPECT_EQ(win32::FormatSystemMessage(123456), L"");
}

}  // namespace
