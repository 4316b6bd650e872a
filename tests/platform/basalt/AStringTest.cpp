#include "platform/basalt/AString.h"

#include <gtest/gtest.h>

namespace {

TEST(AStringTest, CompareNoCaseFoldsLettersOnly) {
  EXPECT_EQ(AString(L"Setup1").CompareNoCase(L"SETUP1"), 0);
  EXPECT_LT(AString(L"abc").CompareNoCase(L"ABD"), 0);
  EXPECT_GT(AString(L"abcd").CompareNoCase(L"ABC"), 0);
  EXPECT_NE(AString(L"a b").CompareNoCase(L"a_b"), 0);
}

TEST(AStringTest, TokenizeDropsOrKeepsEmptyPieces) {
  std::vector<AString> pieces;
  EXPECT_EQ(AString(L"C:/work").TokenizeString(L":", pieces, false), 2);
  EXPECT_EQ(pieces[0], L"C");
  EXPECT_EQ(pieces[1], L"/work");
  EXPECT_EQ(AString(L"name:").TokenizeString(L":", pieces, false), 1);
  EXPECT_EQ(AString(L"").TokenizeString(L":", pieces, false), 0);
  EXPECT_EQ(AString(L"a<b|c").TokenizeString(L"<>|", pieces, false), 3);
  EXPECT_EQ(AString(L":").TokenizeString(L":", pieces, true), 2);
  EXPECT_EQ(AString(L"").TokenizeString(L":", pieces, true), 1);
}

TEST(AStringTest, TrimRightLeft) {
  AString s(L" \t a b \r\n");
  s.Trim();
  EXPECT_EQ(s, L"a b");
  AString blank(L"   ");
  blank.Trim();
  EXPECT_TRUE(blank.empty());
  EXPECT_EQ(AString(L"abc").Right(2), L"bc");
  EXPECT_EQ(AString(L"abc").Right(9), L"abc");
  EXPECT_EQ(AString(L"abc").Right(-1), L"");
  EXPECT_EQ(AString(L"abc").Left(1), L"a");
}

TEST(AStringTest, MatchWildcards) {
  EXPECT_TRUE(AString(L"Setup1 : Sweep").Match(L"Setup1 : *"));
  EXPECT_FALSE(AString(L"Setup10 : Sweep").Match(L"Setup1 : *"));
  EXPECT_TRUE(AString(L"").Match(L"*"));
  EXPECT_FALSE(AString(L"").Match(L"?"));
  EXPECT_TRUE(AString(L"abc").Match(L"a?c"));
  EXPECT_TRUE(AString(L"aXbXc").Match(L"a*b*c"));
  EXPECT_FALSE(AString(L"abc").Match(L"ABC"));
  EXPECT_FALSE(AString(L"abcd").Match(L"abc"));
  // Pathological pattern stays fast and correct.
  EXPECT_FALSE(AString(std::wstring(200, L'a')).Match(L"*a*a*a*a*a*a*a*a*b"));
}

TEST(AStringTest, Utf8RoundTripIncludingNonBmp) {
  const AString text(L"caf\u00e9 \u6f22\u5b57 \U0001F600");
  const std::string utf8 = text.ToUtf8();
  EXPECT_EQ(utf8, "caf\xc3\xa9 \xe6\xbc\xa2\xe5\xad\x97 \xf0\x9f\x98\x80");
  EXPECT_EQ(AString::FromUtf8(utf8), text);
}

TEST(AStringTest, InvalidUtf8BecomesReplacementCharacter) {
  EXPECT_EQ(AString::FromUtf8("a\xff"
                              "b"),
            AString(L"a\uFFFDb"));
  EXPECT_EQ(AString::FromUtf8("\xe6\xbc"), AString(L"\uFFFD"));
}

}  // namespace
