// The packed stream form: reading, writing, and saving without losing data.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "QvConfigTestSupport.h"
#include "client/QvConfig.h"
#include "platform/win32/FileIoFault.h"
#include "platform/win32/SystemError.h"

namespace {

using qvtest::CStreamBuilder;
using qvtest::Render;
using qvtest::Value;

const std::string kWorkedExample = std::string(
    "\x0c\0\0\0\x01\0\0\0\x04\x01\0\0"
    "\x14\0\0\0\x01\0\0\0\x04\0\0\0"
    "0\0"
    "0\0"
    "4\0"
    "1\0"
    "\x1c\0\0\0\x04\0\0\0\x04\0\0\0"
    "0\0"
    "0\0"
    "6\0"
    "b\0"
    "0\0"
    "0\0"
    "7\0"
    "6\0",
    60);

int Load(CQvConfig& config, const std::string& bytes) {
  return config.OpenQuveStream(bytes.data(), static_cast<unsigned long>(bytes.size()));
}

void LoadIni(CQvConfig& config, const std::string& text) {
  ASSERT_EQ(1, config.OpeniniStream(text.data(), static_cast<unsigned long>(text.size())));
}

class QvConfigStreamTest : public testing::Test {
 protected:
  qvtest::CScratchDir mDir;
};

TEST_F(QvConfigStreamTest, WorkedExampleComesOutByteForByte) {
  CQvConfig config;
  LoadIni(config, "[A]\nk=v\n");
  for (auto type : {CQvConfig::CONFIGTYPE_QVE, CQvConfig::CONFIGTYPE_INI}) {
    std::filesystem::path path = mDir / ("example" + std::to_string(type) + ".qve");
    ASSERT_EQ(1, config.Save(type, path.wstring().c_str()));
    EXPECT_EQ(kWorkedExample, qvtest::ReadFile(path));
  }
  CQvConfig reread;
  ASSERT_EQ(1, Load(reread, kWorkedExample));
  EXPECT_EQ(L"[A]\r\nk=v\r\n", Render(reread));
}

TEST_F(QvConfigStreamTest, SaveAndReloadKeepsEverything) {
  CQvConfig config;
  // Empty key, empty value, non-ASCII and supplementary characters, a
  // section without keys, "=" inside a value.
  LoadIni(config,
          "[\xe4\xb8\xad\xe6\x96\x87]\n\xe5\x90\x8d=\xf0\x9f\x98\x80x\n"
          "[Empty]\n[S]\nbare line\nk=\nv=a=b\n");
  std::wstring before = Render(config);
  std::filesystem::path path = mDir / "all.qve";
  ASSERT_EQ(1, config.Save(CQvConfig::CONFIGTYPE_QVE, path.wstring().c_str()));

  CQvConfig reread;
  ASSERT_EQ(1, reread.OpenFile(path.wstring().c_str()));
  EXPECT_EQ(before, Render(reread));
  EXPECT_EQ(L"bare line", Value(reread, L"S", L""));
  EXPECT_EQ(L"", Value(reread, L"S", L"k"));
  EXPECT_EQ(L"\U0001F600x", Value(reread, L"\u4e2d\u6587", L"\u540d"));

  // Saving without a path goes back to the file that was opened.
  std::wstring changed = L"changed";
  ASSERT_EQ(1, reread.SetKeyVar(L"S", L"k", changed.data()));
  ASSERT_EQ(1, reread.Save(CQvConfig::CONFIGTYPE_QVE, nullptr));
  CQvConfig third;
  ASSERT_EQ(1, third.OpenFile(path.wstring().c_str()));
  EXPECT_EQ(L"changed", Value(third, L"S", L"k"));
}

TEST_F(QvConfigStreamTest, SupplementaryCharactersAreStoredAsSurrogatePairs) {
  CQvConfig config;
  LoadIni(config, "[S]\nk=\xf0\x9f\x98\x80\n");
  std::filesystem::path path = mDir / "pair.qve";
  ASSERT_EQ(1, config.Save(CQvConfig::CONFIGTYPE_QVE, path.wstring().c_str()));
  EXPECT_EQ(CStreamBuilder().Header(1).Section(u"S", 1).Key(u"k", u"\U0001F600").Bytes(),
            qvtest::ReadFile(path));
  EXPECT_NE(std::string::npos, qvtest::ReadFile(path).find(std::string("d\0"
                                                                       "8\0"
                                                                       "3\0"
                                                                       "d\0",
                                                                       8)));
}

TEST_F(QvConfigStreamTest, NothingToSaveOrNowhereToSaveLeavesFilesAlone) {
  std::filesystem::path path = mDir / "keep.qve";
  qvtest::WriteFile(path, "old content");

  CQvConfig config;
  EXPECT_EQ(0, config.Save(CQvConfig::CONFIGTYPE_QVE, path.wstring().c_str()));
  LoadIni(config, "no sections here\n");
  EXPECT_EQ(0, config.Save(CQvConfig::CONFIGTYPE_QVE, path.wstring().c_str()));
  EXPECT_EQ("old content", qvtest::ReadFile(path));

  // Loaded from memory only: no remembered path.
  LoadIni(config, "[S]\nk=v\n");
  EXPECT_EQ(0, config.Save(CQvConfig::CONFIGTYPE_QVE, nullptr));
  // Opened from a file, then closed: the path is forgotten with the table.
  std::filesystem::path ini = mDir / "c.ini";
  qvtest::WriteFile(ini, "[S]\nk=v\n");
  ASSERT_EQ(1, config.OpenFile(ini.wstring().c_str()));
  config.Close();
  LoadIni(config, "[S]\nk=v\n");
  EXPECT_EQ(0, config.Save(CQvConfig::CONFIGTYPE_QVE, nullptr));
  EXPECT_EQ("[S]\nk=v\n", qvtest::ReadFile(ini));
  // A folder that does not exist.
  EXPECT_EQ(0, config.Save(CQvConfig::CONFIGTYPE_QVE, (mDir / "no/such.qve").wstring().c_str()));
}

TEST_F(QvConfigStreamTest, FailedWriteLeavesTheOldFileIntact) {
  std::filesystem::path path = mDir / "full.qve";
  qvtest::WriteFile(path, "old");
  CQvConfig config;
  std::string big = "[S]\nk=" + std::string(4000, 'x') + "\n";
  LoadIni(config, big);

  // The disk fills up part way through the write.
  int result = 0;
  {
    win32::ScopedFileWriteFault full([](win32::FileWriteStep step) {
      return step == win32::FileWriteStep::kWrite ? win32::ErrorCode::kDiskFull
                                                  : win32::ErrorCode::kNone;
    });
    result = config.Save(CQvConfig::CONFIGTYPE_QVE, path.wstring().c_str());
  }

  EXPECT_EQ(0, result);
  EXPECT_EQ("old", qvtest::ReadFile(path));
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(mDir.Path())) {
    ++files;
  }
  EXPECT_EQ(1, files) << "no temporary file may be left behind";
}

TEST_F(QvConfigStreamTest, ShortOrEmptyStreamsAreRejectedAndChangeNothing) {
  CQvConfig config;
  LoadIni(config, "[Kept]\nk=v\n");
  std::string twelve = CStreamBuilder().Header(0).Bytes();
  EXPECT_EQ(0, Load(config, twelve));
  EXPECT_EQ(0, config.OpenQuveStream(twelve.data(), 11));
  EXPECT_EQ(0, config.OpenQuveStream(nullptr, 100));
  EXPECT_EQ(0, config.OpenQuveStream(twelve.data(), 0));
  EXPECT_EQ(L"[Kept]\r\nk=v\r\n", Render(config));
}

TEST_F(QvConfigStreamTest, HeaderFieldsOtherThanTheCountAreNotChecked) {
  std::string bytes = CStreamBuilder()
                          .Uint32(99)
                          .Uint32(2)
                          .Uint32(7)
                          .Section(u"First", 0)
                          .Section(u"Second", 1)
                          .Key(u"k", u"v")
                          .Bytes();
  CQvConfig config;
  ASSERT_EQ(1, Load(config, bytes));
  EXPECT_EQ(L"[First]\r\n[Second]\r\nk=v\r\n", Render(config));
}

TEST_F(QvConfigStreamTest, StoredTextDecodingRules) {
  auto record = [](CStreamBuilder& b, const std::u16string& stored) {
    b.Uint32(12 + 2 * static_cast<unsigned>(stored.size()))
        .Uint32(0)
        .Uint32(static_cast<unsigned>(stored.size()))
        .Units(stored);
  };
  CStreamBuilder b;
  b.Header(7);
  record(b, u"abc");                 // not a multiple of four: literal
  record(b, u"004B0041");            // upper-case digits
  record(b, u" 4b +04c-001");        // white space and signs
  record(b, u"0x4d0X4e");            // 0x prefixes
  record(b, u"zzzz0050");            // nothing readable gives 0
  record(b, u"0052\u0000junkjunk");  // a zero unit ends the text
  record(b, u"12g40053");            // reading stops at the first non-digit
  CQvConfig config;
  ASSERT_EQ(1, Load(config, b.Bytes()));
  // The name decoded from "zzzz0050" starts with a zero unit; rendering
  // stops each string there, as "%s" would.
  EXPECT_EQ(L"[]\r\n[\x12S]\r\n[KA]\r\n[KL\uFFFF]\r\n[MN]\r\n[R]\r\n[abc]\r\n", Render(config));
}

TEST_F(QvConfigStreamTest, FirstSectionAndFirstKeyWinWithoutMessages) {
  std::string bytes = CStreamBuilder()
                          .Header(2)
                          .Section(u"S", 2)
                          .Key(u"k", u"first")
                          .Key(u"k", u"second")
                          .Section(u"S", 1)
                          .Key(u"j", u"later")
                          .Bytes();
  CQvConfig config;
  clienttest::CBoxRecorder boxes;
  ASSERT_EQ(1, Load(config, bytes));
  EXPECT_EQ(L"[S]\r\nk=first\r\n", Render(config));
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(QvConfigStreamTest, StreamsReachingPastTheirLengthAreRejectedWhole) {
  std::string good = CStreamBuilder()
                         .Header(2)
                         .Section(u"One", 1)
                         .Key(u"key", u"value")
                         .Section(u"Two", 0)
                         .Bytes();
  CQvConfig config;
  ASSERT_EQ(1, Load(config, good));
  // Every cut of the stream leaves some count or size reaching past the end.
  for (std::size_t length = 0; length < good.size(); ++length) {
    LoadIni(config, "[Kept]\n");
    EXPECT_EQ(0, config.OpenQuveStream(good.data(), static_cast<unsigned long>(length)))
        << "length " << length;
    EXPECT_EQ(L"[Kept]\r\n", Render(config));
  }

  auto patched = [&](std::size_t offset, unsigned value) {
    std::string bytes = good;
    for (int i = 0; i < 4; ++i) {
      bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
  };
  const std::size_t section = 12;
  const std::size_t key = section + 12 + 24;
  for (const std::string& bad : {
           patched(4, 0xFFFFFFFF),            // section count
           patched(section, 0xFFFFFFF0),      // section record size
           patched(section, 4),               // record smaller than its own fields
           patched(section + 4, 1000),        // key count
           patched(section + 8, 0x7FFFFFFF),  // name length
           patched(key, 0xFFFFFFFF),          // key record size
           patched(key + 4, 0x80000000),      // key length
           patched(key + 8, 0xFFFFFFFF),      // value length
       }) {
    LoadIni(config, "[Kept]\n");
    EXPECT_EQ(0, Load(config, bad));
    EXPECT_EQ(L"[Kept]\r\n", Render(config));
  }
}

TEST_F(QvConfigStreamTest, DamagedStreamsNeverReadPastTheirEnd) {
  std::string good = CStreamBuilder()
                         .Header(3)
                         .Section(u"One", 2)
                         .Key(u"key", u"value")
                         .Key(u"", u"")
                         .Section(u"Two", 0)
                         .Section(u"Three", 1)
                         .Key(u"k", u"\u4e2d")
                         .Bytes();
  std::mt19937 random(20261208);
  CQvConfig config;
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = good;
    int changes = 1 + static_cast<int>(random() % 4);
    for (int c = 0; c < changes; ++c) {
      std::size_t at = random() % bytes.size();
      // Small numbers and all-ones hit the count and size fields hardest.
      unsigned pick = random() % 4;
      bytes[at] = static_cast<char>(pick == 0 ? 0xFF : pick == 1 ? random() % 16 : random());
    }
    bytes.resize(bytes.size() - random() % 8);
    // An exactly sized heap copy, so that reading one byte too far is caught.
    std::vector<char> exact(bytes.begin(), bytes.end());
    LoadIni(config, "[Kept]\n");
    int result = config.OpenQuveStream(exact.data(), static_cast<unsigned long>(exact.size()));
    if (result == 0) {
      EXPECT_EQ(L"[Kept]\r\n", Render(config));
    } else {
      EXPECT_EQ(1, result);
    }
  }
}

TEST_F(QvConfigStreamTest, RecordSizesDecideWhereTheNextRecordStarts) {
  // A section record claiming 8 spare bytes after its name: the key record
  // is looked for after them.
  CStreamBuilder b;
  b.Header(1).Uint32(12 + 8 + 8).Uint32(1).Uint32(4).Units(u"0053").Units(u"XXXX");
  b.Key(u"k", u"v");
  CQvConfig config;
  ASSERT_EQ(1, Load(config, b.Bytes()));
  EXPECT_EQ(L"[S]\r\nk=v\r\n", Render(config));
}

TEST_F(QvConfigStreamTest, MemoryLoadsDoNotTouchTheRememberedPath) {
  std::filesystem::path path = mDir / "p.qve";
  std::string original = CStreamBuilder().Header(1).Section(u"F", 1).Key(u"k", u"file").Bytes();
  qvtest::WriteFile(path, original);
  CQvConfig config;
  ASSERT_EQ(1, config.OpenFile(path.wstring().c_str()));
  ASSERT_EQ(1, Load(config, kWorkedExample));
  ASSERT_EQ(1, config.Save(CQvConfig::CONFIGTYPE_INI, nullptr));
  EXPECT_EQ(kWorkedExample, qvtest::ReadFile(path));
}

}  // namespace
