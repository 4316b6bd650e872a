#include "platform/basalt/VelmorAssert.h"

#include <gtest/gtest.h>

namespace {

class VelmorAssertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    IgnoreAllAsserts_G = false;
    ResetAssertReportCount();
  }
  void TearDown() override { IgnoreAllAsserts_G = false; }
};

void FailingSite() {
  VELMOR_ASSERT(1 + 1 == 3);
}

TEST_F(VelmorAssertTest, DefaultHandlerWritesOneLineToStandardError) {
  ::testing::internal::CaptureStderr();
  ProcessAssertFailure_G("SolveSetup", 50, "theSetup");
  ProcessAssertFailure_G(nullptr, 0, "multi\nline");
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(written,
            "Assertion failed: theSetup (SolveSetup:50)\n"
            "Assertion failed: multi line (:0)\n");
  EXPECT_EQ(GetAssertReportCount(), 2);
}

TEST_F(VelmorAssertTest, InstalledHandlerSeesReportsAndIsReplaceable) {
  std::vector<AssertReport> seen;
  AssertFailureHandler previous = SetAssertFailureHandler([&](const AssertReport& report) {
    seen.push_back(report);
    return AssertAction::kContinue;
  });
  ProcessAssertFailure_G("SolveSetupMgr", 83, "theSetup");
  SetAssertFailureHandler(previous);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].mFile, "SolveSetupMgr");
  EXPECT_EQ(seen[0].mLine, 83);
  EXPECT_EQ(seen[0].mExpression, "theSetup");
}

TEST_F(VelmorAssertTest, IgnoreAllAndSiteFlagSilenceReports) {
  AssertReportRecorder recorder;
  IgnoreAllAsserts_G = true;
  ProcessAssertFailure_G("f", 1, "a");
  EXPECT_EQ(recorder.GetCount(), 0);
  IgnoreAllAsserts_G = false;
  bool siteFlag = true;
  ProcessAssertFailure_G("f", 2, "b", &siteFlag);
  EXPECT_EQ(recorder.GetCount(), 0);
  EXPECT_EQ(GetAssertReportCount(), 0);
  siteFlag = false;
  ProcessAssertFailure_G("f", 3, "c", &siteFlag);
  EXPECT_TRUE(recorder.HasReport("c"));
  EXPECT_FALSE(recorder.HasReport("a"));
}

TEST_F(VelmorAssertTest, HandlerAnswersSetSiteAndGlobalFlags) {
  AssertReportRecorder outer;
  AssertAction answer = AssertAction::kIgnoreSite;
  int calls = 0;
  AssertFailureHandler previous = SetAssertFailureHandler([&](const AssertReport&) {
    ++calls;
    return answer;
  });
  FailingSite();
  FailingSite();
  EXPECT_EQ(calls, 1);  // the site is silenced after the first answer
  answer = AssertAction::kIgnoreAll;
  bool otherSite = false;
  ProcessAssertFailure_G("f", 1, "x", &otherSite);
  EXPECT_FALSE(otherSite);
  EXPECT_TRUE(IgnoreAllAsserts_G.load());
  ProcessAssertFailure_G("f", 1, "y");
  EXPECT_EQ(calls, 2);
  SetAssertFailureHandler(previous);
  EXPECT_EQ(outer.GetCount(), 0);  // the recorder's handler was replaced meanwhile
}

TEST_F(VelmorAssertTest, RecorderPutsThePreviousHandlerBack) {
  int calls = 0;
  AssertFailureHandler previous = SetAssertFailureHandler([&](const AssertReport&) {
    ++calls;
    return AssertAction::kContinue;
  });
  {
    AssertReportRecorder recorder;
    VELMOR_REPORT_AT("datalink/source/DataLink", 124, "0");
    ASSERT_EQ(recorder.GetCount(), 1);
    EXPECT_EQ(recorder.GetReports()[0].mFile, "datalink/source/DataLink");
    EXPECT_EQ(recorder.GetReports()[0].mLine, 124);
  }
  ProcessAssertFailure_G("f", 1, "after");
  EXPECT_EQ(calls, 1);
  SetAssertFailureHandler(previous);
  EXPECT_EQ(GetAssertReportCount(), 2);
}

TEST_F(VelmorAssertTest, PassingAssertionReportsNothing) {
  AssertReportRecorder recorder;
  VELMOR_ASSERT(2 > 1);
  EXPECT_EQ(recorder.GetCount(), 0);
}

}  // namespace
