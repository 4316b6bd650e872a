// The Windows loader's own numbers and words.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Module.h"
#include "platform/win32/SystemError.h"

namespace {

TEST(ModuleWindowsTest, FailuresCarryGetLastErrorAndItsText) {
  EXPECT_EQ(win32::LoadModule(L"C:\\no-such-folder\\module.dll"), nullptr);
  const win32::SystemError error = win32::GetLastModuleError();
  EXPECT_TRUE(error.number == ERROR_MOD_NOT_FOUND || error.number == ERROR_PATH_NOT_FOUND)
      << error.number;
  EXPECT_EQ(win32::GetLastModuleErrorText(), win32::FormatSystemMessage(error.number));

  EXPECT_EQ(win32::GetModuleEntry(win32::GetExecutableModule(), "NoSuchEntry"), nullptr);
  EXPECT_EQ(win32::GetLastModuleError().number, static_cast<unsigned long>(ERROR_PROC_NOT_FOUND));
}

TEST(ModuleWindowsTest, ExecutableIsNamedAsTheLoaderNamesIt) {
  wchar_t path[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
  EXPECT_EQ(win32::GetModulePath(win32::GetExecutableModule()), path);
  EXPECT_EQ(win32::GetPathSeparator(), L'\\');
}

TEST(SystemErrorWindowsTest, TextsComeWithoutTheTrailingLineBreak) {
  const std::wstring text = win32::FormatSystemMessage(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(std::wstring::npos, text.find(L"\r\n"));
  EXPECT_EQ(win32::FormatSystemMessage(ERROR_SUCCESS).empty(), false);
}

}  // namespace
