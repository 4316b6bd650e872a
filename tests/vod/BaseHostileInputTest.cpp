// Hostile caller text through every Base member that takes text: quotes, comment markers,
// wildcards, control characters, very long texts and characters beyond ASCII and the BMP. Each
// text must be stored and found as the data it is, and no row the member should not touch may
// change.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/automation/Collection.h"
#include "tests/vod/StoreSnapshot.h"
#include "vod/RavelinSchema.h"

namespace vod::test {
namespace {

using automation::Variant;

std::vector<std::string> HostileTexts() {
  return {
      "O'Brien's room",
      "''",
      "'",
      "x' OR '1'='1",
      "'; DELETE FROM Room; --",
      "a\"b\"c",
      "semi;colon",
      "-- not a comment",
      "/* not a comment */",
      "100%",
      "under_score",
      "%",
      "_",
      "#2026-01-01#",
      "[Room]",
      "`tick`",
      "a&b|c",
      "ctrl\x01\x02\x1f\x7f\tend",
      "line\r\nbreak",
      "back\\slash",
      "\xe6\x88\xbf\xe9\x97\xb4\xe7\x8a\xb6\xe6\x80\x81",              // CJK
      "\xf0\x9f\x8e\xb5 \xf0\x9d\x84\x9e music",                       // beyond the BMP
      "\xf0\xa0\x80\x80\xf0\xa0\x80\x81 ext",                          // CJK extension B
      std::string(3000, 'x') + "'" + std::string(3000, 'y') + "\"--",  // very long
  };
}

// The first `count` characters of UTF-8 text.
std::string Utf8Prefix(const std::string& text, std::size_t count) {
  std::size_t at = 0;
  for (std::size_t n = 0; n < count && at < text.size(); ++n) {
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) {
      ++at;
    }
  }
  return text.substr(0, at);
}

std::size_t Utf8Length(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The store's text comparison as far as these texts need it: letters compare by their upper
// case, and the upper-cased texts by their bytes (code point order). The hostile texts have no
// letters with case beyond ASCII.
std::string Folded(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return text;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& start) {
  return Folded(Utf8Prefix(text, Utf8Length(start))) == Folded(start);
}

class BaseHostileInputTest : public ReliabilityStoreTest {
 protected:
  // Every table but `changed` is as it was.
  static void ExpectOnlyChanged(const StoreSnapshot& before, const StoreSnapshot& after,
                                const std::vector<std::string>& changed) {
    for (const std::string& table : StoreTables()) {
      if (std::find(changed.begin(), changed.end(), table) == changed.end()) {
        EXPECT_EQ(before.at(table), after.at(table)) << "table " << table << " changed";
      }
    }
  }

  // The rooms whose column (0-based position in Room) starts with `start`, in key order.
  std::vector<std::string> ExpectedRoomsByPrefix(std::size_t column, const std::string& start) {
    std::vector<std::string> names;
    const StoreSnapshot snapshot = Snapshot();
    for (const Row& row : snapshot.at("Room")) {
      if (row[column] != "<null>" && StartsWithIgnoringCase(row[column], start)) {
        names.push_back(row[1]);
      }
    }
    return names;
  }
};

TEST_P(BaseHostileInputTest, RoomTextsAreStoredAndFoundAsData) {
  const std::vector<std::string> texts = HostileTexts();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string& text = texts[i];
    SCOPED_TRACE("text " + std::to_string(i));
    const std::string host = "host " + std::to_string(i) + " " + text;

    // Adding: one new row holding the texts exactly.
    RoomInfoStruct room = Room(text, host, rsFinityUse);
    room.strRoomCode = text;
    room.strRoomIP = text;
    StoreSnapshot before = Snapshot();
    const std::int32_t key = mBase->Room_AddNewInfo(room);
    ASSERT_GT(key, 0);
    StoreSnapshot after = Snapshot();
    ExpectOnlyChanged(before, after, {"Room"});
    ASSERT_EQ(after.at("Room").size(), before.at("Room").size() + 1);
    EXPECT_TRUE(
        std::equal(before.at("Room").begin(), before.at("Room").end(), after.at("Room").begin()));
    RoomInfoStruct read;
    ASSERT_TRUE(mBase->Room_GetInfo(key, read));
    EXPECT_EQ(read.strRoomName, text);
    EXPECT_EQ(read.strRoomCode, text);
    EXPECT_EQ(read.strRoomHost, host);
    EXPECT_EQ(read.strRoomIP, text);

    // The same name again is found as taken, and nothing is added.
    RoomInfoStruct again = Room(text, "another host " + std::to_string(i));
    EXPECT_EQ(mBase->Room_AddNewInfo(again), 0);
    EXPECT_EQ(after, Snapshot());

    // Looking up and searching read nothing into the text.
    EXPECT_EQ(mBase->Room_HaveInfo(text), key);
    EXPECT_EQ(RoomNames(mBase->Room_GetAll(rsmName, Variant(text))),
              ExpectedRoomsByPrefix(1, text));
    EXPECT_EQ(RoomNames(mBase->Room_GetAll(rsmCode, Variant(text))),
              ExpectedRoomsByPrefix(2, text));
    EXPECT_EQ(RoomNames(mBase->Room_GetAll(rsmHost, Variant(host))),
              std::vector<std::string>{text});
    // The status search takes a number; text is no condition at all.
    EXPECT_TRUE(RoomNames(mBase->Room_GetAll(rsmStatus, Variant(text))).empty());
    EXPECT_EQ(after, Snapshot());

    // Updating changes that one row only.
    RoomInfoStruct changed = read;
    changed.strRoomCode = text + "!";
    ASSERT_TRUE(mBase->Room_UpdateInfo(key, changed));
    StoreSnapshot updated = Snapshot();
    ExpectOnlyChanged(after, updated, {"Room"});
    ASSERT_EQ(updated.at("Room").size(), after.at("Room").size());
    for (std::size_t r = 0; r + 1 < after.at("Room").size(); ++r) {
      EXPECT_EQ(after.at("Room")[r], updated.at("Room")[r]);
    }
    ASSERT_TRUE(mBase->Room_GetInfo(key, read));
    EXPECT_EQ(read.strRoomCode, text + "!");
  }
  // Every room is still there, under its own name.
  std::vector<std::string> expected = {"Sentinel A", "Sentinel B"};
  expected.insert(expected.end(), texts.begin(), texts.end());
  EXPECT_EQ(RoomNames(mBase->Room_GetAll()), expected);
}

TEST_P(BaseHostileInputTest, BackupNamesAreStoredAndFoundAsData) {
  const std::vector<std::string> texts = HostileTexts();
  const Rows keep = Snapshot().at("RoomBackup");
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string& text = texts[i];
    SCOPED_TRACE("text " + std::to_string(i));
    EXPECT_EQ(mBase->Room_HaveBackup(text), 0);

    StoreSnapshot before = Snapshot();
    ASSERT_TRUE(mBase->Room_CreateBackup(text));
    StoreSnapshot backedUp = Snapshot();
    ExpectOnlyChanged(before, backedUp, {"RoomBackup"});
    ASSERT_EQ(backedUp.at("RoomBackup").size(), keep.size() + before.at("Room").size());
    EXPECT_GT(mBase->Room_HaveBackup(text), 0);
    std::vector<std::string> listed;
    automation::CollectionPtr names = mBase->Room_ReferBackup();
    ASSERT_TRUE(names);
    for (std::int32_t n = 1; n <= names->Count(); ++n) {
      listed.push_back(names->Item(Variant(n)).ToString());
    }
    EXPECT_NE(std::find(listed.begin(), listed.end(), text), listed.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), "keep"), listed.end());

    // Restoring brings back the same rooms (under new keys) and touches nothing else.
    const std::vector<std::string> rooms = RoomNames(mBase->Room_GetAll());
    ASSERT_TRUE(mBase->Room_Restore(text));
    StoreSnapshot restored = Snapshot();
    ExpectOnlyChanged(backedUp, restored, {"Room"});
    EXPECT_EQ(RoomNames(mBase->Room_GetAll()), rooms);

    // Deleting takes this backup's rows only.
    ASSERT_TRUE(mBase->Room_DelBackup(text));
    StoreSnapshot deleted = Snapshot();
    ExpectOnlyChanged(restored, deleted, {"RoomBackup"});
    EXPECT_EQ(deleted.at("RoomBackup"), keep);
    EXPECT_EQ(mBase->Room_HaveBackup(text), 0);

    // A room of that name joins the next backups, so the rooms differ each round.
    RoomInfoStruct room = Room(text, "host " + std::to_string(i));
    ASSERT_GT(mBase->Room_AddNewInfo(room), 0);
  }
  EXPECT_GT(mBase->Room_HaveBackup("keep"), 0);
}

TEST_P(BaseHostileInputTest, SongTextsAreStoredAndFoundAsData) {
  const std::vector<std::string> texts = HostileTexts();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string& text = texts[i];
    SCOPED_TRACE("text " + std::to_string(i));

    // A default song: added once, found as listed the second time.
    DefaultSongStruct song;
    song.strSongName = text;
    song.strFileName = text + ".mpg";
    StoreSnapshot before = Snapshot();
    const std::int32_t key = mBase->DefaultSong_AddNew(song);
    ASSERT_GT(key, 0);
    StoreSnapshot added = Snapshot();
    ExpectOnlyChanged(before, added, {"DefaultSong"});
    ASSERT_EQ(added.at("DefaultSong").size(), before.at("DefaultSong").size() + 1);
    EXPECT_EQ(added.at("DefaultSong").back()[1], text);
    DefaultSongStruct same = song;
    EXPECT_EQ(mBase->DefaultSong_AddNew(same), 0);
    EXPECT_EQ(added, Snapshot());

    // A selection: stored exactly as given.
    const SelectSongStruct selection = Selection(text, text, static_cast<std::int32_t>(i));
    ASSERT_TRUE(mBase->SelectSong_AddNew(selection));
    StoreSnapshot selected = Snapshot();
    ExpectOnlyChanged(added, selected, {"SelectSong"});
    ASSERT_EQ(selected.at("SelectSong").size(), added.at("SelectSong").size() + 1);
    const Row& row = selected.at("SelectSong").back();
    EXPECT_NE(std::find(row.begin(), row.end(), text), row.end());
    EXPECT_EQ(std::count(row.begin(), row.end(), text), 2) << "date and file both as given";
    EXPECT_EQ(mBase->SelectSong_Count(),
              static_cast<std::int32_t>(selected.at("SelectSong").size()));

    // Dates as text: the ranking may change, nothing else.
    EXPECT_TRUE(mBase->Taxis_Build(text, text));
    EXPECT_TRUE(mBase->Taxis_Build("2026-01-01", text));
    ExpectOnlyChanged(selected, Snapshot(), {"SongTaxis"});
  }
  EXPECT_EQ(mBase->DefaultSong_GetAll()->Count(), static_cast<std::int32_t>(texts.size()) + 1);
}

TEST_P(BaseHostileInputTest, ClearFromComparesTheDateAsText) {
  const std::vector<std::string> texts = HostileTexts();
  for (const std::string& text : texts) {
    ASSERT_TRUE(mBase->SelectSong_AddNew(Selection(text, "F.MPG")));
  }
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::string& text = texts[i];
    SCOPED_TRACE("text " + std::to_string(i));
    StoreSnapshot before = Snapshot();
    // Rows whose date part sorts before the given date part go; the others stay as they are.
    const std::string limit = Folded(Utf8Prefix(text, 10));
    Rows kept;
    for (const Row& row : before.at("SelectSong")) {
      const std::string& date = row[3];  // lngSelectSongID, lngRoomID, bytStatus, strDateTime
      if (!(Folded(Utf8Prefix(date, 10)) < limit)) {
        kept.push_back(row);
      }
    }
    mBase->SelectSong_ClearFrom(text);
    StoreSnapshot after = Snapshot();
    ExpectOnlyChanged(before, after, {"SelectSong"});
    EXPECT_EQ(after.at("SelectSong"), kept);
  }
}

// Collects the rooms OnRoomBrowseInfo reports.
class RoomSink final : public BaseEvents {
 public:
  void OnRoomBrowseInfo(RoomInfoStruct& sttRoom, std::int32_t& /*lngRate*/) override {
    mNames.push_back(sttRoom.strRoomName);
  }
  std::vector<std::string> mNames;
};

TEST_P(BaseHostileInputTest, BrowsingAndCaptionLookupTakeTextAsData) {
  const std::vector<std::string> texts = HostileTexts();
  automation::CollectionPtr captions = automation::MakeObject<automation::Collection>();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    RoomInfoStruct room = Room(texts[i], "host " + std::to_string(i));
    ASSERT_GT(mBase->Room_AddNewInfo(room), 0);
    captions->Add(Variant(texts[i]));
  }
  const StoreSnapshot before = Snapshot();
  auto sink = automation::MakeObject<RoomSink>();
  const std::uint32_t cookie = mBase->Advise(sink);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE("text " + std::to_string(i));
    sink->mNames.clear();
    mBase->Room_BrowseInfo(rsmName, Variant(texts[i]));
    EXPECT_EQ(sink->mNames, ExpectedRoomsByPrefix(1, texts[i]));
    sink->mNames.clear();
    mBase->Room_BrowseInfo(rsmStatus, Variant(texts[i]));
    EXPECT_TRUE(sink->mNames.empty());
    EXPECT_EQ(mBase->Room_ReferOrder(captions, Variant(texts[i])),
              static_cast<std::int32_t>(i + 1));
  }
  EXPECT_TRUE(mBase->Unadvise(cookie));
  EXPECT_EQ(before, Snapshot());
}

TEST_P(BaseHostileInputTest, DatabasePathsAndPasswordsAreTakenAsGiven) {
  if (GetParam() != Backend::kFile) {
    GTEST_SKIP() << "about file names";
  }
  // File names cannot hold every text; these are the ones a file system takes.
  const std::vector<std::string> names = {
      "O'Brien's",       "x' OR '1'='1", "semi;colon -- x", "100% _", "\xe6\x88\xbf\xe9\x97\xb4",
      "\xf0\x9f\x8e\xb5"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE("name " + std::to_string(i));
    const std::string path = mDir.File(names[i] + ".db");
    // Hashing a password is slow on purpose; a few of them show the point.
    const std::string password = i < 3 ? names[i] + "\"';--" : std::string();
    vod::CreateRavelinDatabase(path, password);
    BasePtr base = automation::MakeObject<Base>();
    if (!password.empty()) {
      EXPECT_FALSE(base->InitInterface(path, password + "x"));
      EXPECT_FALSE(base->InitInterface(path, ""));
    }
    ASSERT_TRUE(base->InitInterface(path, password));
    RoomInfoStruct room = Room(names[i], "host");
    EXPECT_GT(base->Room_AddNewInfo(room), 0);
    EXPECT_EQ(RoomNames(base->Room_GetAll()), std::vector<std::string>{names[i]});
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, BaseHostileInputTest, ::testing::ValuesIn(test::Backends()),
                         test::BackendName);

}  // namespace
}  // namespace vod::test
