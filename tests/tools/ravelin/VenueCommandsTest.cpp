#include <gtest/gtest.h>

#include "tests/tools/ravelin/ToolRunner.h"

namespace ravelin_tool_test {
namespace {

class VenueCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mDb = mDir.Path("venue.db");
    ASSERT_EQ(RunTool({"venue", "init", mDb}).mExitCode, 0);
  }
  ToolResult Ok(std::vector<std::string> args) {
    ToolResult r = RunTool(args);
    EXPECT_EQ(r.mExitCode, 0) << r.mErr;
    return r;
  }
  // Runs a command that must fail with one line on stderr and leave the
  // database file as it was.
  ToolResult Fails(std::vector<std::string> args, const std::string& expected) {
    const std::string before = ReadFileBytes(mDb) + ReadFileBytes(mDb + "-wal");
    ToolResult r = RunTool(args);
    EXPECT_NE(r.mExitCode, 0);
    EXPECT_EQ(CountLines(r.mErr), 1) << r.mErr;
    EXPECT_NE(r.mErr.find(expected), std::string::npos) << r.mErr;
    EXPECT_EQ(ReadFileBytes(mDb) + ReadFileBytes(mDb + "-wal"), before);
    return r;
  }
  ScratchDir mDir;
  std::string mDb;
};

TEST_F(VenueCommandsTest, RoomsAddShowUpdateDeleteAndSearch) {
  Ok({"venue", "room", "add", mDb, "--name", "O'Hara's", "--host", "PC-1", "--status", "1"});
  Ok({"venue", "room", "add", mDb, "--name", "\xe5\x8c\x85\xe5\x8e\xa2 A", "--host", "PC-2",
      "--code", "A2"});
  Fails({"venue", "room", "add", mDb, "--name", "o'hara's", "--host", "PC-9"}, "taken");

  const ToolResult tsv = Ok({"venue", "rooms", mDb, "--format", "tsv"});
  EXPECT_EQ(CountLines(tsv.mOut), 3);
  EXPECT_NE(tsv.mOut.find("O'Hara's\t\tPC-1"), std::string::npos) << tsv.mOut;

  const ToolResult byName =
      Ok({"venue", "rooms", mDb, "--mode", "name", "--data", "\xe5\x8c\x85", "--format", "tsv"});
  EXPECT_EQ(CountLines(byName.mOut), 2);
  EXPECT_NE(byName.mOut.find("PC-2"), std::string::npos);

  Ok({"venue", "room", "update", mDb, "O'Hara's", "--floor", "2f"});
  EXPECT_NE(Ok({"venue", "room", "show", mDb, "o'hara's", "--format", "tsv"}).mOut.find("\t2F"),
            std::string::npos);
  Fails({"venue", "room", "update", mDb, "O'Hara's", "--host", "PC-2"}, "another room");

  Ok({"venue", "room", "delete", mDb, "O'Hara's"});
  EXPECT_EQ(CountLines(Ok({"venue", "rooms", mDb, "--format", "tsv"}).mOut), 2);
  Fails({"venue", "room", "delete", mDb, "O'Hara's"}, "unknown room");
  Fails({"venue", "rooms", mDb, "--mode", "status", "--data", "1 OR 1=1"}, "status number");
}

TEST_F(VenueCommandsTest, BackupsRestoreTheRoomList) {
  Ok({"venue", "room", "add", mDb, "--name", "R1", "--host", "H1"});
  Ok({"venue", "backup", "create", mDb, "before"});
  Ok({"venue", "room", "add", mDb, "--name", "R2", "--host", "H2"});
  EXPECT_EQ(Ok({"venue", "backup", "list", mDb}).mOut, "before\n");

  Fails({"venue", "backup", "restore", mDb, "nothing-like-it"}, "no backup");
  EXPECT_EQ(CountLines(Ok({"venue", "rooms", mDb, "--format", "tsv"}).mOut), 3);

  Ok({"venue", "backup", "restore", mDb, "BEFORE"});
  const ToolResult rooms = Ok({"venue", "rooms", mDb, "--format", "tsv"});
  EXPECT_EQ(CountLines(rooms.mOut), 2);
  EXPECT_EQ(rooms.mOut.find("R2"), std::string::npos);

  Ok({"venue", "backup", "delete", mDb, "before"});
  EXPECT_EQ(Ok({"venue", "backup", "list", mDb}).mOut, "");
}

TEST_F(VenueCommandsTest, SongsSelectionsAndRanking) {
  const std::string csv = mDir.Path("songs.csv");
  WriteFileBytes(csv, "name,file\n\"Hit, the\",HIT.MPG\nQuiet,quiet.mpg\nO'Song,osong.mpg\n");
  EXPECT_NE(Ok({"venue", "songs", "import", mDb, csv}).mOut.find("holds 3"), std::string::npos);
  Ok({"venue", "room", "add", mDb, "--name", "R1", "--host", "H1"});
  for (const char* at : {"2026-01-01 10:00:00", "2026-01-31 23:59:59", "2026-02-01 00:00:00"}) {
    Ok({"venue", "select", mDb, "r1", "hit.mpg", "--at", at});
  }
  Ok({"venue", "select", mDb, "R1", "QUIET.MPG", "--at", "2026-01-15 12:00:00"});
  Ok({"venue", "select", mDb, "R1", "osong.mpg", "--at", "2025-12-31 12:00:00"});

  EXPECT_NE(
      Ok({"venue", "ranking", "build", mDb, "2026-01-01", "2026-01-31"}).mOut.find("ranked 2"),
      std::string::npos);
  const ToolResult top = Ok({"venue", "ranking", "show", mDb, "--format", "tsv"});
  EXPECT_EQ(top.mOut,
            "Rank\tSong\tFile\tSelections\n"
            "1\tHit, the\thit.mpg\t2\n"
            "2\tQuiet\tQUIET.MPG\t1\n");
  EXPECT_EQ(CountLines(Ok({"venue", "ranking", "show", mDb, "--limit", "1"}).mOut), 3);

  Fails({"venue", "ranking", "build", mDb, "2026-02-01", "2026-01-01"}, "reversed");
  Fails({"venue", "ranking", "build", mDb, "2026-02-30", "2026-03-01"}, "not a date");
  Fails({"venue", "select", mDb, "No Such Room", "hit.mpg"}, "unknown room");
  Fails({"venue", "select", mDb, "R1", "hit.mpg", "--at", "yesterday"}, "YYYY-MM-DD");
}

TEST_F(VenueCommandsTest, MalformedSongFileChangesNothing) {
  const std::string csv = mDir.Path("bad.csv");
  WriteFileBytes(csv, "name,file\nGood,good.mpg\n\"Unclosed,x.mpg\n");
  Fails({"venue", "songs", "import", mDb, csv}, "unclosed quote");
  WriteFileBytes(csv, "Good,good.mpg\nNoFile\n");
  Fails({"venue", "songs", "import", mDb, csv}, "line 2");
}

TEST(VenueOpenTest, MissingFileAndWrongPassword) {
  ScratchDir dir;
  const std::string db = dir.Path("locked.db");
  const ToolResult missing = RunTool({"venue", "rooms", db});
  EXPECT_NE(missing.mExitCode, 0);
  EXPECT_NE(missing.mErr.find("no such file"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(db));  // never created by a reader

  ASSERT_EQ(RunTool({"venue", "init", db, "--password", "s3cret"}).mExitCode, 0);
  const ToolResult wrong = RunTool({"venue", "rooms", db, "--password", "guess"});
  EXPECT_NE(wrong.mExitCode, 0);
  EXPECT_EQ(CountLines(wrong.mErr), 1);
  EXPECT_NE(wrong.mErr.find("wrong password"), std::string::npos);
  EXPECT_EQ(RunTool({"venue", "rooms", db, "--password", "s3cret"}).mExitCode, 0);

  const ToolResult again = RunTool({"venue", "init", db});
  EXPECT_NE(again.mExitCode, 0);
  EXPECT_EQ(CountLines(again.mErr), 1);
}

TEST(DemoTest, RunsTheMainJob) {
  ScratchDir dir;
  const ToolResult r = RunTool({"demo", dir.Path("demo")});
  ASSERT_EQ(r.mExitCode, 0) << r.mErr;
  EXPECT_NE(r.mOut.find("logged 30000 selections"), std::string::npos) << r.mOut;
  EXPECT_NE(r.mOut.find("the top ten"), std::string::npos);
  EXPECT_NE(r.mOut.find("identical text"), std::string::npos);
  EXPECT_EQ(r.mErr, "");  // no progress bar without a terminal
  for (const char* name : {"venue.db", "client.qve", "client-roundtrip.ini", "design.blk"}) {
    EXPECT_TRUE(std::filesystem::exists(dir.Path("demo/") + name)) << name;
  }
}

}  // namespace
}  // namespace ravelin_tool_test
