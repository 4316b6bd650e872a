#include "setups/SolveSetupCmdInfo.h"

#include <memory>

#include <gtest/gtest.h>

#include "platform/basalt/VelmorAssert.h"

namespace {

int gLiveSweepInfos = 0;

class CountedInfo : public VelmorCommandInfo {
 public:
  CountedInfo() { ++gLiveSweepInfos; }
  ~CountedInfo() override { --gLiveSweepInfos; }
};

class SolveSetupCmdInfoTest : public ::testing::Test {
 protected:
  void SetUp() override { gLiveSweepInfos = 0; }
  void TearDown() override { EXPECT_EQ(gLiveSweepInfos, 0); }
};

TEST_F(SolveSetupCmdInfoTest, StartsWithBothFlagsOffAndNoSweepsInfo) {
  CSolveSetupCmdInfo info;
  EXPECT_FALSE(info.RevertToInitialMesh());
  EXPECT_FALSE(info.InvalidateSolution());
  EXPECT_EQ(info.GetCommandInfoForSweeps(), nullptr);

  CSolveSetupCmdInfo typed(2, 4);
  EXPECT_EQ(typed.GetInfoType(), 2U);
  EXPECT_EQ(typed.GetInfoSubType(), 4U);
  EXPECT_FALSE(typed.RevertToInitialMesh());
  EXPECT_EQ(typed.GetCommandInfoForSweeps(), nullptr);

  typed.SetRevertToInitialMesh(true);
  typed.SetInvalidateSolution(true);
  EXPECT_TRUE(typed.RevertToInitialMesh());
  EXPECT_TRUE(typed.InvalidateSolution());
}

TEST_F(SolveSetupCmdInfoTest, DeletingTheInfoDeletesItsSweepsInfo) {
  auto info = std::make_unique<CSolveSetupCmdInfo>();
  auto* sweeps = new CountedInfo();
  info->SetCommandInfoForSweeps(sweeps);
  EXPECT_EQ(info->GetCommandInfoForSweeps(), sweeps);
  info.reset();
  EXPECT_EQ(gLiveSweepInfos, 0);
}

TEST_F(SolveSetupCmdInfoTest, CopiesShareTheSweepsInfoWhateverOrderTheyDieIn) {
  for (bool originalFirst : {true, false}) {
    auto original = std::make_unique<CSolveSetupCmdInfo>(1, 1);
    original->SetInvalidateSolution(true);
    original->SetCommandInfoForSweeps(new CountedInfo());
    auto copy = std::make_unique<CSolveSetupCmdInfo>(*original);
    EXPECT_EQ(copy->GetCommandInfoForSweeps(), original->GetCommandInfoForSweeps());
    EXPECT_TRUE(copy->InvalidateSolution());
    EXPECT_EQ(copy->GetInfoType(), 1U);

    (originalFirst ? original : copy).reset();
    EXPECT_EQ(gLiveSweepInfos, 1);
    (originalFirst ? copy : original).reset();
    EXPECT_EQ(gLiveSweepInfos, 0);
  }
}

TEST_F(SolveSetupCmdInfoTest, AssignmentLetsGoOfTheEarlierSweepsInfo) {
  CSolveSetupCmdInfo first;
  first.SetCommandInfoForSweeps(new CountedInfo());
  CSolveSetupCmdInfo second;
  second.SetCommandInfoForSweeps(new CountedInfo());
  EXPECT_EQ(gLiveSweepInfos, 2);
  first = second;
  EXPECT_EQ(gLiveSweepInfos, 1);
  EXPECT_EQ(first.GetCommandInfoForSweeps(), second.GetCommandInfoForSweeps());
  first = first;
  EXPECT_EQ(gLiveSweepInfos, 1);
}

TEST_F(SolveSetupCmdInfoTest, ASecondSweepsInfoIsReportedAndDeleted) {
  CSolveSetupCmdInfo info;
  auto* kept = new CountedInfo();
  info.SetCommandInfoForSweeps(kept);
  AssertReportRecorder reports;
  info.SetCommandInfoForSweeps(new CountedInfo());
  EXPECT_TRUE(reports.HasReport("mCmdInfoForSweeps == NULL"));
  EXPECT_EQ(info.GetCommandInfoForSweeps(), kept);
  EXPECT_EQ(gLiveSweepInfos, 1);

  // Handing in the info already held must not delete it.
  info.SetCommandInfoForSweeps(kept);
  EXPECT_EQ(reports.GetCount(), 2);
  EXPECT_EQ(gLiveSweepInfos, 1);
}

}  // namespace
