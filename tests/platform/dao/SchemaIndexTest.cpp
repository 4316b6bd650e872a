// The store's schema must give its statements, as translated, an index to search by: the
// engine's query plan names the index it uses.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "platform/dao/JetSql.h"
#include "platform/dao/Recordset.h"
#include "vod/RavelinSchema.h"

namespace dao {
namespace {

struct Closer {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

class SchemaIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
    mDb.reset(raw);
    const std::string schema(vod::GetRavelinSchemaSql());
    ASSERT_EQ(sqlite3_exec(mDb.get(), schema.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(mDb.get());
  }

  // The query plan of a Jet statement, one detail per line.
  std::string Plan(const std::string& jetSql) {
    JetSqlOptions options;
    options.selectColumns = [](const std::string&) {
      return std::vector<std::string>{"strSongName", "strSongFile", "lngClickRate"};
    };
    const std::string sql = "EXPLAIN QUERY PLAN " + TranslateJetSql(jetSql, options).sql;
    std::string plan;
    auto collect = [](void* out, int, char** values, char**) {
      *static_cast<std::string*>(out) += std::string(values[3] ? values[3] : "") + "\n";
      return 0;
    };
    EXPECT_EQ(sqlite3_exec(mDb.get(), sql.c_str(), collect, &plan, nullptr), SQLITE_OK)
        << sqlite3_errmsg(mDb.get());
    return plan;
  }

  std::unique_ptr<sqlite3, Closer> mDb;
};

TEST_F(SchemaIndexTest, LookupsUseTheirIndexes) {
  const std::string room = Plan("SELECT * FROM Room WHERE strRoomName='a' OR strRoomHost='b'");
  EXPECT_NE(room.find("INDEX RoomName"), std::string::npos) << room;
  EXPECT_NE(room.find("INDEX RoomHost"), std::string::npos) << room;
  EXPECT_NE(Plan("DELETE FROM RoomBackup WHERE strBackupName='b'").find("INDEX RoomBackupName"),
            std::string::npos);
  EXPECT_NE(Plan("SELECT * FROM DefaultSong WHERE strFileName='F.MPG'").find("DefaultSongFile"),
            std::string::npos);
  EXPECT_NE(Plan("DELETE FROM SelectSong WHERE LEFT$(strDateTime,10)<'2024-01-01'")
                .find("INDEX SelectSongDate"),
            std::string::npos);
}

TEST_F(SchemaIndexTest, TheRankingSearchesTheLogByDateAndTheLibraryByFile) {
  const std::string plan = Plan(
      " INSERT INTO SongTaxis\n SELECT Song.strSongName,ABC.strSongFile,ABC.lngClickRate\n"
      " FROM (SELECT SelectSong.strSongFile, Count(selectsong.strSongFile) AS lngClickRate\n"
      " FROM SelectSong\n WHERE LEFT$(SelectSong.strDateTime,10)>='2024-01-01' AND "
      "LEFT$(SelectSong.strDateTime,10)<='2024-01-31'\n GROUP BY selectsong.strSongFile) ABC\n"
      " INNER JOIN Song ON ABC.strSongFile = Song.strSignFile \n Order By ABC.lngClickRate DESC");
  EXPECT_NE(plan.find("INDEX SelectSongDate"), std::string::npos) << plan;
  EXPECT_NE(plan.find("INDEX SongSignFile"), std::string::npos) << plan;
}

// A file written while NOCASE ordered ASCII letters as lower case (the engine's own NOCASE
// still does) has "A_1" before "AA1" in its indexes; today's order puts it after. Opening it
// writable rebuilds those indexes once, so look-ups through them find every row.
TEST(SchemaCaseOrderTest, IndexesOfAnOlderFileAreRebuiltOnOpen) {
  const std::string path = ::testing::TempDir() + "ravelin-case-order.db";
  std::remove(path.c_str());
  vod::CreateRavelinDatabase(path);
  std::vector<std::string> files;
  {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    std::unique_ptr<sqlite3, Closer> db(raw);
    std::string sql = "PRAGMA user_version = 0; BEGIN;";
    for (char first = 'A'; first <= 'Z'; ++first) {
      for (const char* rest : {"_1", "A1", "Z1", "^1", "a2"}) {
        files.push_back(std::string(1, first) + rest + ".MPG");
        sql += "INSERT INTO Song (strSongName, strSignFile) VALUES ('s', '" + files.back() + "');";
      }
    }
    sql += "COMMIT;";
    ASSERT_EQ(sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db.get());
  }
  DatabasePtr store = Database::Open(path);
  for (const std::string& file : files) {
    std::string lower = file;
    for (char& c : lower) {
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    RecordsetPtr found = store->OpenRecordset(
        "SELECT COUNT(*) AS n FROM Song WHERE strSignFile='" + lower + "'", dbOpenSnapshot);
    EXPECT_EQ(found->GetField("n").ToLong(), 1) << file;
  }
  store->Close();
  std::remove(path.c_str());
}

}  // namespace
}  // namespace dao
