// The POSIX platform box: one line on standard error, answered with the
// default button. (The Windows box is user32's own and is never shown by a
// test: every test that shows a box installs a handler.)
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/MessageBox.h"

namespace {

TEST(MessageBoxPosixTest, DefaultBoxIsOneLineOnStandardError) {
  win32::RemoveMessageBoxHandler();
  testing::internal::CaptureStderr();
  int result = win32::ShowMessageBox(nullptr, u"two\nlines", u"", win32::kMbOk);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(win32::kIdOk, result);
  EXPECT_EQ("Error: two lines\n", err);

  testing::internal::CaptureStderr();
  win32::ShowMessageBox(nullptr, u"\u4e2d", u"Mimo", win32::kMbOk);
  EXPECT_EQ("Mimo: \xe4\xb8\xad\n", testing::internal::GetCapturedStderr());
}

TEST(MessageBoxPosixTest, RemovingTheHandlerBringsTheLineBack) {
  {
    win32::ScopedMessageBoxHandler scoped(
        [](void*, const std::u16string&, const std::u16string&, unsigned) { return 7; });
    testing::internal::CaptureStderr();
    EXPECT_EQ(7, win32::ShowMessageBox(nullptr, u"hidden", u"C", 0));
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
  }
  testing::internal::CaptureStderr();
  win32::ShowMessageBox(nullptr, u"back", u"C", 0);
  EXPECT_EQ("C: back\n", testing::internal::GetCapturedStderr());
}

}  // namespace
