// A host that runs for days on a server store: its connection ended by the administrator, the
// server restarted overnight, the server process stopped so that nothing answers. Each is noticed
// (3151, IsOpen False) within the timeouts, and the next call works without a new InitInterface.
// These tests stop, restart and signal the test server (RAVELIN_TEST_PG, started by
// scripts/pg-server.sh), so CTest runs them alone; they skip without a server.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "platform/automation/AutomationError.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "tests/vod/StoreBackend.h"
#include "tests/vod/VodTestSupport.h"
#include "vod/Base.h"

namespace vod::test {
namespace {

using automation::MakeObject;
using Clock = std::chrono::steady_clock;

// A statement timeout short enough for a test: the calls wait that long plus a few seconds.
constexpr const char* kShortTimeout = " options='-c statement_timeout=2s'";
constexpr auto kShortWaitBound = std::chrono::seconds(15);

class ServerConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (NoServerFor(Backend::kServer)) {
      GTEST_SKIP() << "RAVELIN_TEST_PG names no test server";
    }
    mStore = mServer.Create();
  }

  void TearDown() override { Resume(); }

  // The server process that serves `db`'s connection.
  static pid_t BackendOf(const dao::DatabasePtr& db) {
    dao::RecordsetPtr pid =
        db->OpenRecordset("SELECT pg_backend_pid() AS pid", dao::dbOpenSnapshot);
    return static_cast<pid_t>(pid->GetField("pid").ToLong());
  }

  // Stops that process, and lets it go on after `after` whatever the test does meanwhile, so a
  // call that never gives up fails the test instead of hanging it.
  void Stop(pid_t backend, std::chrono::seconds after) {
    ASSERT_EQ(kill(backend, SIGSTOP), 0);
    mStopped = backend;
    mResumed = false;
    mWatchdog = std::thread([this, backend, after] {
      const auto until = Clock::now() + after;
      while (!mResumed && Clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      kill(backend, SIGCONT);
    });
  }

  void Resume() {
    mResumed = true;
    if (mWatchdog.joinable()) {
      mWatchdog.join();
    }
    mStopped = 0;
  }

  // Ends the connection of `db` as an administrator does, and waits until its process is gone,
  // as it is by the time an idle host makes its next call.
  void Terminate(const dao::DatabasePtr& db) {
    const std::string pid = std::to_string(BackendOf(db));
    QueryServer(mStore, "SELECT pg_terminate_backend(" + pid + ")");
    for (int i = 0; i < 200 && QueryServer(mStore,
                                           "SELECT count(*) FROM pg_stat_activity "
                                           "WHERE pid = " +
                                               pid) != "0\n";
         ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  static void AddSongs(const dao::DatabasePtr& db) {
    db->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('One', 'ONE.MPG')");
    db->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('Two', 'TWO.MPG')");
  }

  ScratchStore mServer{Backend::kServer};
  std::string mStore;
  pid_t mStopped = 0;
  std::atomic<bool> mResumed{false};
  std::thread mWatchdog;

 public:
  ~ServerConnectionTest() override { Resume(); }
};

TEST_F(ServerConnectionTest, AConnectionTheAdministratorEndsIsReplacedOnTheNextCall) {
  BasePtr base = MakeObject<Base>();
  ASSERT_TRUE(base->InitInterface(mStore));
  dao::DatabasePtr db = base->GetBase()->BaseDatabase();
  AddSongs(db);
  Terminate(db);
  EXPECT_EQ(base->Song_Count(), 2);
  EXPECT_TRUE(base->GetBase()->IsOpen());

  // Inside a transaction the work is gone: the calls say so until the rollback, which ends it.
  db->BeginTrans();
  db->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('Three', 'THREE.MPG')");
  Terminate(db);
  EXPECT_EQ(ErrorOf([&] { db->Execute("DELETE FROM Song WHERE strSongName = 'One'"); }),
            dao::kDaoErrConnectionLost);
  EXPECT_FALSE(db->IsOpen());
  EXPECT_FALSE(base->GetBase()->IsOpen());
  EXPECT_EQ(ErrorOf([&] { db->CommitTrans(); }), dao::kDaoErrConnectionLost);
  EXPECT_NO_THROW(db->Rollback());
  EXPECT_EQ(db->GetTransactionDepth(), 0);
  EXPECT_EQ(base->Song_Count(), 2);
  EXPECT_TRUE(db->IsOpen());
}

TEST_F(ServerConnectionTest, AServerRestartLeavesTheHostWorkingWithoutANewInitInterface) {
  BasePtr base = MakeObject<Base>();
  ASSERT_TRUE(base->InitInterface(mStore));
  AddSongs(base->GetBase()->BaseDatabase());
  const std::string restart =
      std::string(RAVELIN_PG_SERVER_SCRIPT) + " restart '" + ServerFolder() + "' >/dev/null";
  ASSERT_EQ(std::system(restart.c_str()), 0);
  EXPECT_EQ(base->Song_Count(), 2);
  RoomInfoStruct room;
  room.strRoomName = "After";
  room.strRoomHost = "restart";
  EXPECT_GT(base->Room_AddNewInfo(room), 0);
  EXPECT_TRUE(base->GetBase()->IsOpen());
}

TEST_F(ServerConnectionTest, AStoppedServerFailsTheCallWithinTheTimeoutsNotMinutesLater) {
  dao::DatabasePtr db = dao::Database::Open(mStore + kShortTimeout);
  AddSongs(db);
  Stop(BackendOf(db), std::chrono::seconds(60));
  const auto started = Clock::now();
  EXPECT_EQ(ErrorOf([&] { db->OpenRecordset("SELECT * FROM Song", dao::dbOpenSnapshot); }),
            dao::kDaoErrConnectionLost);
  const auto waited = Clock::now() - started;
  EXPECT_LT(waited, kShortWaitBound);
  std::cout << "[ waited ] "
            << std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()
            << " ms on the stopped server\n";
  EXPECT_FALSE(db->IsOpen());
  Resume();
  // The next call connects again.
  dao::RecordsetPtr songs = db->OpenRecordset("SELECT * FROM Song", dao::dbOpenSnapshot);
  EXPECT_EQ(songs->GetRecordCount(), 2);
  EXPECT_TRUE(db->IsOpen());
}

TEST_F(ServerConnectionTest, ACommitWithoutAnAnswerIsReportedAsUnknownAndClosingDoesNotWait) {
  dao::DatabasePtr db = dao::Database::Open(mStore + kShortTimeout);
  db->BeginTrans();
  db->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('One', 'ONE.MPG')");
  Stop(BackendOf(db), std::chrono::seconds(60));
  const auto started = Clock::now();
  try {
    db->CommitTrans();
    ADD_FAILURE() << "the commit was reported done";
  } catch (const automation::AutomationError& error) {
    EXPECT_EQ(error.GetNumber(), dao::kDaoErrConnectionLost);
    EXPECT_NE(error.GetDescription().find("unknown"), std::string::npos) << error.GetDescription();
  }
  EXPECT_LT(Clock::now() - started, kShortWaitBound);
  EXPECT_NO_THROW(db->Rollback());
  Resume();

  // Closing a database whose server stopped answering in a transaction returns at once.
  dao::DatabasePtr other = dao::Database::Open(mStore + kShortTimeout);
  other->BeginTrans();
  other->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('Two', 'TWO.MPG')");
  Stop(BackendOf(other), std::chrono::seconds(60));
  const auto closing = Clock::now();
  other->Close();
  EXPECT_LT(Clock::now() - closing, std::chrono::seconds(2));
  Resume();
  EXPECT_EQ(QueryServer(mStore, "SELECT count(*) FROM song WHERE strsongname = 'Two'"), "0\n");
}

}  // namespace
}  // namespace vod::test
