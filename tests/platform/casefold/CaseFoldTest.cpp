#include "platform/casefold/CaseFold.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

int Sign(int value) {
  return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

TEST(CaseFoldTest, EveryScriptWithCaseIsUpperCased) {
  EXPECT_EQ(casefold::Upper("łódź"), "ŁÓDŹ");
  EXPECT_EQ(casefold::Upper("ő-dal.mpg"), "Ő-DAL.MPG");
  EXPECT_EQ(casefold::Upper("straße"), "STRASSE");         // full mapping: one letter gives two
  EXPECT_EQ(casefold::Upper("ǆ ǅ"), "Ǆ Ǆ");                // title case too
  EXPECT_EQ(casefold::Upper("ꭰ"), "Ꭰ");                  // Cherokee
  EXPECT_EQ(casefold::Upper("ⴀ"), "Ⴀ");                    // Georgian
  EXPECT_EQ(casefold::Upper("\U00010428"), "\U00010400");  // Deseret, beyond the BMP
  EXPECT_EQ(casefold::Upper("中文 123"), "中文 123");
  EXPECT_EQ(casefold::Upper(u"łódź straße"), u"ŁÓDŹ STRASSE");
}

TEST(CaseFoldTest, IllFormedBytesPassThroughUnchanged) {
  EXPECT_EQ(casefold::Upper(std::string("a\xFF"
                                        "b")),
            std::string("A\xFF"
                        "B"));
  EXPECT_EQ(casefold::Upper(std::string("é\xC3")), std::string("É\xC3"));  // cut short
  EXPECT_EQ(casefold::Upper(std::u16string(u"a") + char16_t(0xD800) + u"b"),
            std::u16string(u"A") + char16_t(0xD800) + u"B");
  EXPECT_EQ(casefold::Compare(std::string("\xFF"), std::string("\xFF")), 0);
}

TEST(CaseFoldTest, EqualWhenTheUpperCasedFormsAreEqual) {
  EXPECT_TRUE(casefold::Equal("Łódź", "łÓDŹ"));
  EXPECT_TRUE(casefold::Equal("Straße", "STRASSE"));
  EXPECT_TRUE(casefold::Equal("ſ", "s"));  // long s upper-cases to S
  EXPECT_TRUE(casefold::Equal("ı", "i"));  // so does dotless i to I
  EXPECT_FALSE(casefold::Equal("Łódź", "Lodz"));
  EXPECT_FALSE(casefold::Equal("a", "a "));
}

TEST(CaseFoldTest, OrderIsThatOfTheUpperCasedFormsInCodePointOrder) {
  // Upper-cased, 'a' is 'A' (0x41), which sorts before '_' (0x5F).
  EXPECT_LT(casefold::Compare("a", "_"), 0);
  // U+FF21 sorts before U+10400 by code point, though not by UTF-16 code unit.
  EXPECT_LT(casefold::Compare("\uFF41", "\U00010428"), 0);
  EXPECT_LT(casefold::Compare("", "a"), 0);
  EXPECT_GT(casefold::Compare("ab", "A"), 0);

  // The ASCII shortcut agrees with the full mapping for every pair, including letters beyond
  // ASCII whose upper case is ASCII.
  const std::vector<std::string> texts = {
      "",         "a",     "A",     "_",          "[",      "z",     "ab",    "AB",
      "a_",       "A[",    "s",     "ſ",          "S",      "st",    "ﬅ",     "ı",
      "I",        "i",     "ß",     "ss",         "SS",     "ssa",   "é",     "É",
      "e",        "ő-dal", "Ő-DAL", "\U00010428", "\uFF41", "x\xFF", "X\xFF", "straße",
      "STRASSEN", "Łódź",  "łódź",  "lodz",       "ǆ",      "Ǆ",     "ǅ"};
  for (const std::string& a : texts) {
    for (const std::string& b : texts) {
      SCOPED_TRACE(a + " | " + b);
      EXPECT_EQ(Sign(casefold::Compare(a, b)),
                Sign(casefold::Upper(a).compare(casefold::Upper(b))));
      EXPECT_EQ(casefold::Compare(a, b), -casefold::Compare(b, a));
    }
  }
}

TEST(CaseFoldTest, OneUnitFoldsToItsSimplePartner) {
  EXPECT_EQ(casefold::FoldUnit(u'A'), u'a');
  EXPECT_EQ(casefold::FoldUnit(u'Ł'), u'ł');
  EXPECT_EQ(casefold::FoldUnit(u'Ꭰ'), u'Ꭰ');  // Cherokee folds to upper case
  EXPECT_EQ(casefold::FoldUnit(char16_t(0xD801)), char16_t(0xD801));
  EXPECT_EQ(casefold::FoldUnit(u'中'), u'中');
}

}  // namespace
