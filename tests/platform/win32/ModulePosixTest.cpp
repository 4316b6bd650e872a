// The POSIX loader's own numbers and words.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/win32/Module.h"
#include "platform/win32/SystemError.h"

namespace {

TEST(ModulePosixTest, FailuresCarryErrnoAndTheTextDlerrorGave) {
  EXPECT_EQ(win32::LoadModule(L"/nonexistent/dir/module.so"), nullptr);
  EXPECT_EQ(win32::GetLastModuleError().number, static_cast<unsigned long>(ENOENT));
  // dlerror names the file it could not open.
  EXPECT_NE(win32::GetLastModuleErrorText().find(L"/nonexistent/dir/module.so"),
            std::wstring::npos);

  EXPECT_EQ(win32::LoadModule(TEST_NOT_A_MODULE_W), nullptr);
  EXPECT_EQ(win32::GetLastModuleError().number, static_cast<unsigned long>(ENOEXEC));
  EXPECT_NE(win32::GetLastModuleErrorText().find(L"module_text.txt"), std::wstring::npos);

  const std::wstring folder = std::filesystem::temp_directory_path().wstring();
  EXPECT_EQ(win32::LoadModule(folder.c_str()), nullptr);
  EXPECT_EQ(win32::GetLastModuleError().number, static_cast<unsigned long>(EISDIR));
  EXPECT_EQ(win32::GetLastModuleError().code, win32::ErrorCode::kNotRegularFile);

  // Not a load failure: the text is the C library's for the number.
  EXPECT_EQ(win32::GetModuleEntry(win32::GetExecutableModule(), "NoSuchEntry"), nullptr);
  EXPECT_EQ(win32::GetLastModuleErrorText(), L"No such file or directory");
}

TEST(ModulePosixTest, ExecutableIsNamedAsTheKernelNamesIt) {
  EXPECT_EQ(win32::GetModulePath(win32::GetExecutableModule()),
            std::filesystem::read_symlink("/proc/self/exe").wstring());
  EXPECT_EQ(win32::GetPathSeparator(), L'/');
}

TEST(SystemErrorPosixTest, TextsAreTheCLibrarys) {
  EXPECT_EQ(win32::FormatSystemMessage(ENOENT), L"No such file or directory");
  EXPECT_EQ(win32::FormatSystemMessage(ENOEXEC), L"Exec format error");
}

}  // namespace
