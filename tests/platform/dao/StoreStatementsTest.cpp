// Runs the store's statements, built piece by piece as the store builds them, against a real
// database: translated from the Jet dialect, they must give Jet's results.
#include <gtest/gtest.h>

#include "platform/automation/AutomationError.h"
#include "platform/dao/Database.h"
#include "tests/platform/dao/DaoTestSupport.h"
#include "tests/vod/StoreBackend.h"

namespace dao {
namespace {

using automation::Variant;

const std::string LF = "\n";

// A caller's text between single quotes, its own quotes doubled.
std::string Q(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') {
      quoted += '\'';
    }
  }
  return quoted + "'";
}

std::vector<std::string> Column(const DatabasePtr& db, const std::string& sql,
                                const std::string& column) {
  RecordsetPtr set = db->OpenRecordset(sql, dbOpenSnapshot);
  std::vector<std::string> values;
  while (!set->IsEOF()) {
    const Variant value = set->GetField(column);
    values.push_back(value.IsNull() ? "<null>" : value.ToString());
    set->MoveNext();
  }
  set->Close();
  return values;
}

std::int32_t Count(const DatabasePtr& db, const std::string& sql) {
  RecordsetPtr set = db->OpenRecordset(sql, dbOpenSnapshot);
  return set->IsEOF() ? 0 : set->GetField("lngCount").ToLong();
}

using Names = std::vector<std::string>;

// The store's tables in a file or a server database, by the test's parameter.
class StoreStatementsTest : public ::testing::TestWithParam<vod::test::Backend> {
 protected:
  void SetUp() override {
    if (vod::test::NoServerFor(GetParam())) {
      GTEST_SKIP() << "RAVELIN_TEST_PG names no test server";
    }
    mDb = Database::Open(mStore.Create());
  }

  // Room_AddNewInfo's statements: look for the name or host, add when neither is taken.
  std::int32_t AddRoom(const std::string& name, const std::string& host,
                       const std::string& code = "", std::int32_t status = 1) {
    RecordsetPtr set = mDb->OpenRecordset(
        "SELECT * FROM Room WHERE strRoomName=" + Q(name) + " OR strRoomHost=" + Q(host),
        dbOpenDynaset);
    std::int32_t key = 0;
    if (set->IsEOF()) {
      set->AddNew();
      key = set->GetField("lngRoomID").ToLong();
      set->SetField("strRoomName", Variant(name));
      set->SetField("strRoomCode", code.empty() ? Variant::Null() : Variant(code));
      set->SetField("strRoomHost", Variant(host));
      set->SetField("bytRoomStatus", Variant(status));
      set->Update();
    }
    set->Close();
    return key;
  }

  Names Search(const std::string& condition) {
    std::string sql = "SELECT * FROM Room" + LF;
    if (!condition.empty()) {
      sql = sql + " WHERE " + condition;
    }
    return Column(mDb, sql, "strRoomName");
  }

  vod::test::ScratchStore mStore{GetParam()};
  DatabasePtr mDb;
};

TEST_P(StoreStatementsTest, RoomsAreFoundByNameOrHostWithoutRegardToCase) {
  const std::int32_t first = AddRoom("Room1", "Host1");
  EXPECT_EQ(first, 1);
  EXPECT_EQ(AddRoom("ROOM1", "other"), 0);
  EXPECT_EQ(AddRoom("other", "host1"), 0);
  const std::int32_t second = AddRoom("Room2", "Host2");
  EXPECT_EQ(second, 2);

  // Room_UpdateInfo: the first row found decides.
  RecordsetPtr owner =
      mDb->OpenRecordset("SELECT lngRoomID FROM Room WHERE strRoomName=" + Q("room2") +
                             " OR strRoomHost=" + Q("HOST1"),
                         dbOpenDynaset);
  ASSERT_FALSE(owner->IsEOF());
  EXPECT_EQ(owner->GetField("lngRoomID").ToLong(), first);
  owner->Close();
  RecordsetPtr edit =
      mDb->OpenRecordset("SELECT * FROM Room WHERE lngRoomID=" + std::to_string(second), 2);
  edit->Edit();
  edit->SetField("strFloor", Variant("3F"));
  edit->Update();
  edit->Close();
  RecordsetPtr read =
      mDb->OpenRecordset("SELECT * FROM Room WHERE lngRoomID=" + std::to_string(second), 4);
  EXPECT_EQ(read->GetField("strFloor").ToString(), "3F");

  // Room_HaveInfo.
  EXPECT_EQ(
      Column(mDb, "SELECT lngRoomID FROM Room WHERE UCASE(strRoomName)=" + Q("ROOM2"), "lngRoomID"),
      Names{"2"});
  EXPECT_EQ(
      Column(mDb, "SELECT lngRoomID FROM Room WHERE UCASE(strRoomName)=" + Q("ROOM9"), "lngRoomID"),
      Names{});

  // Room_DeleteInfo and Room_ClearAllInfo.
  mDb->Execute("DELETE FROM Room WHERE lngRoomID=" + std::to_string(first));
  EXPECT_EQ(Search(""), Names{"Room2"});
  mDb->Execute("DELETE FROM Room");
  EXPECT_EQ(Search(""), Names{});
}

TEST_P(StoreStatementsTest, TextComparesWithoutRegardToCaseBeyondAscii) {
  EXPECT_GT(AddRoom("Café", "hôte"), 0);
  EXPECT_EQ(AddRoom("CAFÉ", "other"), 0);
  EXPECT_EQ(AddRoom("new", "HÔTE"), 0);
  EXPECT_EQ(Search("LEFT$(Room.strRoomName,4)='CAFÉ'"), Names{"Café"});
  // Grouping, DISTINCT, joining and sorting fold the same letters.
  mDb->Execute("INSERT INTO SelectSong (strDateTime, strSongFile) VALUES ('2024-01-01', 'é.mpg')");
  mDb->Execute("INSERT INTO SelectSong (strDateTime, strSongFile) VALUES ('2024-01-01', 'É.MPG')");
  mDb->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('E', 'É.MPG')");
  EXPECT_EQ(Column(mDb, "SELECT DISTINCT strSongFile FROM SelectSong", "strSongFile").size(), 1u);
  EXPECT_EQ(
      Column(mDb,
             "SELECT Song.strSongName, ABC.n FROM (SELECT strSongFile, Count(strSongFile) AS n"
             " FROM SelectSong GROUP BY strSongFile) ABC INNER JOIN Song ON"
             " ABC.strSongFile = Song.strSignFile",
             "n"),
      Names{"2"});
  // Text sorts by its upper-cased form in code point order: "A" and "B" come before "_".
  mDb->Execute("INSERT INTO RoomBackup (strBackupName) VALUES ('b')");
  mDb->Execute("INSERT INTO RoomBackup (strBackupName) VALUES ('_')");
  mDb->Execute("INSERT INTO RoomBackup (strBackupName) VALUES ('A')");
  EXPECT_EQ(Column(mDb, "SELECT DISTINCT strBackupName FROM RoomBackup ORDER BY strBackupName",
                   "strBackupName"),
            (Names{"A", "b", "_"}));
}

TEST_P(StoreStatementsTest, RoomSearchConditionsMatchStartsWithoutRegardToCase) {
  AddRoom("b1", "h-b1", "C10", 1);
  AddRoom("A2", "h-a2", "", 2);  // Null code
  AddRoom("a3", "H-A3", "c11", 1);
  AddRoom("包厢一", "pc1", "", 0);
  mDb->Execute("UPDATE Room SET strRoomCode='' WHERE strRoomName='b1'");  // "" is not Null

  EXPECT_EQ(Search(""), (Names{"b1", "A2", "a3", "包厢一"}));  // append order
  EXPECT_EQ(Search("LEFT$(Room.strRoomName,1)=" + Q("a")), (Names{"A2", "a3"}));
  EXPECT_EQ(Search("LEFT$(Room.strRoomName,2)=" + Q("包厢")), (Names{"包厢一"}));
  EXPECT_EQ(Search("IsNull(Room.strRoomCode)"), (Names{"A2", "包厢一"}));
  EXPECT_EQ(Search("LEFT$(Room.strRoomCode,3)=" + Q("C11")), (Names{"a3"}));
  EXPECT_EQ(Search("LEFT$(Room.strRoomHost,3)=" + Q("h-A")), (Names{"A2", "a3"}));
  EXPECT_EQ(Search("Room.bytRoomStatus=1"), (Names{"b1", "a3"}));
  // A hostile value, its quotes doubled, stays one text.
  EXPECT_EQ(Search("LEFT$(Room.strRoomName,8)=" + Q("x' OR '1")), Names{});
}

TEST_P(StoreStatementsTest, BackupsCopyRestoreListAndDeleteTheRoomList) {
  AddRoom("r1", "h1", "c1", 2);
  AddRoom("r2", "h2", "", 1);
  mDb->Execute("UPDATE Room SET strUseTime='2h', lngFinityTime=5, strMac='AA', strFloor='F'");
  auto backup = [&](const std::string& name) {
    mDb->Execute("INSERT INTO RoomBackup SELECT " + Q(name) + " AS strBackupName, " +
                 "strRoomName, strRoomHost, strRoomCode, bytRoomStatus, strRoomIP, strMac," +
                 " strFloor From Room ");
  };
  backup("night");
  backup("night");
  backup("O'Brien");
  backup("Day");
  EXPECT_EQ(Column(mDb, "SELECT * FROM RoomBackup", "strBackupName"),
            (Names{"night", "night", "night", "night", "O'Brien", "O'Brien", "Day", "Day"}));
  EXPECT_EQ(Column(mDb, "SELECT * FROM RoomBackup", "strRoomCode"),
            (Names{"c1", "<null>", "c1", "<null>", "c1", "<null>", "c1", "<null>"}));

  // Room_HaveBackup and Room_ReferBackup.
  EXPECT_EQ(
      Column(mDb, "SELECT lngBackupID FROM RoomBackup WHERE UCASE(strBackupName)=" + Q("NIGHT"),
             "lngBackupID")
          .front(),
      "1");
  RecordsetPtr names = mDb->OpenRecordset(
      "SELECT DISTINCT strBackupName FROM RoomBackup ORDER BY strBackupName", dbOpenDynaset);
  Names listed;
  while (!names->IsEOF()) {
    listed.push_back(names->GetField("strBackupName").ToString());
    names->MoveNext();
  }
  names->Close();
  EXPECT_EQ(listed, (Names{"Day", "night", "O'Brien"}));

  // Room_Restore: rooms come back twice, with new keys and the defaults for what is not kept.
  auto restore = [&](const std::string& name) {
    mDb->Execute("DELETE FROM Room");
    mDb->Execute(
        "INSERT INTO Room SELECT  strRoomName, strRoomHost, strRoomCode, bytRoomStatus, "
        "strRoomIP, strMac," +
        std::string(" strFloor From RoomBackup WHERE strBackupName=") + Q(name));
  };
  restore("NIGHT");
  EXPECT_EQ(Search(""), (Names{"r1", "r2", "r1", "r2"}));
  EXPECT_EQ(Column(mDb, "SELECT * FROM Room", "lngRoomID"), (Names{"3", "4", "5", "6"}));
  EXPECT_EQ(Column(mDb, "SELECT * FROM Room", "strUseTime"), Names(4, "<null>"));
  EXPECT_EQ(Column(mDb, "SELECT * FROM Room", "lngFinityTime"), Names(4, "0"));
  EXPECT_EQ(Column(mDb, "SELECT * FROM Room", "bytRoomStatus"), (Names{"2", "1", "2", "1"}));
  EXPECT_EQ(Column(mDb, "SELECT * FROM Room", "strMac"), Names(4, "AA"));
  restore("O'Brien");
  EXPECT_EQ(Search(""), (Names{"r1", "r2"}));
  restore("nothing");
  EXPECT_EQ(Search(""), Names{});

  // Room_DelBackup.
  mDb->Execute("DELETE FROM RoomBackup WHERE strBackupName=" + Q("night"));
  EXPECT_EQ(Column(mDb, "SELECT * FROM RoomBackup", "strBackupName"),
            (Names{"O'Brien", "O'Brien", "Day", "Day"}));
}

TEST_P(StoreStatementsTest, DefaultSongsAndCounts) {
  auto addDefault = [&](const std::string& name, const std::string& file) {
    RecordsetPtr set =
        mDb->OpenRecordset("SELECT * FROM DefaultSong WHERE strFileName=" + Q(file), dbOpenDynaset);
    std::int32_t key = 0;
    if (set->IsEOF()) {
      set->AddNew();
      key = set->GetField("lngDefaultSongID").ToLong();
      set->SetField("strSongName", Variant(name));
      set->SetField("strFileName", Variant(file));
      set->Update();
    }
    set->Close();
    return key;
  };
  EXPECT_EQ(addDefault("One", "ONE.MPG"), 1);
  EXPECT_EQ(addDefault("One again", "one.mpg"), 0);
  EXPECT_EQ(addDefault("Two", "TWO.MPG"), 2);
  EXPECT_EQ(Column(mDb, "SELECT * FROM DefaultSong" + LF, "strSongName"), (Names{"One", "Two"}));
  mDb->Execute("DELETE FROM DefaultSong WHERE lngDefaultSongID=1");
  EXPECT_EQ(Column(mDb, "SELECT * FROM DefaultSong" + LF, "strSongName"), (Names{"Two"}));
  mDb->Execute("DELETE FROM DefaultSong");
  EXPECT_EQ(Column(mDb, "SELECT * FROM DefaultSong" + LF, "strSongName"), Names{});

  mDb->Execute("INSERT INTO Singer(strSingerName,bytShow) VALUES('a',0)");
  mDb->Execute("INSERT INTO Singer(strSingerName,bytShow) VALUES('b',1)");
  mDb->Execute("INSERT INTO Singer(strSingerName,bytShow) VALUES('c',1)");
  const std::string singers = "SELECT COUNT(*) AS lngCount FROM Singer";
  EXPECT_EQ(Count(mDb, singers), 3);
  EXPECT_EQ(Count(mDb, singers + " WHERE bytShow=0"), 1);
  EXPECT_EQ(Count(mDb, singers + " WHERE bytShow=1"), 2);
  EXPECT_EQ(Count(mDb, "SELECT COUNT(*) AS lngCount FROM Song"), 0);
  EXPECT_EQ(Count(mDb, "SELECT COUNT(*) AS lngCount FROM SelectSong"), 0);
}

TEST_P(StoreStatementsTest, SelectionLogIsAppendedCountedAndCutByDate) {
  auto select = [&](const std::string& when, std::int32_t room, const std::string& file) {
    mDb->Execute(" INSERT INTO SelectSong(strDateTime,lngRoomID,strSongFile,bytStatus)" +
                 std::string(" VALUES(") + Q(when) + "," + std::to_string(room) + "," + Q(file) +
                 "," + std::to_string(0) + ")");
  };
  select("2024-03-01 23:59", 1, "a.mpg");
  select("2024-03-02", 2, "it's.mpg");
  select("2024-03-02 10:00", 2, "B.MPG");
  select("2024-03-03 00:00", 1, "a.mpg");
  EXPECT_EQ(Column(mDb, "SELECT * FROM SelectSong", "strSongFile"),
            (Names{"a.mpg", "it's.mpg", "B.MPG", "a.mpg"}));  // stored as given
  const std::string count = "SELECT COUNT(*) AS lngCount FROM SelectSong";
  EXPECT_EQ(Count(mDb, count), 4);

  mDb->Execute("DELETE FROM SelectSong WHERE LEFT$(strDateTime,10)<" + Q("2024-03-02"));
  EXPECT_EQ(Column(mDb, "SELECT * FROM SelectSong", "strDateTime"),
            (Names{"2024-03-02", "2024-03-02 10:00", "2024-03-03 00:00"}));
  mDb->Execute("DELETE FROM SelectSong");
  EXPECT_EQ(Count(mDb, count), 0);
}

TEST_P(StoreStatementsTest, RankingIsBuiltInOneStatementMostChosenFirst) {
  for (auto [name, file] :
       std::vector<std::pair<const char*, const char*>>{{"Song One", "ONE.MPG"},
                                                        {"Song Two", "TWO.MPG"},
                                                        {"Song Three", "D:\\MUSIC\\THREE.MPG"},
                                                        {"Two (live)", "two.mpg"}}) {
    mDb->Execute("INSERT INTO Song(strSongName,strSignFile) VALUES(" + Q(name) + "," + Q(file) +
                 ")");
  }
  auto select = [&](const std::string& when, const std::string& file) {
    mDb->Execute(" INSERT INTO SelectSong(strDateTime,lngRoomID,strSongFile,bytStatus)" +
                 std::string(" VALUES(") + Q(when) + ",1," + Q(file) + ",0)");
  };
  select("2024-01-01 09:00", "one.mpg");  // on the begin date
  select("2024-01-05", "ONE.MPG");
  select("2024-01-10 23:59", "One.Mpg");  // on the end date
  select("2024-01-11 00:00", "ONE.MPG");  // the day after
  select("2023-12-31 23:59", "ONE.MPG");  // the day before
  select("2024-01-03", "TWO.MPG");
  select("2024-01-04", "d:\\music\\three.mpg");
  select("2024-01-04", "D:\\MUSIC\\THREE.MPG");
  select("2024-01-06", "MISSING.MPG");

  auto build = [&](const std::string& begin, const std::string& end) {
    mDb->Execute("DELETE FROM SongTaxis");
    const std::string sql =
        " INSERT INTO SongTaxis" + LF +
        " SELECT Song.strSongName,ABC.strSongFile,ABC.lngClickRate" + LF +
        " FROM (SELECT SelectSong.strSongFile, Count(selectsong.strSongFile) AS lngClickRate" + LF +
        " FROM SelectSong" + LF + " WHERE LEFT$(SelectSong.strDateTime,10)>='" +
        begin.substr(0, 10) + "' AND LEFT$(SelectSong.strDateTime,10)<='" + end.substr(0, 10) +
        "'" + LF + " GROUP BY selectsong.strSongFile) ABC" + LF +
        " INNER JOIN Song ON ABC.strSongFile = Song.strSignFile " + LF +
        " Order By ABC.lngClickRate DESC";
    mDb->Execute(sql);
  };
  build("2024-01-01", "2024-01-10 12:00");
  const std::string taxis = "SELECT * FROM SongTaxis" + LF;
  EXPECT_EQ(Column(mDb, taxis, "lngClickRate"), (Names{"3", "2", "1", "1"}));
  const Names names = Column(mDb, taxis, "strSongName");
  EXPECT_EQ(names[0], "Song One");
  EXPECT_EQ(names[1], "Song Three");
  // TWO.MPG matches two library songs (file names compare without regard to case).
  EXPECT_EQ(Names(names.begin() + 2, names.end()), (Names{"Song Two", "Two (live)"}));
  const Names keys = Column(mDb, taxis, "lngSongTaxisID");
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end())) << "keys follow the ranking";

  mDb->Execute("DELETE FROM SongTaxis WHERE lngSongTaxisID=" + keys.front());
  EXPECT_EQ(Column(mDb, taxis, "lngClickRate"), (Names{"2", "1", "1"}));

  build("2024-01-10", "2024-01-01");  // begin after end
  EXPECT_EQ(Column(mDb, taxis, "lngClickRate"), Names{});
}

INSTANTIATE_TEST_SUITE_P(Backends, StoreStatementsTest, ::testing::ValuesIn(vod::test::Backends()),
                         vod::test::BackendName);

}  // namespace
}  // namespace dao
