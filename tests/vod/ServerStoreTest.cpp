// The store on a PostgreSQL server, for what a server adds to the file: logging in with the
// password, refusing what is not a store, text that is case-blind by its ICU upper case exactly
// as on a file, and look-ups that use the store's indexes. Skips when RAVELIN_TEST_PG is unset.
#include <gtest/gtest.h>

#include <unistd.h>
#include <tuple>
#include <vector>

#include "platform/automation/AutomationError.h"
#include "platform/automation/Collection.h"
#include "platform/automation/Variant.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "platform/dao/JetSql.h"
#include "tests/vod/StoreBackend.h"
#include "tests/vod/VodTestSupport.h"
#include "vod/Base.h"
#include "vod/RavelinSchema.h"

namespace vod::test {
namespace {

using automation::MakeObject;
using automation::Variant;

RoomInfoStruct MakeRoom(const std::string& name, const std::string& host) {
  RoomInfoStruct room;
  room.strRoomName = name;
  room.strRoomHost = host;
  room.bytRoomStatus = 1;
  return room;
}

std::vector<std::string> Strings(const automation::CollectionPtr& items) {
  std::vector<std::string> texts;
  for (std::int32_t i = 1; items && i <= items->Count(); ++i) {
    texts.push_back(items->Item(Variant(i)).ToString());
  }
  return texts;
}

class ServerStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (NoServerFor(Backend::kServer)) {
      GTEST_SKIP() << "RAVELIN_TEST_PG names no test server";
    }
  }

  static BasePtr Open(const std::string& location, const std::string& password = {}) {
    BasePtr base = MakeObject<Base>();
    EXPECT_TRUE(base->InitInterface(location, password)) << base->GetBase()->GetLastError();
    return base;
  }

  static std::string TableNames(const std::string& connection) {
    return QueryServer(connection,
                       "SELECT string_agg(tablename, ',' ORDER BY tablename) FROM pg_tables "
                       "WHERE schemaname = current_schema()");
  }
};

TEST_F(ServerStoreTest, InitInterfaceLogsInWithItsPasswordAndFailsOnAWrongOne) {
  const std::string role = "ravelin_login_" + std::to_string(getpid());
  {
    ScratchStore server(Backend::kServer);
    const std::string store = server.Create();
    RunOnServer("CREATE ROLE " + role + " LOGIN PASSWORD 'pa''ss word'");
    QueryServer(store, "GRANT ALL ON ALL TABLES IN SCHEMA public TO " + role +
                           "; GRANT ALL ON ALL SEQUENCES IN SCHEMA public TO " + role);
    const std::string asRole = store + " user=" + role;

    BasePtr base = MakeObject<Base>();
    EXPECT_FALSE(base->InitInterface(asRole, "pa'ss wordx"));
    EXPECT_FALSE(base->InitInterface(asRole, ""));
    ASSERT_TRUE(base->InitInterface(asRole, "pa'ss word"));
    RoomInfoStruct room = MakeRoom("R1", "H1");
    EXPECT_GT(base->Room_AddNewInfo(room), 0);
    base.Reset();
  }
  RunOnServer("DROP ROLE " + role);
}

TEST_F(ServerStoreTest, UnreachableServerOrDatabaseWithoutTablesFailsAndCreatesNothing) {
  BasePtr base = MakeObject<Base>();
  EXPECT_FALSE(base->InitInterface("host=127.0.0.1 port=1 dbname=none connect_timeout=5"));
  EXPECT_FALSE(base->InitInterface("postgresql://127.0.0.1:1/none?connect_timeout=5"));

  ScratchStore server(Backend::kServer);
  const std::string empty = server.Location();
  EXPECT_FALSE(base->InitInterface(empty));
  EXPECT_EQ(TableNames(empty), "<null>\n");
  EXPECT_FALSE(base->GetBase()->IsOpen());
}

TEST_F(ServerStoreTest, MakingAStoreRefusesADatabaseThatHoldsTables) {
  ScratchStore server(Backend::kServer);
  const std::string store = server.Create();
  EXPECT_EQ(ErrorOf([&] { CreateRavelinDatabase(store); }), dao::kDaoErrDatabaseExists);

  const std::string other = server.Location();
  QueryServer(other, "CREATE TABLE Foreign_Data (a integer)");
  EXPECT_EQ(ErrorOf([&] { CreateRavelinDatabase(other); }), dao::kDaoErrDatabaseExists);
  EXPECT_EQ(TableNames(other), "foreign_data\n");
  // A database with tables of its own opens, as a foreign file does; the store's members
  // then fail as on such a file.
  BasePtr base = Open(other);
  EXPECT_EQ(base->Song_Count(), 0);
}

// Text is one text without regard to case when the ICU full upper-case mappings are equal, and
// sorts by those upper-cased forms in code point order, on the file and on the server alike.
TEST_F(ServerStoreTest, TextComparesAndSortsByItsIcuUpperCaseOnBothBackends) {
  ScratchStore file(Backend::kFile);
  ScratchStore server(Backend::kServer);
  std::vector<std::vector<std::string>> backups;
  for (const std::string& store : {file.Create(), server.Create()}) {
    SCOPED_TRACE(store);
    BasePtr base = Open(store);
    RoomInfoStruct room = MakeRoom("Straße", "h1");
    const std::int32_t strasse = base->Room_AddNewInfo(room);
    ASSERT_GT(strasse, 0);
    room = MakeRoom("STRASSE", "h2");  // ß upper-cases to SS
    EXPECT_EQ(base->Room_AddNewInfo(room), 0);
    room = MakeRoom("éclair", "H3");
    ASSERT_GT(base->Room_AddNewInfo(room), 0);
    room = MakeRoom("Other", "h3");
    EXPECT_EQ(base->Room_AddNewInfo(room), 0);
    EXPECT_EQ(base->Room_HaveInfo("strasse"), strasse);
    EXPECT_GT(base->Room_HaveInfo("ÉCLAIR"), 0);
    for (const char* name : {"b", "_x", "A", "Éa", "éclair"}) {
      ASSERT_TRUE(base->Room_CreateBackup(name));
    }
    ASSERT_TRUE(base->Room_CreateBackup("ÉCLAIR"));  // the same name as éclair
    backups.push_back(Strings(base->Room_ReferBackup()));
  }
  // "A" 41, "B" 42, "_X" 5F, then "ÉA" and "ÉCLAIR" (C3 89 ...).
  const std::vector<std::string> expected = {"A", "b", "_x", "Éa", "éclair"};
  EXPECT_EQ(backups[0], expected);
  ASSERT_EQ(backups[1].size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(automation::TextUpper(backups[1][i]), automation::TextUpper(expected[i]));
  }
}

TEST_F(ServerStoreTest, RankingOfFilesLoggedInMixedCaseIsTheSameOnBothBackends) {
  ScratchStore file(Backend::kFile);
  ScratchStore server(Backend::kServer);
  using Place = std::tuple<std::string, std::string, std::int32_t>;
  std::vector<std::vector<Place>> rankings;
  for (const std::string& store : {file.Create(), server.Create()}) {
    SCOPED_TRACE(store);
    BasePtr base = Open(store);
    dao::DatabasePtr db = base->GetBase()->BaseDatabase();
    db->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('One', 'one.mpg')");
    db->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('Street', 'STRASSE.MPG')");
    db->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('Cake', 'CAFÉ.MPG')");
    const std::vector<std::pair<std::string, std::string>> log = {
        {"2026-03-01 10:00", "one.MPG"},    {"2026-03-01 11:00", "ONE.mpg"},
        {"2026-03-02 09:00", "One.Mpg"},    {"2026-03-03 20:00", "one.mpg"},
        {"2026-03-02 21:00", "straße.mpg"}, {"2026-03-03 22:00", "STRASSE.mpg"},
        {"2026-03-03 23:00", "café.mpg"},   {"2026-03-04 00:00", "one.mpg"},
        {"2026-02-28 23:59", "café.mpg"}};
    for (const auto& [when, song] : log) {
      SelectSongStruct selection{0, 1, 0, when, song};
      ASSERT_TRUE(base->SelectSong_AddNew(selection));
    }
    ASSERT_TRUE(base->Taxis_Build("2026-03-01", "2026-03-03"));
    dao::RecordsetPtr rows = db->OpenRecordset("SELECT * FROM SongTaxis", dao::dbOpenSnapshot);
    std::vector<Place> ranking;
    for (; !rows->IsEOF(); rows->MoveNext()) {
      ranking.emplace_back(rows->GetField("strSongName").ToString(),
                           automation::TextUpper(rows->GetField("strSongFile").ToString()),
                           rows->GetField("lngClickRate").ToLong());
    }
    rankings.push_back(ranking);
  }
  const std::vector<Place> expected = {
      {"One", "ONE.MPG", 4}, {"Street", "STRASSE.MPG", 2}, {"Cake", "CAFÉ.MPG", 1}};
  EXPECT_EQ(rankings[0], expected);
  EXPECT_EQ(rankings[1], expected);
}

// The server's plan for a statement, as the translator writes it for this store.
std::string Plan(const std::string& store, const std::string& jetSql) {
  dao::JetSqlOptions options;
  options.dialect = dao::JetSqlDialect::kPostgres;
  options.isTextColumn = [](const std::string& column) {
    return column.size() > 3 && automation::TextUpper(column.substr(0, 3)) == "STR";
  };
  options.selectColumns = [](const std::string&) {
    return std::vector<std::string>{"strSongName", "strSongFile", "lngClickRate"};
  };
  // Without rows the planner would rather read the tables whole; what counts here is that the
  // indexes fit the statements.
  return QueryServer(
      store, "SET enable_seqscan = off; EXPLAIN " + dao::TranslateJetSql(jetSql, options).sql);
}

TEST_F(ServerStoreTest, RoomLookUpsAndTheRankingUseTheStoresIndexes) {
  ScratchStore server(Backend::kServer);
  const std::string store = server.Create();
  const std::string add =
      Plan(store, "SELECT * FROM Room WHERE strRoomName='Room 1' OR strRoomHost='pc1'");
  EXPECT_NE(add.find("Index Scan on roomname"), std::string::npos) << add;
  EXPECT_NE(add.find("Index Scan on roomhost"), std::string::npos) << add;
  const std::string have =
      Plan(store, "SELECT lngRoomID FROM Room WHERE UCASE(strRoomName)='ROOM1'");
  EXPECT_NE(have.find("roomname"), std::string::npos) << have;
  const std::string backup =
      Plan(store, "SELECT lngBackupID FROM RoomBackup WHERE UCASE(strBackupName)='EVENING'");
  EXPECT_NE(backup.find("roombackupname"), std::string::npos) << backup;
  const std::string ranking = Plan(
      store,
      " INSERT INTO SongTaxis\n SELECT Song.strSongName,ABC.strSongFile,ABC.lngClickRate\n"
      " FROM (SELECT SelectSong.strSongFile, Count(selectsong.strSongFile) AS lngClickRate\n"
      " FROM SelectSong\n WHERE LEFT$(SelectSong.strDateTime,10)>='2026-01-01' AND "
      "LEFT$(SelectSong.strDateTime,10)<='2026-01-31'\n GROUP BY selectsong.strSongFile) ABC\n"
      " INNER JOIN Song ON ABC.strSongFile = Song.strSignFile \n Order By ABC.lngClickRate DESC");
  EXPECT_NE(ranking.find("selectsongdate"), std::string::npos) << ranking;
  EXPECT_NE(ranking.find("songsignfile"), std::string::npos) << ranking;
}

}  // namespace
}  // namespace vod::test
