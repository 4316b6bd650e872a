#include "platform/win32/TextConvert.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextConvertTest, Utf8DecodesAllLengths) {
  EXPECT_EQ(u"a\u00e9\u4e2d\U0001F600",
            win32::Utf8ToUtf16("a\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80"));
  EXPECT_EQ(u"", win32::Utf8ToUtf16(""));
  EXPECT_EQ(std::u16string(1, u'\0') + u"x", win32::Utf8ToUtf16(std::string("\0x", 2)));
}

TEST(TextConvertTest, MalformedUtf8BecomesReplacementPerMaximalSubpart) {
  // Stray continuation, overlong form, encoded surrogate, beyond U+10FFFF.
  EXPECT_EQ(u"\uFFFDa", win32::Utf8ToUtf16("\x80"
                                           "a"));
  EXPECT_EQ(u"\uFFFD\uFFFD", win32::Utf8ToUtf16("\xc0\xaf"));
  EXPECT_EQ(u"\uFFFD\uFFFD\uFFFD", win32::Utf8ToUtf16("\xed\xa0\x80"));
  EXPECT_EQ(u"\uFFFD\uFFFD\uFFFD\uFFFD", win32::Utf8ToUtf16("\xf4\x90\x80\x80"));
  // A sequence cut short by a new lead or by the end.
  EXPECT_EQ(u"\uFFFD\u4e2d", win32::Utf8ToUtf16("\xe4\xb8\xe4\xb8\xad"));
  EXPECT_EQ(u"x\uFFFD", win32::Utf8ToUtf16("x\xf0\x9f\x98"));
}

TEST(TextConvertTest, Utf16ToUtf8ReplacesLoneSurrogates) {
  EXPECT_EQ("a\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80",
            win32::Utf16ToUtf8(u"a\u00e9\u4e2d\U0001F600"));
  std::u16string lone = u"x";
  lone.push_back(0xD800);
  lone += u"y";
  EXPECT_EQ("x\xef\xbf\xbdy", win32::Utf16ToUtf8(lone));
}

TEST(TextConvertTest, WideRoundTripKeepsSupplementaryAndLoneSurrogates) {
  std::wstring wide = L"k\u00e9\U0001F600";
  std::u16string units = win32::WideToUtf16(wide.c_str());
  EXPECT_EQ(u"k\u00e9\U0001F600", units);
  EXPECT_EQ(4u, units.size());
  EXPECT_EQ(wide, win32::Utf16ToWide(units));

  std::u16string lone;
  lone.push_back(0xDC00);
  lone.push_back(u'a');
  EXPECT_EQ(lone, win32::WideToUtf16(win32::Utf16ToWide(lone).c_str()));
  if constexpr (sizeof(wchar_t) == 4) {
    wchar_t bad[] = {static_cast<wchar_t>(0x110000), 0};
    EXPECT_EQ(u"\uFFFD", win32::WideToUtf16(bad));
  }
}

}  // namespace
