// How the ANSI code page follows the C library's locale on POSIX.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "platform/win32/CodePage.h"

namespace {

std::string ToBytes(unsigned codePage, const std::wstring& text) {
  std::string out = "<unchanged>";
  if (!win32::WideToMultiByte(codePage, text.data(), text.size(), out)) {
    return "<failed>";
  }
  return out;
}

TEST(CodePagePosixTest, PlainCLocaleCountsAsUtf8) {
  const std::string saved = std::setlocale(LC_CTYPE, nullptr);
  ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
  EXPECT_EQ(win32::GetCodeSetName(win32::kCpAcp), "UTF-8");
  EXPECT_EQ(ToBytes(win32::kCpAcp, L"Zo\u00EB"), "Zo\xC3\xAB");
  std::setlocale(LC_CTYPE, saved.c_str());
}

}  // namespace
