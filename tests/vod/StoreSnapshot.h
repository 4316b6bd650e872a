// Test helpers for the store's reliability tests: a copy of every row of every table, to show
// that an operation changed exactly what it should and nothing else, and a store fixture with
// a few rows in each table. One per test; used on the test's thread only.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/automation/Collection.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "tests/vod/StoreBackend.h"
#include "tests/vod/VodTestSupport.h"
#include "vod/Base.h"
#include "vod/RavelinSchema.h"

namespace vod::test {

using Row = std::vector<std::string>;
using Rows = std::vector<Row>;
// Table name to its rows in key order; each row is its columns as text, Null as "<null>".
using StoreSnapshot = std::map<std::string, Rows>;

inline const std::vector<std::string>& StoreTables() {
  static const std::vector<std::string> tables = {"Room", "RoomBackup", "DefaultSong", "SelectSong",
                                                  "Song", "Singer",     "SongTaxis"};
  return tables;
}

inline Rows ReadRows(const dao::DatabasePtr& db, const std::string& sql) {
  dao::RecordsetPtr set = db->OpenRecordset(sql, dao::dbOpenSnapshot);
  Rows rows;
  while (!set->IsEOF()) {
    Row row;
    for (std::int32_t i = 0; i < set->GetFieldCount(); ++i) {
      const automation::Variant value = set->GetField(set->GetFieldName(i));
      row.push_back(value.IsNull() ? "<null>" : value.ToString());
    }
    rows.push_back(std::move(row));
    set->MoveNext();
  }
  set->Close();
  return rows;
}

// Every table, each ordered by its key (the first column).
inline StoreSnapshot TakeSnapshot(const dao::DatabasePtr& db) {
  StoreSnapshot snapshot;
  for (const std::string& table : StoreTables()) {
    snapshot[table] = ReadRows(db, "SELECT * FROM " + table + " ORDER BY 1");
  }
  return snapshot;
}

// A store (file or server database, by the test's Backend) with two rooms, a backup of them named
// "keep", a default song, two selections, two songs and two singers, and a Base whose link has it
// open.
class ReliabilityStoreTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (test::NoServerFor(GetParam())) {
      GTEST_SKIP() << "RAVELIN_TEST_PG names no test server";
    }
    mPath = mStore.Create();
    mBase = automation::MakeObject<Base>();
    ASSERT_TRUE(mBase->GetBase()) << "the connection component is not registered";
    ASSERT_TRUE(mBase->InitInterface(mPath));

    RoomInfoStruct first = Room("Sentinel A", "host-a");
    RoomInfoStruct second = Room("Sentinel B", "host-b");
    ASSERT_GT(mBase->Room_AddNewInfo(first), 0);
    ASSERT_GT(mBase->Room_AddNewInfo(second), 0);
    ASSERT_TRUE(mBase->Room_CreateBackup("keep"));
    DefaultSongStruct song;
    song.strSongName = "Sentinel song";
    song.strFileName = "SENTINEL.MPG";
    ASSERT_GT(mBase->DefaultSong_AddNew(song), 0);
    ASSERT_TRUE(mBase->SelectSong_AddNew(Selection("2026-01-01 10:00", "SENTINEL.MPG")));
    ASSERT_TRUE(mBase->SelectSong_AddNew(Selection("2026-02-01 11:00", "OTHER.MPG")));
    Db()->Execute(
        "INSERT INTO Song (strSongName, strSignFile) VALUES ('Sentinel', 'SENTINEL.MPG')");
    Db()->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('Other', 'OTHER.MPG')");
    Db()->Execute("INSERT INTO Singer (strSingerName, bytShow) VALUES ('Singer A', 0)");
    Db()->Execute("INSERT INTO Singer (strSingerName, bytShow) VALUES ('Singer B', 1)");
  }

  static RoomInfoStruct Room(const std::string& name, const std::string& host,
                             std::uint8_t status = rsNormalUse) {
    RoomInfoStruct room;
    room.strRoomName = name;
    room.strRoomHost = host;
    room.bytRoomStatus = status;
    return room;
  }

  static SelectSongStruct Selection(const std::string& when, const std::string& file,
                                    std::int32_t room = 1) {
    SelectSongStruct selection;
    selection.strDateTime = when;
    selection.strSongFile = file;
    selection.lngRoomID = room;
    selection.bytStatus = 1;
    return selection;
  }

  // Closes the store in this process: a child forked afterwards must not inherit an open
  // connection, which the engine does not allow to cross a fork.
  void CloseStore() { mBase.Reset(); }
  void ReopenStore() {
    mBase = automation::MakeObject<Base>();
    ASSERT_TRUE(mBase->InitInterface(mPath));
  }

  dao::DatabasePtr Db() const { return mBase->GetBase()->BaseDatabase(); }
  StoreSnapshot Snapshot() const { return TakeSnapshot(Db()); }

  std::vector<std::string> RoomNames(const automation::CollectionPtr& rooms) const {
    std::vector<std::string> names;
    for (std::int32_t i = 1; rooms && i <= rooms->Count(); ++i) {
      names.push_back(rooms->Item(automation::Variant(i)).GetRecord<RoomInfoStruct>().strRoomName);
    }
    return names;
  }

  ScratchStore mStore{GetParam()};
  const TempDir& mDir = mStore.Dir();
  std::string mPath;
  BasePtr mBase;
};

}  // namespace vod::test
