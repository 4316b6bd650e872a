// The tool's venue commands when the server stops answering mid-change. Built with PostgreSQL
// only (it signals the test server's process); skips without RAVELIN_TEST_PG.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "tests/vod/StoreBackend.h"
#include "tools/ravelin/ToolError.h"
#include "tools/ravelin/Venue.h"

namespace ravelin_tool_test {
namespace {

using ravelin_tool::CommitChange;
using ravelin_tool::ToolError;
using ravelin_tool::Venue;
using vod::test::Backend;

// A change whose COMMIT got no answer may have been stored: the tool must not say that nothing
// changed.
TEST(VenueServerTest, ACommitWhoseAnswerIsLostIsReportedAsUnknown) {
  if (vod::test::NoServerFor(Backend::kServer)) {
    GTEST_SKIP() << "RAVELIN_TEST_PG names no test server";
  }
  vod::test::ScratchStore store(Backend::kServer);
  const std::string db = store.Create() + " options='-c statement_timeout=2s'";
  Venue venue(db, "");
  dao::DatabasePtr database = venue.Get().GetBase()->BaseDatabase();
  const pid_t backend = static_cast<pid_t>(
      database->OpenRecordset("SELECT pg_backend_pid() AS pid", dao::dbOpenSnapshot)
          ->GetField("pid")
          .ToLong());
  std::string message;
  {
    dao::Transaction transaction(database);
    database->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES ('A', 'A.MPG')");
    ASSERT_EQ(kill(backend, SIGSTOP), 0);
    try {
      CommitChange(transaction, venue, "songs");
    } catch (const ToolError& error) {
      message = error.what();
    }
    kill(backend, SIGCONT);
  }
  EXPECT_NE(message.find("whether the songs were stored is unknown"), std::string::npos) << message;
  EXPECT_EQ(message.find("nothing changed"), std::string::npos) << message;
}

}  // namespace
}  // namespace ravelin_tool_test
