#include <gtest/gtest.h>

#include "tests/tools/ravelin/ToolRunner.h"

namespace ravelin_tool_test {
namespace {

TEST(DesignCommandsTest, SampleSavesAndReloadsIdentically) {
  ScratchDir dir;
  const std::string file = dir.Path("design.blk");
  const ToolResult r = RunTool({"design", "sample", file});
  ASSERT_EQ(r.mExitCode, 0) << r.mErr;
  EXPECT_NE(r.mOut.find("3 setups and 2 data links"), std::string::npos);
  const std::string text = ReadFileBytes(file);
  EXPECT_NE(text.find("SolveSetups {"), std::string::npos);
  EXPECT_LT(text.find("GlobalData {"), text.find("SolveSetups {"));

  const ToolResult check = RunTool({"design", "check", file});
  EXPECT_EQ(check.mExitCode, 0);
  EXPECT_NE(check.mOut.find(": ok"), std::string::npos);

  const ToolResult show = RunTool({"design", "show", file});
  EXPECT_EQ(show.mExitCode, 0);
  EXPECT_NE(show.mOut.find("    Eigen1 {3 items}\n"), std::string::npos) << show.mOut;
}

TEST(DesignCommandsTest, SyntaxErrorNamesLineAndColumn) {
  ScratchDir dir;
  const std::string file = dir.Path("broken.blk");
  WriteFileBytes(file, "Design {\n  ID = 3\n  Name = \"open\n}\n");
  const ToolResult r = RunTool({"design", "check", file});
  EXPECT_NE(r.mExitCode, 0);
  EXPECT_EQ(CountLines(r.mErr), 1);
  EXPECT_NE(r.mErr.find("line 3"), std::string::npos) << r.mErr;
  EXPECT_NE(r.mErr.find("column"), std::string::npos) << r.mErr;
  EXPECT_EQ(r.mOut, "");

  const ToolResult missing = RunTool({"design", "show", dir.Path("none.blk")});
  EXPECT_NE(missing.mExitCode, 0);
  EXPECT_EQ(CountLines(missing.mErr), 1);
}

}  // namespace
}  // namespace ravelin_tool_test
