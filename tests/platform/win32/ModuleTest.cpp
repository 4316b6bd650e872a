// Module loading, reference counts, entry points and error numbers.
#include "platform/win32/Module.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/win32/SystemError.h"

namespace {

using AnswerFunction = int (*)();

TEST(ModuleTest, LoadsAreCountedAndEntriesFound) {
  const wchar_t* path = TEST_SEAM_MODULE_W;
  EXPECT_FALSE(win32::IsModuleLoaded(path));
  win32::ModuleHandle first = win32::LoadModule(path);
  win32::ModuleHandle second = win32::LoadModule(path);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(win32::GetModuleFileName(first), path);

  auto answer = reinterpret_cast<AnswerFunction>(win32::GetModuleEntry(first, "SeamModuleAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(win32::GetModuleEntry(first, "NoSuchEntry"), nullptr);
  EXPECT_EQ(win32::GetLastModuleError(), static_cast<unsigned long>(ENOENT));

  EXPECT_TRUE(win32::FreeModule(first));
  EXPECT_TRUE(win32::IsModuleLoaded(path));  // the second load still holds it
  EXPECT_TRUE(win32::FreeModule(second));
  EXPECT_FALSE(win32::IsModuleLoaded(path));
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
  EXPECT_TRUE(win32::FreeModule(kept));
  EXPECT_FALSE(win32::IsModuleLoaded(path));
}

TEST(ModuleTest, FailuresLeaveTheSystemErrorNumber) {
  EXPECT_EQ(win32::LoadModule(L"/nonexistent/dir/module.so"), nullptr);
  EXPECT_EQ(win32::GetLastModuleError(), static_cast<unsigned long>(ENOENT));

  const std::wstring folder = std::filesystem::temp_directory_path().wstring();
  EXPECT_EQ(win32::LoadModule(folder.c_str()), nullptr);
  EXPECT_EQ(win32::GetLastModuleError(), static_cast<unsigned long>(EISDIR));

  // A file that is no module at all.
  EXPECT_EQ(win32::LoadModule(TEST_NOT_A_MODULE_W), nullptr);
  EXPECT_EQ(win32::GetLastModuleError(), static_cast<unsigned long>(ENOEXEC));

  EXPECT_EQ(win32::LoadModule(nullptr), nullptr);
  EXPECT_FALSE(win32::FreeModule(nullptr));
  EXPECT_EQ(win32::GetModuleEntry(nullptr, "x"), nullptr);
}

TEST(ModuleTest, ExecutableIsAlwaysThereAndNotOwned) {
  win32::ModuleHandle executable = win32::GetExecutableModule();
  ASSERT_NE(executable, nullptr);
  EXPECT_EQ(executable, win32::GetExecutableModule());
  EXPECT_TRUE(win32::FreeModule(executable));
  EXPECT_EQ(win32::GetModuleFileName(executable),
            std::filesystem::read_symlink("/proc/self/exe").wstring());
  EXPECT_EQ(win32::GetPathSeparator(), L'/');
}

TEST(SystemErrorTest, TextsForKnownNumbersOnly) {
  EXPECT_EQ(win32::FormatSystemMessage(ENOENT), L"No such file or directory");
  EXPECT_EQ(win32::FormatSystemMessage(ENOEXEC), L"Exec format error");
  EXPECT_EQ(win32::FormatSystemMessage(123456), L"");
}

}  // namespace
