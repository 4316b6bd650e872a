#include "platform/win32/ProfileReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The zero-terminated strings among the first stored characters.
std::vector<std::u16string> Strings(const std::vector<char16_t>& buffer, unsigned long stored) {
  std::vector<std::u16string> out;
  std::u16string current;
  for (unsigned long i = 0; i < stored; ++i) {
    if (buffer[i] == 0) {
      out.push_back(current);
      current.clear();
    } else {
      current.push_back(buffer[i]);
    }
  }
  return out;
}

std::vector<std::u16string> Names(const win32::CProfileText& text, unsigned long size = 2047) {
  std::vector<char16_t> buffer(size + 1, u'#');
  unsigned long stored = text.GetSectionNames(buffer.data(), size);
  EXPECT_LE(stored, size);
  EXPECT_EQ(u'#', buffer[size]) << "wrote past the given size";
  return Strings(buffer, stored);
}

std::vector<std::u16string> Lines(const win32::CProfileText& text, const char16_t* name,
                                  unsigned long size = 61439) {
  std::vector<char16_t> buffer(size + 1, u'#');
  unsigned long stored = text.GetSection(name, buffer.data(), size);
  EXPECT_EQ(u'#', buffer[size]) << "wrote past the given size";
  return Strings(buffer, stored);
}

win32::CProfileText Text(const std::string& bytes) {
  return win32::CProfileText(bytes.data(), bytes.size());
}

using V = std::vector<std::u16string>;

TEST(ProfileReaderTest, LinesAreTrimmedSplitAndFiltered) {
  auto text = Text(
      "top=1\n[S]\n  key  =  a = b  \n;comment\n  ;indented\n#hash\nbare\n=\n\n"
      "[unclosed\n\t\n");
  EXPECT_EQ(V({u"S"}), Names(text));
  EXPECT_EQ(V({u"key=a = b", u"#hash", u"bare", u"=", u"[unclosed"}), Lines(text, u"S"));
}

TEST(ProfileReaderTest, HeadersAndLookupIgnoreCase) {
  auto text = Text("[ \xc3\x84rger ]\nk=1\n[\xc3\xa4RGER]\nk=2\n[x]y]z\nk=3\n[]\nk=4\n");
  EXPECT_EQ(V({u"\u00c4rger", u"\u00e4RGER", u"x]y"}), Names(text));
  EXPECT_EQ(V({u"k=1"}), Lines(text, u"\u00e4rger"));
  EXPECT_EQ(V({u"k=1"}), Lines(text, u"\u00c4RGER"));
  EXPECT_EQ(V({u"k=3"}), Lines(text, u"X]Y"));
  // A missing section stores nothing and ends the buffer with two zeros.
  std::vector<char16_t> buffer(8, u'#');
  EXPECT_EQ(0ul, text.GetSection(u"none", buffer.data(), 8));
  EXPECT_EQ(0, buffer[0]);
  EXPECT_EQ(0, buffer[1]);
  EXPECT_EQ(0ul, text.GetSection(u"", buffer.data(), 8));
}

TEST(ProfileReaderTest, LineEndsAndEncodings) {
  EXPECT_EQ(V({u"k=v", u"a=b", u"c=d"}), Lines(Text("[S]\rk=v\r\na=b\nc=d"), u"S"));
  std::string be("\xfe\xff\0[\0S\0]\0\n\0k\0=\x4e\x2d", 16);
  EXPECT_EQ(V({u"k=\u4e2d"}), Lines(Text(be), u"S"));
  std::string le("\xff\xfe[\0S\0]\0\n\0k\0=\0\x2d\x4e\x41", 17);  // odd byte dropped
  EXPECT_EQ(V({u"k=\u4e2d"}), Lines(Text(le), u"S"));
  EXPECT_EQ(V({u"k=\uFFFDx"}), Lines(Text("\xef\xbb\xbf[S]\nk=\xffx\n"), u"S"));
  // Ideographic space and ^Z count as white space.
  EXPECT_EQ(V({u"k=v"}), Lines(Text("[S]\n\xe3\x80\x80k = v\x1a\n"), u"S"));
}

TEST(ProfileReaderTest, StringsEndAtNul) {
  auto text = Text(std::string("[S\0hidden]\nk\0x=v\0w\n\0only=1\n", 27));
  EXPECT_EQ(V({u"S"}), Names(text));
  EXPECT_EQ(V({u"k=v", u"=1"}), Lines(text, u"S"));
}

TEST(ProfileReaderTest, SectionNamesAreCutLikeTheWindowsReader) {
  auto text = Text("[aaa]\n[bbb]\n[ccc]\n");
  std::vector<char16_t> buffer(16, u'#');
  // Everything fits: 12 characters stored, a final zero after them.
  EXPECT_EQ(12ul, text.GetSectionNames(buffer.data(), 14));
  EXPECT_EQ(0, buffer[12]);
  // One short: the last name is cut, the result is size minus two.
  EXPECT_EQ(11ul, text.GetSectionNames(buffer.data(), 13));
  EXPECT_EQ(V({u"aaa", u"bbb"}), Names(text, 13));
  EXPECT_EQ(V({u"aaa", u"bbb"}), Names(text, 12));
  EXPECT_EQ(V({}), Names(text, 2));
  EXPECT_EQ(0ul, text.GetSectionNames(buffer.data(), 1));
  EXPECT_EQ(0ul, text.GetSectionNames(buffer.data(), 0));
  EXPECT_EQ(0ul, text.GetSectionNames(nullptr, 10));
}

TEST(ProfileReaderTest, SectionLinesAreCutLikeTheWindowsReader) {
  auto text = Text("[S]\nab=cd\nef=gh\n");
  // "ab=cd" "ef=gh" take 12 characters.
  EXPECT_EQ(V({u"ab=cd", u"ef=gh"}), Lines(text, u"S", 14));
  std::vector<char16_t> buffer(16, u'#');
  EXPECT_EQ(12ul, text.GetSection(u"S", buffer.data(), 14));
  // One short: the second line is dropped although its characters would fit.
  EXPECT_EQ(11ul, text.GetSection(u"S", buffer.data(), 13));
  EXPECT_EQ(V({u"ab=cd"}), Lines(text, u"S", 13));
  EXPECT_EQ(V({}), Lines(text, u"S", 7));
  EXPECT_EQ(0ul, text.GetSection(u"S", buffer.data(), 2));
  EXPECT_EQ(0ul, text.GetSection(u"S", buffer.data(), 1));
  EXPECT_EQ(0ul, text.GetSection(u"S", nullptr, 10));
  // A lone one-character line reports two characters.
  auto single = Text("[A]\nx\n[B]\n=\n");
  EXPECT_EQ(2ul, single.GetSection(u"A", buffer.data(), 14));
  EXPECT_EQ(2ul, single.GetSection(u"B", buffer.data(), 14));
}

TEST(ProfileReaderTest, RepeatedLookupsGiveTheSameAnswerForEverySize) {
  std::string body;
  for (int i = 0; i < 1000; ++i) {
    body += ";comment\n";
  }
  auto text = Text("[Abc]\n" + body + "ab=cd\nef=gh\n[aBC]\n[ABC]\n");
  EXPECT_EQ(V({u"Abc", u"aBC", u"ABC"}), Names(text));
  for (const char16_t* name : {u"Abc", u"aBC", u"ABC", u"abc"}) {
    EXPECT_EQ(V({u"ab=cd", u"ef=gh"}), Lines(text, name, 14));
    EXPECT_EQ(V({u"ab=cd"}), Lines(text, name, 13));
  }
  std::vector<char16_t> buffer(16, u'#');
  EXPECT_EQ(11ul, text.GetSection(u"abc", buffer.data(), 13));
  EXPECT_EQ(12ul, text.GetSection(u"abc", buffer.data(), 14));
  EXPECT_EQ(12ul, text.GetSection(u"ABC", buffer.data(), 14));
  EXPECT_EQ(0, buffer[12]);
}

TEST(ProfileReaderTest, FoldCaseCoversCommonAlphabets) {
  EXPECT_EQ(u'a', win32::FoldCase(u'A'));
  EXPECT_EQ(u'[', win32::FoldCase(u'['));
  EXPECT_EQ(u'\u00e9', win32::FoldCase(u'\u00c9'));
  EXPECT_EQ(u'\u00d7', win32::FoldCase(u'\u00d7'));
  EXPECT_EQ(u'\u0101', win32::FoldCase(u'\u0100'));
  EXPECT_EQ(u'\u017a', win32::FoldCase(u'\u0179'));
  EXPECT_EQ(u'\u00ff', win32::FoldCase(u'\u0178'));
  EXPECT_EQ(u'\u03b1', win32::FoldCase(u'\u0391'));
  EXPECT_EQ(u'\u0430', win32::FoldCase(u'\u0410'));
  EXPECT_EQ(u'\u0450', win32::FoldCase(u'\u0400'));
  EXPECT_EQ(u'\uff41', win32::FoldCase(u'\uff21'));
  EXPECT_EQ(u'\u4e2d', win32::FoldCase(u'\u4e2d'));
}

TEST(ProfileReaderTest, SectionsAreFoundWithoutRegardToCaseInEveryScript) {
  const std::string data = "[Łódź]\nk=1\n[straße]\nk=2\n[ԱՅԲ]\nk=3\n";
  const win32::CProfileText text(data.data(), data.size());
  EXPECT_EQ(Lines(text, u"ŁÓDŹ"), std::vector<std::u16string>{u"k=1"});
  EXPECT_EQ(Lines(text, u"łódź"), std::vector<std::u16string>{u"k=1"});
  EXPECT_EQ(Lines(text, u"STRASSE"), std::vector<std::u16string>{u"k=2"});
  EXPECT_EQ(Lines(text, u"այբ"), std::vector<std::u16string>{u"k=3"});
  EXPECT_TRUE(Lines(text, u"Lodz").empty());
}

}  // namespace
