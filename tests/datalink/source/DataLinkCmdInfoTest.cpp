#include "datalink/source/DataLinkCmdInfo.h"

#include <gtest/gtest.h>

#include "platform/basalt/VelmorAssert.h"

namespace {

TEST(DataLinkCmdInfoTest, FirstValueForAKeyWinsAndASecondIsReported) {
  AssertReportRecorder asserts;
  DataLinkCmdInfo info(2, 4);
  EXPECT_EQ(info.GetInfoType(), 2u);
  EXPECT_EQ(info.GetInfoSubType(), 4u);
  info.AddSolveSetup(5, 9);
  EXPECT_EQ(asserts.GetCount(), 0);
  info.AddSolveSetup(5, 11);
  EXPECT_EQ(info.GetSolveSetupId(5), 9);
  ASSERT_EQ(asserts.GetCount(), 1);
  EXPECT_EQ(asserts.GetReports()[0].mExpression, "0");
  EXPECT_EQ(asserts.GetReports()[0].mFile, "datalink/source/DataLinkCmdInfo");
  EXPECT_EQ(asserts.GetReports()[0].mLine, 22);
  EXPECT_EQ(info.GetSolveSetupId(6), -2);
  // An invalid identifier is a value like any other.
  info.AddSolveSetup(-1, -1);
  EXPECT_EQ(info.GetSolveSetupId(-1), -1);
}

TEST(DataLinkCmdInfoTest, CopiesCarryTheTableAndTheBase) {
  DataLinkCmdInfo info(1, 8);
  info.AddSolveSetup(1, 2);
  DataLinkCmdInfo copy(info);
  EXPECT_EQ(copy.GetSolveSetupId(1), 2);
  EXPECT_EQ(copy.GetInfoSubType(), 8u);

  DataLinkCmdInfo assigned(0, 0);
  assigned.AddSolveSetup(3, 4);
  assigned = info;
  EXPECT_EQ(assigned.GetSolveSetupId(1), 2);
  EXPECT_EQ(assigned.GetSolveSetupId(3), -2);
  EXPECT_EQ(assigned.GetInfoType(), 1u);
  assigned = assigned;
  EXPECT_EQ(assigned.GetSolveSetupId(1), 2);

  // Merging keeps the base's behaviour.
  VelmorCommandInfo* asBase = &assigned;
  DataLinkCmdInfo other(16, 0);
  asBase->MergeInfo(&other);
  EXPECT_TRUE(assigned.HasInfoType(16));
  EXPECT_EQ(assigned.GetSolveSetupId(1), 2);
}

}  // namespace
