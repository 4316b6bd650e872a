// Conversions between wide text and code pages, and pinning the ANSI code
// page for a scope.
#include "platform/win32/CodePage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ToBytes(unsigned codePage, const std::wstring& text) {
  std::string out = "<unchanged>";
  if (!win32::WideToMultiByte(codePage, text.data(), text.size(), out)) {
    return "<failed>";
  }
  return out;
}

std::wstring ToWide(unsigned codePage, const std::string& bytes) {
  std::wstring out = L"<unchanged>";
  if (!win32::MultiByteToWide(codePage, bytes.data(), bytes.size(), out)) {
    return L"<failed>";
  }
  return out;
}

TEST(CodePageTest, OverridePinsTheAnsiCodePageForAScope) {
  const std::string before = win32::GetCodeSetName(win32::kCpAcp);
  {
    win32::ScopedAnsiCodeSet latin1("ISO-8859-1");
    EXPECT_EQ(win32::GetCodeSetName(win32::kCpAcp), "ISO-8859-1");
    {
      win32::ScopedAnsiCodeSet cyrillic("CP1251");
      EXPECT_EQ(ToBytes(win32::kCpAcp, L"\u0416"), "\xC6");
    }
    EXPECT_EQ(ToBytes(win32::kCpAcp, L"Zo\u00EB"), "Zo\xEB");
  }
  EXPECT_EQ(win32::GetCodeSetName(win32::kCpAcp), before);
}

TEST(CodePageTest, UnrepresentableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(ToBytes(1252, L"\u03A9 & \u00E9 \u20AC \U0001F600"), "? & \xE9 \x80 ?");
  // Embedded zeros are characters like any other.
  EXPECT_EQ(ToBytes(1252, std::wstring(L"a\0b", 3)), std::string("a\0b", 3));
}

TEST(CodePageTest, BytesToWideByCodePage) {
  EXPECT_EQ(ToWide(1252, "Zo\xEB \x80"), L"Zo\u00EB \u20AC");
  EXPECT_EQ(ToWide(win32::kCpUtf8, "Zo\xC3\xAB"), L"Zo\u00EB");
  // Malformed UTF-8 becomes the replacement character.
  EXPECT_EQ(ToWide(win32::kCpUtf8,
                   "a\xFF"
                   "b"),
            L"a\uFFFDb");
  EXPECT_EQ(ToWide(win32::kCpUtf8, ""), L"");
  // A byte that has no character in the code page.
  EXPECT_EQ(ToWide(1253,
                   "a\xAA"
                   "b"),
            L"a\uFFFDb");
}

TEST(CodePageTest, UnknownCodePageFails) {
  EXPECT_EQ(ToBytes(4242, L"x"), "<failed>");
  EXPECT_EQ(ToWide(4242, "x"), L"<failed>");
  win32::ScopedAnsiCodeSet bogus("NO-SUCH-CODESET");
  EXPECT_EQ(ToBytes(win32::kCpAcp, L"x"), "<failed>");
}

}  // namespace
