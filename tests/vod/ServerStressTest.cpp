// Many processes on one server store at once: eight log selections while two add, edit, back up
// and restore rooms. Nothing logged is lost, no two rooms share a name or a machine name, and the
// ranking built on the server equals the one a file store builds from the same log. And a reader
// never sees a restore or a ranking rebuild half done. Bounded in time; talks only to the test
// server (RAVELIN_TEST_PG), and skips without one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/automation/Variant.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "tests/vod/ChildProcesses.h"
#include "tests/vod/StoreBackend.h"
#include "tests/vod/VodTestSupport.h"
#include "vod/Base.h"
#include "vod/RavelinSchema.h"

namespace vod::test {
namespace {

using automation::MakeObject;
using automation::Variant;

constexpr int kLoggers = 8;
constexpr int kSelectionsEach = 2000;
constexpr int kRoomEditors = 2;
constexpr int kRoomRounds = 60;
constexpr int kSongs = 40;
constexpr auto kDeadline = std::chrono::seconds(240);

std::string SongFile(int song, int variant) {
  // The same file logged in three letter cases.
  const std::string file = "song" + std::to_string(song) + ".mpg";
  return variant == 0 ? file : variant == 1 ? automation::TextUpper(file) : "Song" + file.substr(4);
}

// A child's work; its result is the exit status (0 when every call succeeded).
int LogSelections(const std::string& store, int logger) {
  BasePtr base = MakeObject<Base>();
  if (!base->InitInterface(store)) {
    return 2;
  }
  std::mt19937 random(static_cast<unsigned>(logger) * 7919u + 1u);
  for (int i = 0; i < kSelectionsEach; ++i) {
    const int song = static_cast<int>(random() % kSongs);
    char when[32];
    std::snprintf(when, sizeof when, "2026-04-%02d %02d:%02d", 1 + static_cast<int>(random() % 9),
                  static_cast<int>(random() % 24), i % 60);
    SelectSongStruct selection{0, logger + 1, 1, when,
                               SongFile(song, static_cast<int>(random() % 3))};
    if (!base->SelectSong_AddNew(selection)) {
      return 3;
    }
  }
  return 0;
}

int EditRooms(const std::string& store, int editor) {
  BasePtr base = MakeObject<Base>();
  if (!base->InitInterface(store)) {
    return 2;
  }
  std::mt19937 random(static_cast<unsigned>(editor) + 17u);
  for (int round = 0; round < kRoomRounds; ++round) {
    // Both editors try the same few names and hosts, in other letter cases.
    const int n = static_cast<int>(random() % 12);
    const std::string name = (editor == 0 ? "Room " : "ROOM ") + std::to_string(n);
    const std::string host = (editor == 0 ? "pc" : "PC") + std::to_string(n);
    RoomInfoStruct room;
    room.strRoomName = name;
    room.strRoomHost = host;
    room.bytRoomStatus = 1;
    const std::int32_t key = base->Room_AddNewInfo(room);
    if (key > 0 && random() % 2 == 0) {
      const int m = static_cast<int>(random() % 12);
      RoomInfoStruct renamed = room;
      renamed.strRoomName = "room " + std::to_string(m);
      renamed.strRoomHost = "Pc" + std::to_string(m);
      base->Room_UpdateInfo(key, renamed);
    }
    if (round % 15 == 14) {
      const std::string backup = "b" + std::to_string(editor) + "_" + std::to_string(round);
      if (!base->Room_CreateBackup(backup)) {
        return 4;
      }
      if (!base->Room_Restore(backup)) {
        return 5;
      }
    }
    if (round % 20 == 19) {
      base->Room_DeleteInfo(key);
    }
  }
  return 0;
}

using Place = std::tuple<std::string, std::string, std::int32_t>;

// The ranking rows in ranking order, files upper-cased (a group may show any of its spellings);
// rows of equal count sorted, since their order is the engine's.
std::vector<Place> Ranking(const dao::DatabasePtr& db) {
  dao::RecordsetPtr rows = db->OpenRecordset("SELECT * FROM SongTaxis", dao::dbOpenSnapshot);
  std::vector<Place> places;
  for (; !rows->IsEOF(); rows->MoveNext()) {
    places.emplace_back(rows->GetField("strSongName").ToString(),
                        automation::TextUpper(rows->GetField("strSongFile").ToString()),
                        rows->GetField("lngClickRate").ToLong());
  }
  for (size_t i = 1; i < places.size(); ++i) {
    EXPECT_GE(std::get<2>(places[i - 1]), std::get<2>(places[i])) << "not most chosen first";
  }
  std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
    return std::get<2>(a) != std::get<2>(b) ? std::get<2>(a) > std::get<2>(b) : a < b;
  });
  return places;
}

TEST(ServerStressTest, ConcurrentLoggersAndRoomEditorsLoseNothingAndMakeNoTwinRooms) {
  if (NoServerFor(Backend::kServer)) {
    GTEST_SKIP() << "RAVELIN_TEST_PG names no test server";
  }
  ScratchStore server(Backend::kServer);
  const std::string store = server.Create();

  ASSERT_NO_FATAL_FAILURE(RunChildren(kLoggers + kRoomEditors, kDeadline, [&](int i) {
    return i < kLoggers ? LogSelections(store, i) : EditRooms(store, i - kLoggers);
  }));

  BasePtr base = MakeObject<Base>();
  ASSERT_TRUE(base->InitInterface(store));
  EXPECT_EQ(base->SelectSong_Count(), kLoggers * kSelectionsEach);
  for (const char* column : {"strroomname", "strroomhost"}) {
    EXPECT_EQ(QueryServer(store, std::string("SELECT upper(") + column +
                                     " COLLATE \"und-x-icu\") FROM room GROUP BY 1 "
                                     "HAVING count(*) > 1"),
              "")
        << "rooms sharing a " << column;
  }

  // The same log and library in a file store build the same ranking.
  dao::DatabasePtr serverDb = base->GetBase()->BaseDatabase();
  for (int song = 0; song < kSongs; ++song) {
    serverDb->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('Song " +
                      std::to_string(song) + "', '" + SongFile(song, 1) + "')");
  }
  ScratchStore file(Backend::kFile);
  BasePtr fileBase = MakeObject<Base>();
  ASSERT_TRUE(fileBase->InitInterface(file.Create()));
  dao::DatabasePtr fileDb = fileBase->GetBase()->BaseDatabase();
  {
    dao::Transaction copy(fileDb);
    for (const char* table : {"Song", "SelectSong"}) {
      dao::RecordsetPtr rows =
          serverDb->OpenRecordset(std::string("SELECT * FROM ") + table, dao::dbOpenSnapshot);
      dao::RecordsetPtr into = fileDb->OpenRecordset(table, dao::dbOpenTable);
      for (; !rows->IsEOF(); rows->MoveNext()) {
        into->AddNew();
        for (std::int32_t f = 1; f < rows->GetFieldCount(); ++f) {  // the key is the file's own
          into->SetField(rows->GetFieldName(f), rows->GetField(rows->GetFieldName(f)));
        }
        into->Update();
      }
    }
    copy.Commit();
  }
  ASSERT_TRUE(base->Taxis_Build("2026-04-02", "2026-04-08"));
  ASSERT_TRUE(fileBase->Taxis_Build("2026-04-02", "2026-04-08"));
  const std::vector<Place> onServer = Ranking(serverDb);
  EXPECT_EQ(onServer.size(), static_cast<size_t>(kSongs));
  EXPECT_EQ(onServer, Ranking(fileDb));
}

// A reader in another process sees the room list and the ranking either as they were or as they
// became, never emptied half-way through a restore or a rebuild.
TEST(ServerStressTest, ReadersNeverSeeARestoreOrARankingRebuildHalfDone) {
  if (NoServerFor(Backend::kServer)) {
    GTEST_SKIP() << "RAVELIN_TEST_PG names no test server";
  }
  ScratchStore server(Backend::kServer);
  const std::string store = server.Create();
  {
    BasePtr base = MakeObject<Base>();
    ASSERT_TRUE(base->InitInterface(store));
    for (int i = 1; i <= 4; ++i) {
      RoomInfoStruct room;
      room.strRoomName = "R" + std::to_string(i);
      room.strRoomHost = "H" + std::to_string(i);
      ASSERT_GT(base->Room_AddNewInfo(room), 0);
      if (i == 3) {
        ASSERT_TRUE(base->Room_CreateBackup("three"));
      }
    }
    ASSERT_TRUE(base->Room_CreateBackup("four"));
    dao::DatabasePtr db = base->GetBase()->BaseDatabase();
    for (int song = 0; song < 3; ++song) {
      db->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('S', '" + SongFile(song, 1) +
                  "')");
    }
    // Two songs chosen on the first, three on the second of April.
    for (int song = 0; song < 3; ++song) {
      SelectSongStruct second{0, 1, 0, "2026-04-02 10:00", SongFile(song, 0)};
      ASSERT_TRUE(base->SelectSong_AddNew(second));
      if (song < 2) {
        SelectSongStruct first{0, 1, 0, "2026-04-01 10:00", SongFile(song, 0)};
        ASSERT_TRUE(base->SelectSong_AddNew(first));
      }
    }
    ASSERT_TRUE(base->Taxis_Build("2026-04-01", "2026-04-01"));
  }

  const pid_t reader = fork();
  ASSERT_GE(reader, 0);
  if (reader == 0) {
    BasePtr base = MakeObject<Base>();
    if (!base->InitInterface(store)) {
      _exit(2);
    }
    for (int read = 0; read < 400; ++read) {
      const std::int32_t rooms = base->Room_GetAll()->Count();
      const std::int32_t logged = base->SelectSong_Count();
      const std::string text = base->Taxis_Text();
      const std::int32_t lines =
          text.empty() ? 0
                       : 1 + static_cast<std::int32_t>(std::count(text.begin(), text.end(), '\n'));
      if ((rooms != 3 && rooms != 4) || (lines != 2 && lines != 3) || logged != 5) {
        _exit(1);
      }
    }
    _exit(0);
  }
  BasePtr base = MakeObject<Base>();
  ASSERT_TRUE(base->InitInterface(store));
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  for (int round = 0; waitpid(reader, &status, WNOHANG) == 0; ++round) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(reader, SIGKILL);
      waitpid(reader, &status, 0);
      FAIL() << "the reader did not finish in time";
    }
    EXPECT_TRUE(base->Room_Restore(round % 2 == 0 ? "three" : "four"));
    EXPECT_TRUE(base->Taxis_Build(round % 2 == 0 ? "2026-04-02" : "2026-04-01",
                                  round % 2 == 0 ? "2026-04-02" : "2026-04-01"));
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the reader saw a half-done restore or rebuild (status " << status << ")";
}

}  // namespace
}  // namespace vod::test
