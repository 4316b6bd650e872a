#include "platform/dao/Database.h"
#include "vod/RavelinSchema.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <utility>
#include <vector>

#include "platform/automation/AutomationError.h"
#include "tests/platform/dao/DaoTestSupport.h"

namespace dao {
namespace {

using automation::AutomationError;
using test::ErrorOf;

std::int32_t CountRows(const DatabasePtr& db, const std::string& table) {
  RecordsetPtr set = db->OpenRecordset("SELECT COUNT(*) AS n FROM " + table, dbOpenSnapshot);
  return set->GetField("n").ToLong();
}

TEST(DatabaseTest, CreateMakesTheStoreTablesAndRefusesAnExistingFile) {
  test::ScratchDir dir;
  DatabasePtr db = test::MakeStore(dir);
  for (const char* table :
       {"Room", "RoomBackup", "DefaultSong", "SelectSong", "Song", "Singer", "SongTaxis"}) {
    EXPECT_EQ(CountRows(db, table), 0) << table;
  }
  EXPECT_EQ(db->GetName(), dir.File("store.db"));
  EXPECT_EQ(ErrorOf([&] { vod::CreateRavelinDatabase(dir.File("store.db")); }),
            kDaoErrDatabaseExists);
  // A schema that fails leaves no file behind.
  EXPECT_EQ(ErrorOf([&] { Database::Create(dir.File("bad.db"), "", "CREATE TABLE ("); }),
            kDaoErrEngine);
  EXPECT_FALSE(std::filesystem::exists(dir.File("bad.db")));
}

TEST(DatabaseTest, OpenNeverCreatesAndRejectsForeignFiles) {
  test::ScratchDir dir;
  EXPECT_EQ(ErrorOf([&] { Database::Open(dir.File("missing.db")); }), kDaoErrFileNotFound);
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing.db")));
  EXPECT_EQ(ErrorOf([&] { Database::Open(dir.File("")); }), kDaoErrFileNotFound);
  std::ofstream(dir.File("text.db")) << "this is no database, just some text that is long enough";
  EXPECT_EQ(ErrorOf([&] { Database::Open(dir.File("text.db")); }), kDaoErrUnrecognizedFormat);
  // An empty file is no database either, and opening it must not turn it into one.
  std::ofstream(dir.File("empty.db")).close();
  EXPECT_EQ(ErrorOf([&] { Database::Open(dir.File("empty.db")); }), kDaoErrUnrecognizedFormat);
  EXPECT_EQ(std::filesystem::file_size(dir.File("empty.db")), 0u);
  EXPECT_FALSE(std::filesystem::exists(dir.File("empty.db-wal")));
}

TEST(DatabaseTest, APasswordIsCheckedAndAFileWithoutOneOpensWithAny) {
  test::ScratchDir dir;
  vod::CreateRavelinDatabase(dir.File("locked.db"), "s3cret");
  EXPECT_EQ(ErrorOf([&] { Database::Open(dir.File("locked.db")); }), kDaoErrBadPassword);
  EXPECT_EQ(ErrorOf([&] { Database::Open(dir.File("locked.db"), "S3CRET"); }), kDaoErrBadPassword);
  EXPECT_EQ(CountRows(Database::Open(dir.File("locked.db"), "s3cret"), "Room"), 0);

  vod::CreateRavelinDatabase(dir.File("open.db"));
  EXPECT_TRUE(Database::Open(dir.File("open.db"), "anything")->IsOpen());
}

TEST(DatabaseTest, ExecuteRunsOneActionStatementAndReportsEngineErrors) {
  test::ScratchDir dir;
  DatabasePtr db = test::MakeStore(dir);
  db->Execute("INSERT INTO Singer(strSingerName,bytShow) VALUES('a',1)");
  db->Execute("INSERT INTO Singer(strSingerName,bytShow) VALUES('b',0);");
  EXPECT_EQ(db->GetRecordsAffected(), 1);
  db->Execute("UPDATE Singer SET bytShow=1");
  EXPECT_EQ(db->GetRecordsAffected(), 2);

  try {
    db->Execute("DELETE FROM NoSuchTable");
    FAIL() << "no error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.GetNumber(), kDaoErrEngine);
    EXPECT_NE(error.GetDescription().find("NoSuchTable"), std::string::npos);
  }
  // A second statement after a semicolon is refused, not run.
  EXPECT_EQ(ErrorOf([&] { db->Execute("DELETE FROM Singer WHERE 1=0; DELETE FROM Singer"); }),
            kDaoErrEngine);
  EXPECT_EQ(ErrorOf([&] { db->Execute(std::string("DELETE FROM Singer\0 WHERE 1=0", 29)); }),
            kDaoErrEngine);
  EXPECT_EQ(ErrorOf([&] { db->Execute("SELECT * FROM Singer"); }), kDaoErrSelectExecuted);
  EXPECT_EQ(ErrorOf([&] { db->Execute("SELECT * FROM Singer WHERE a='x"); }), kDaoErrSyntax);
  EXPECT_EQ(ErrorOf([&] { db->Execute("INSERT INTO Singer(bytShow) VALUES(256)"); }),
            kDaoErrEngine);
  EXPECT_EQ(CountRows(db, "Singer"), 2);

  db->Close();
  db->Close();
  EXPECT_FALSE(db->IsOpen());
  EXPECT_EQ(ErrorOf([&] { db->Execute("DELETE FROM Singer"); }), kDaoErrObjectClosed);
}

TEST(DatabaseTest, TransactionsNestAndAScopeRollsBackUnlessCommitted) {
  test::ScratchDir dir;
  DatabasePtr db = test::MakeStore(dir);
  {
    Transaction outer(db);
    db->Execute("INSERT INTO Song(strSongName) VALUES('kept')");
    {
      Transaction inner(db);
      db->Execute("INSERT INTO Song(strSongName) VALUES('dropped')");
      EXPECT_EQ(db->GetTransactionDepth(), 2);
    }
    EXPECT_EQ(CountRows(db, "Song"), 1);
    outer.Commit();
  }
  EXPECT_EQ(db->GetTransactionDepth(), 0);
  EXPECT_EQ(CountRows(db, "Song"), 1);
  {
    Transaction scope(db);
    db->Execute("DELETE FROM Song");
  }
  EXPECT_EQ(CountRows(db, "Song"), 1);
  EXPECT_EQ(ErrorOf([&] { db->CommitTrans(); }), kDaoErrNoTransaction);
  EXPECT_EQ(ErrorOf([&] { db->Rollback(); }), kDaoErrNoTransaction);

  // Closing with a transaction open drops what it changed.
  db->BeginTrans();
  db->Execute("DELETE FROM Song");
  db->Close();
  EXPECT_EQ(CountRows(Database::Open(dir.File("store.db")), "Song"), 1);
}

TEST(DatabaseTest, UcaseUpperCasesBeyondAscii) {
  test::ScratchDir dir;
  DatabasePtr db = test::MakeStore(dir);
  db->Execute("INSERT INTO Song(strSongName) VALUES('café ёлка 包厢')");
  db->Execute("INSERT INTO Song(strSongName) VALUES(NULL)");
  RecordsetPtr set = db->OpenRecordset("SELECT UCASE(strSongName) AS u FROM Song", dbOpenSnapshot);
  EXPECT_EQ(set->GetField("u").ToString(), "CAFÉ ЁЛКА 包厢");
  set->MoveNext();
  EXPECT_TRUE(set->GetField("u").IsNull());
  EXPECT_EQ(CountRows(db, "Song WHERE UCASE(strSongName)='CAFÉ ЁЛКА 包厢'"), 1);
}

TEST(DatabaseTest, AStatementThatReturnedSurvivesACrashOfTheProcess) {
  test::ScratchDir dir{test::ScratchDir::ForDeathTest{}};
  test::MakeStore(dir)->Close();
  auto storeThenDie = [&] {
    DatabasePtr db = Database::Open(dir.File("store.db"));
    db->Execute(
        " INSERT INTO SelectSong(strDateTime,lngRoomID,strSongFile,bytStatus) "
        "VALUES('2024-05-01 20:00',1,'A.MPG',0)");
    std::_Exit(7);  // no close, no destructors, no checkpoint
  };
  EXPECT_EXIT(storeThenDie(), ::testing::ExitedWithCode(7), "");
  EXPECT_EQ(CountRows(Database::Open(dir.File("store.db")), "SelectSong"), 1);
}

}  // namespace
TEST(DatabaseTest, GroupsJoinsAndLookUpsIgnoreTheCaseOfEveryScript) {
  test::ScratchDir dir;
  DatabasePtr db = test::MakeStore(dir);
  for (const char* name :
       {"Łódź", "łódź", "ŁÓDŹ", "Straße", "STRASSE", "ő-dal", "Ő-DAL", "_x", "ax"}) {
    db->Execute(std::string("INSERT INTO Song(strSongName) VALUES('") + name + "')");
  }
  EXPECT_EQ(CountRows(db, "Song WHERE strSongName='łÓdŹ'"), 3);
  EXPECT_EQ(CountRows(db, "Song WHERE UCASE(strSongName)='ŁÓDŹ'"), 3);
  EXPECT_EQ(CountRows(db, "Song WHERE strSongName='strasse'"), 2);
  RecordsetPtr distinct =
      db->OpenRecordset("SELECT DISTINCT strSongName FROM Song", dbOpenSnapshot);
  std::int32_t distinctNames = 0;
  for (; !distinct->IsEOF(); distinct->MoveNext()) {
    ++distinctNames;
  }
  EXPECT_EQ(distinctNames, 5);
  RecordsetPtr groups = db->OpenRecordset(
      "SELECT UCASE(strSongName) AS u, COUNT(*) AS n FROM Song GROUP BY strSongName "
      "ORDER BY strSongName",
      dbOpenSnapshot);
  // By the upper-cased forms in code point order: "AX" < "STRASSE" < "_X" < "ŁÓDŹ" < "Ő-DAL".
  std::vector<std::pair<std::string, std::int32_t>> seen;
  for (; !groups->IsEOF(); groups->MoveNext()) {
    seen.emplace_back(groups->GetField("u").ToString(), groups->GetField("n").ToLong());
  }
  const std::vector<std::pair<std::string, std::int32_t>> expected = {
      {"AX", 1}, {"STRASSE", 2}, {"_X", 1}, {"ŁÓDŹ", 3}, {"Ő-DAL", 2}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(CountRows(db, "Song a INNER JOIN Song b ON a.strSongName=b.strSongName"),
            3 * 3 + 2 * 2 + 2 * 2 + 1 + 1);
}

}  // namespace dao
TEST(DatabaseNameTest, ConnectionStringsAreToldFromFilePaths) {
  for (const char* server : {"postgresql://venue@db.example/ravelin", "postgres://localhost/x",
                             "host=/tmp/pg port=5433 dbname=ravelin", " dbname = venue"}) {
    EXPECT_TRUE(dao::Database::IsConnectionString(server)) << server;
  }
  for (const char* file :
       {"store.db", "/tmp/a=b.db", "./a=b.db", "C:\\venue\\store.mdb", "postgresql.db", "", "=x"}) {
    EXPECT_FALSE(dao::Database::IsConnectionString(file)) << file;
  }
}
