// The store's table rules, look-up and change, and OpenFile.
#include "client/QvConfig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "QvConfigTestSupport.h"

namespace {

using qvtest::Render;
using qvtest::Value;

void LoadIni(CQvConfig& config, const std::string& text) {
  ASSERT_EQ(1, config.OpeniniStream(text.data(), static_cast<unsigned long>(text.size())));
}

TEST(QvConfigTest, NewAndClosedStoresFindNothing) {
  CQvConfig config;
  std::wstring out = L"kept";
  EXPECT_EQ(0, config.ReadDataToString(out));
  EXPECT_EQ(L"kept", out);
  EXPECT_EQ(L"<none>", Value(config, L"S", L"k"));
  EXPECT_EQ(0, config.SetKeyVar(L"S", L"k", const_cast<wchar_t*>(L"v")));

  LoadIni(config, "[S]\nk=v\n");
  EXPECT_EQ(L"v", Value(config, L"S", L"k"));
  EXPECT_EQ(1, config.Close());
  EXPECT_EQ(L"<none>", Value(config, L"S", L"k"));
  EXPECT_EQ(0, config.ReadDataToString(out));
  EXPECT_EQ(1, config.Close());
}

TEST(QvConfigTest, LookupIsExactAndCaseSensitive) {
  CQvConfig config;
  LoadIni(config, "[Main]\nKey=1\nkey=2\n");
  EXPECT_EQ(L"<none>", Value(config, L"main", L"Key"));
  EXPECT_EQ(L"1", Value(config, L"Main", L"Key"));
  EXPECT_EQ(L"2", Value(config, L"Main", L"key"));
  EXPECT_EQ(L"<none>", Value(config, L"Main", L"KEY"));
  EXPECT_EQ(L"<none>", Value(config, L"Main ", L"Key"));

  wchar_t* untouched = reinterpret_cast<wchar_t*>(0x1);
  EXPECT_EQ(CQvConfig::kNotFound, config.GetKeyVar(nullptr, L"Key", &untouched));
  EXPECT_EQ(CQvConfig::kNotFound, config.GetKeyVar(L"Main", nullptr, &untouched));
  EXPECT_EQ(reinterpret_cast<wchar_t*>(0x1), untouched);
  EXPECT_EQ(CQvConfig::kNotFound, config.GetKeyVar(L"Main", L"Key", nullptr));
}

TEST(QvConfigTest, EmptyValueGivesZeroLengthAndATerminatedBuffer) {
  CQvConfig config;
  LoadIni(config, "[S]\na=\nline without equals\n");
  wchar_t* value = nullptr;
  EXPECT_EQ(0ul, config.GetKeyVar(L"S", L"a", &value));
  ASSERT_NE(nullptr, value);
  EXPECT_EQ(L'\0', value[0]);
  delete[] value;
  // A line without "=" is the value of the empty key.
  EXPECT_EQ(L"line without equals", Value(config, L"S", L""));
}

TEST(QvConfigTest, SetKeyVarReplacesOnlyExistingKeys) {
  CQvConfig config;
  LoadIni(config, "[S]\nk=old\n");
  EXPECT_EQ(0, config.SetKeyVar(L"S", L"missing", const_cast<wchar_t*>(L"x")));
  EXPECT_EQ(0, config.SetKeyVar(L"T", L"k", const_cast<wchar_t*>(L"x")));
  EXPECT_EQ(0, config.SetKeyVar(L"S", L"k", nullptr));
  EXPECT_EQ(L"<none>", Value(config, L"S", L"missing"));
  EXPECT_EQ(L"[S]\r\nk=old\r\n", Render(config));

  std::wstring fresh = L"new \u00e9\U0001F600";
  EXPECT_EQ(1, config.SetKeyVar(L"S", L"k", fresh.data()));
  fresh[0] = L'X';  // the store keeps its own copy
  wchar_t* value = nullptr;
  unsigned long length = config.GetKeyVar(L"S", L"k", &value);
  ASSERT_NE(CQvConfig::kNotFound, length);
  EXPECT_EQ(L"new \u00e9\U0001F600", std::wstring(value, length));
  // Characters, not UTF-16 units, whatever wchar_t is.
  EXPECT_EQ(sizeof(wchar_t) == 2 ? 7ul : 6ul, length);
  delete[] value;
}

TEST(QvConfigTest, WalksFollowUtf16CodeUnitOrder) {
  CQvConfig config;
  // U+1F600 is stored as D83D DE00 and so sorts before U+FFFD, unlike in
  // code point order; capitals sort before small letters. ([B] gets the
  // lines of [b]: the reader finds sections regardless of case.)
  LoadIni(config,
          "[\xef\xbf\xbd]\nb=1\n[\xf0\x9f\x98\x80]\nx=1\n[b]\nz=1\nZ=2\n[B]\n[a]\n[\xc3\xa9]\n");
  EXPECT_EQ(
      L"[B]\r\nZ=2\r\nz=1\r\n[a]\r\n[b]\r\nZ=2\r\nz=1\r\n[\u00e9]\r\n[\U0001F600]\r\nx=1\r\n["
      L"\uFFFD]\r\nb=1\r\n",
      Render(config));
}

TEST(QvConfigTest, IniLoadReplacesTheWholeTable) {
  CQvConfig config;
  LoadIni(config, "[Old]\nk=v\n");
  LoadIni(config, "[New]\nk=v\n");
  EXPECT_EQ(L"<none>", Value(config, L"Old", L"k"));
  // Empty text leaves an empty table, which still renders (as nothing).
  EXPECT_EQ(1, config.OpeniniStream("", 0));
  EXPECT_EQ(L"", Render(config));
  EXPECT_EQ(L"<none>", Value(config, L"New", L"k"));
}

TEST(QvConfigTest, ReadDataToStringAppendsInIniForm) {
  CQvConfig config;
  LoadIni(config, "[General]\nb=2\na=1\n");
  std::wstring out = L"head\r\n";
  EXPECT_EQ(1, config.ReadDataToString(out));
  EXPECT_EQ(L"head\r\n[General]\r\na=1\r\nb=2\r\n", out);
}

TEST(QvConfigTest, ArbitraryIniBytesAlwaysLoad) {
  const char alphabet[] = {'[',    ']',    '=',    ';',    '\r',   '\n',   ' ',
                           '\t',   '\0',   'a',    'A',    'b',    '\xff', '\xe4',
                           '\xb8', '\xad', '\xef', '\xbb', '\xbf', '\xfe'};
  std::mt19937 random(1208);
  CQvConfig config;
  clienttest::CBoxRecorder boxes;
  qvtest::CScratchDir scratch;
  for (int round = 0; round < 500; ++round) {
    std::vector<char> text(random() % 200);
    for (char& c : text) {
      c = alphabet[random() % sizeof alphabet];
    }
    ASSERT_EQ(1, config.OpeniniStream(text.data(), static_cast<unsigned long>(text.size())));
    std::wstring rendered = Render(config);
    // Whatever was loaded survives a trip through the packed form.
    CQvConfig copy;
    const std::filesystem::path path = scratch / "fuzz.qve";
    if (config.Save(CQvConfig::CONFIGTYPE_QVE, path.wstring().c_str()) == 1) {
      ASSERT_EQ(1, copy.OpenFile(path.wstring().c_str()));
      EXPECT_EQ(rendered, Render(copy));
      std::filesystem::remove(path);
    } else {
      EXPECT_EQ(L"", rendered);
    }
  }
}

class QvConfigFileTest : public testing::Test {
 protected:
  qvtest::CScratchDir mDir;
  std::string mPacked =
      qvtest::CStreamBuilder().Header(1).Section(u"P", 1).Key(u"k", u"packed").Bytes();
};

TEST_F(QvConfigFileTest, ParserIsChosenByTheLastThreeCharacters) {
  struct Case {
    const char* name;
    bool packed;
  };
  for (Case c : {Case{"a.qve", true}, Case{"b.QvE", true}, Case{"cxqve", true},
                 Case{"d.qve.ini", false}, Case{"e.ini", false}, Case{"ve", false}}) {
    SCOPED_TRACE(c.name);
    std::filesystem::path path = mDir / c.name;
    qvtest::WriteFile(path, c.packed ? mPacked : std::string("[I]\nk=ini\n"));
    CQvConfig config;
    ASSERT_EQ(1, config.OpenFile(path.wstring().c_str()));
    EXPECT_EQ(c.packed ? L"packed" : L"<none>", Value(config, L"P", L"k"));
    EXPECT_EQ(c.packed ? L"<none>" : L"ini", Value(config, L"I", L"k"));
  }
}

TEST_F(QvConfigFileTest, FailuresLeaveTableAndPathAlone) {
  std::filesystem::path good = mDir / "good.ini";
  qvtest::WriteFile(good, "[S]\nk=v\n");
  std::filesystem::path empty = mDir / "empty.ini";
  qvtest::WriteFile(empty, "");
  std::filesystem::path missing = mDir / "missing.ini";

  CQvConfig config;
  ASSERT_EQ(1, config.OpenFile(good.wstring().c_str()));
  clienttest::CBoxRecorder boxes;
  EXPECT_EQ(0, config.OpenFile(nullptr));
  EXPECT_EQ(0, config.OpenFile(empty.wstring().c_str()));
  EXPECT_TRUE(boxes.Boxes().empty());

  EXPECT_EQ(0, config.OpenFile(missing.wstring().c_str()));
  ASSERT_EQ(1u, boxes.Boxes().size());
  EXPECT_EQ(u"2", boxes.Boxes()[0].text);
  EXPECT_EQ(u"", boxes.Boxes()[0].caption);
  EXPECT_EQ(nullptr, boxes.Boxes()[0].owner);
  EXPECT_EQ(win32::kMbOk, boxes.Boxes()[0].buttons);

  EXPECT_EQ(0, config.OpenFile(mDir.Path().wstring().c_str()));
  ASSERT_EQ(2u, boxes.Boxes().size());
  // A folder is refused with the system's own number for it (which number
  // differs per platform), in decimal and nothing else.
  const std::u16string folderText = boxes.Boxes()[1].text;
  EXPECT_FALSE(folderText.empty());
  EXPECT_EQ(std::u16string::npos, folderText.find_first_not_of(u"0123456789"));
  EXPECT_NE(u"0", folderText);

  EXPECT_EQ(L"v", Value(config, L"S", L"k"));
  // The remembered path is still the good file.
  std::filesystem::remove(good);
  EXPECT_EQ(1, config.Save(CQvConfig::CONFIGTYPE_QVE, nullptr));
  EXPECT_TRUE(std::filesystem::exists(good));
}

TEST_F(QvConfigFileTest, RejectedStreamStillCountsAsRead) {
  std::filesystem::path bad = mDir / "bad.qve";
  qvtest::WriteFile(bad, std::string("\x0c\0\0\0\0\0\0\0\x04\x01\0\0", 12));
  CQvConfig config;
  LoadIni(config, "[S]\nk=v\n");
  EXPECT_EQ(1, config.OpenFile(bad.wstring().c_str()));
  EXPECT_EQ(L"v", Value(config, L"S", L"k"));
}

TEST_F(QvConfigFileTest, NonAsciiPathsWork) {
  // Named from UTF-8 text, which every platform's file system path takes
  // whatever the locale.
  qvtest::WriteFile(mDir.Path() / std::filesystem::path(u8"\u914d\u7f6e\u00e9.qve"), mPacked);
  std::wstring path = mDir.Path().wstring() + L"/\u914d\u7f6e\u00e9.qve";
  CQvConfig config;
  ASSERT_EQ(1, config.OpenFile(path.c_str()));
  EXPECT_EQ(L"packed", Value(config, L"P", L"k"));
}

}  // namespace
