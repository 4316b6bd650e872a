#include <gtest/gtest.h>

#include "tests/tools/ravelin/ToolRunner.h"

namespace ravelin_tool_test {
namespace {

class ConfigCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mIni = mDir.Path("client.ini");
    WriteFileBytes(mIni, "[Main]\npatch=manager.so\nname=Caf\xc3\xa9\n[Net]\nport=8080\n");
  }
  ScratchDir mDir;
  std::string mIni;
};

TEST_F(ConfigCommandsTest, ShowRendersIniTextSorted) {
  const ToolResult r = RunTool({"config", "show", mIni});
  ASSERT_EQ(r.mExitCode, 0) << r.mErr;
  EXPECT_EQ(r.mOut, "[Main]\r\nname=Caf\xc3\xa9\r\npatch=manager.so\r\n[Net]\r\nport=8080\r\n");
  EXPECT_EQ(r.mErr, "");
}

TEST_F(ConfigCommandsTest, ConvertRoundTripsThroughThePackedForm) {
  const std::string packed = mDir.Path("client.qve");
  const std::string back = mDir.Path("back.ini");
  ASSERT_EQ(RunTool({"config", "convert", mIni, packed}).mExitCode, 0);
  EXPECT_NE(ReadFileBytes(packed).find('\0'), std::string::npos);  // binary, not text
  ASSERT_EQ(RunTool({"config", "convert", packed, back}).mExitCode, 0);
  EXPECT_EQ(RunTool({"config", "show", back}).mOut, RunTool({"config", "show", mIni}).mOut);
}

TEST_F(ConfigCommandsTest, GetAndSetExistingKeysOnly) {
  const std::string packed = mDir.Path("client.qve");
  ASSERT_EQ(RunTool({"config", "convert", mIni, packed}).mExitCode, 0);
  EXPECT_EQ(RunTool({"config", "get", packed, "Main", "name"}).mOut, "Caf\xc3\xa9\n");

  ASSERT_EQ(RunTool({"config", "set", packed, "Net", "port", "9090"}).mExitCode, 0);
  EXPECT_EQ(RunTool({"config", "get", packed, "Net", "port"}).mOut, "9090\n");

  const std::string before = ReadFileBytes(packed);
  const ToolResult missing = RunTool({"config", "set", packed, "Net", "host", "x"});
  EXPECT_NE(missing.mExitCode, 0);
  EXPECT_EQ(CountLines(missing.mErr), 1);
  EXPECT_NE(missing.mErr.find("only existing keys"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(packed), before);

  const ToolResult caseDiffers = RunTool({"config", "get", packed, "net", "port"});
  EXPECT_NE(caseDiffers.mExitCode, 0);
}

TEST_F(ConfigCommandsTest, SetRefusesToOverwriteIniTextWithThePackedForm) {
  const std::string before = ReadFileBytes(mIni);
  const ToolResult r = RunTool({"config", "set", mIni, "Net", "port", "1"});
  EXPECT_NE(r.mExitCode, 0);
  EXPECT_NE(r.mErr.find("--out"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(mIni), before);
  const std::string out = mDir.Path("out.qve");
  ASSERT_EQ(RunTool({"config", "set", mIni, "Net", "port", "1", "--out", out}).mExitCode, 0);
  EXPECT_EQ(RunTool({"config", "get", out, "Net", "port"}).mOut, "1\n");
  EXPECT_EQ(ReadFileBytes(mIni), before);
}

TEST_F(ConfigCommandsTest, BadInputGivesOneLineAndTouchesNothing) {
  const ToolResult missing = RunTool({"config", "show", mDir.Path("none.ini")});
  EXPECT_NE(missing.mExitCode, 0);
  EXPECT_EQ(CountLines(missing.mErr), 1);
  EXPECT_NE(missing.mErr.find("none.ini"), std::string::npos);

  const std::string corrupt = mDir.Path("corrupt.qve");
  WriteFileBytes(corrupt, std::string("\x05\x00\x00\x00garbage-that-is-no-stream", 29));
  const std::string before = ReadFileBytes(corrupt);
  const ToolResult bad = RunTool({"config", "convert", corrupt, mDir.Path("out.ini")});
  EXPECT_NE(bad.mExitCode, 0);
  EXPECT_EQ(CountLines(bad.mErr), 1);
  EXPECT_NE(bad.mErr.find("not a valid configuration"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(mDir.Path("out.ini")));
  EXPECT_EQ(ReadFileBytes(corrupt), before);
}

TEST(ToolUsageTest, HelpOnEveryLevelAndUsageErrors) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"config", "--help"}, {"venue", "--help"}, {"design", "check", "--help"}}) {
    const ToolResult r = RunTool(args);
    EXPECT_EQ(r.mExitCode, 0);
    EXPECT_NE(r.mOut.find("Usage"), std::string::npos) << r.mOut;
  }
  const ToolResult none = RunTool({});
  EXPECT_NE(none.mExitCode, 0);
  const ToolResult unknown = RunTool({"frobnicate"});
  EXPECT_NE(unknown.mExitCode, 0);
  EXPECT_EQ(CountLines(unknown.mErr), 1);
}

// The version a user reads is the project's, the one its libraries and packages carry; asking
// for it needs no command.
TEST(ToolUsageTest, VersionIsTheProjectsAndNeedsNoCommand) {
  const ToolResult r = RunTool({"--version"});
  EXPECT_EQ(r.mExitCode, 0) << r.mErr;
  EXPECT_EQ(r.mOut, std::string("ravelin ") + RAVELIN_PROJECT_VERSION + "\n");
  EXPECT_EQ(r.mErr, "");
}

}  // namespace
}  // namespace ravelin_tool_test
