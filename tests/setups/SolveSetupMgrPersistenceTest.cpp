#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestProduct.h"
#include "platform/basalt/VelmorAssert.h"
#include "platform/basalt/io/BlockText.h"
#include "platform/basalt/io/DataExchange.h"
#include "setups/SolveSetupMgr.h"

namespace {

using setups_test::CDrivenSetup;
using setups_test::CEigenSetup;
using setups_test::CTestSetupMgr;
using setups_test::gLiveGlobalData;
using setups_test::gLiveSetups;

class SolveSetupMgrPersistenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLiveSetups = 0;
    gLiveGlobalData = 0;
  }
  void TearDown() override {
    EXPECT_EQ(gLiveSetups, 0) << "setups leaked";
    EXPECT_EQ(gLiveGlobalData, 0) << "global data leaked";
  }

  // A design with three setups, one of them removed again so that the
  // identifier counter runs ahead of the identifiers in use.
  static void Fill(CTestSetupMgr& manager) {
    manager.GetTestGlobalData()->mTolerance = 12;
    auto* driven = dynamic_cast<CDrivenSetup*>(manager.Add(CDrivenSetup::kType, AString(L"HF")));
    driven->mPasses = 15;
    driven->mFrequency = 2.4e9;
    CSolveSetup* removed = manager.Add(CEigenSetup::kType, AString(L"Gone"));
    manager.DeleteSetup(removed, nullptr);
    delete removed;
    manager.Add(CEigenSetup::kType, AString(L"Modes"));
    manager.Add(CDrivenSetup::kType, AString(L"Setup with spaces"));
  }

  static std::string Text(const io::CBlock& block) {
    std::string text;
    EXPECT_EQ(io::WriteBlockText(block, text), 0);
    return text;
  }

  static std::string Save(CTestSetupMgr& manager) {
    io::CBlock design(L"Design");
    EXPECT_EQ(manager.DoDataExchange(design, false), 0);
    return Text(design);
  }

  static io::CBlock Parse(const std::string& text) {
    io::CBlock block;
    io::ReadError result = io::ReadBlockText(text, block);
    EXPECT_EQ(result, 0) << result.what();
    return block;
  }
};

TEST_F(SolveSetupMgrPersistenceTest, WritesGlobalDataThenSetupsWithTheCounterFirst) {
  CTestSetupMgr manager;
  Fill(manager);
  io::CBlock design(L"Design");
  ASSERT_EQ(manager.DoDataExchange(design, false), 0);

  ASSERT_EQ(design.Size(), 2U);
  EXPECT_EQ(design.Item(0)->Name(), AString(L"GlobalData"));
  const io::CBlock* setups = design.Item(1)->AsBlock();
  ASSERT_NE(setups, nullptr);
  EXPECT_EQ(setups->Name(), AString(L"SolveSetups"));
  ASSERT_EQ(setups->Size(), 4U);
  EXPECT_NE(setups->Item(0)->AsNamedValue(), nullptr);
  std::vector<AString> names;
  for (std::size_t i = 1; i < setups->Size(); ++i) {
    const io::CBlock* setup = setups->Item(i)->AsBlock();
    ASSERT_NE(setup, nullptr);
    names.push_back(setup->Name());
    EXPECT_EQ(setup->Item(0)->Name(), AString(L"ID"));
    EXPECT_EQ(setup->Item(1)->Name(), AString(L"SetupType"));
  }
  std::list<AString> expected;
  manager.GetAllNames(expected);
  EXPECT_EQ(names, std::vector<AString>(expected.begin(), expected.end()));

  // Without global data there is no block for it.
  CTestSetupMgr bare(false);
  bare.Add(CEigenSetup::kType, AString(L"Only"));
  io::CBlock bareDesign;
  ASSERT_EQ(bare.DoDataExchange(bareDesign, false), 0);
  ASSERT_EQ(bareDesign.Size(), 1U);
  EXPECT_EQ(bareDesign.Item(0)->Name(), AString(L"SolveSetups"));
}

TEST_F(SolveSetupMgrPersistenceTest, SaveLoadAndSaveAgainGiveTheSameText) {
  CTestSetupMgr manager;
  Fill(manager);
  const std::string saved = Save(manager);

  CTestSetupMgr loaded;
  io::CBlock design = Parse(saved);
  ASSERT_EQ(loaded.DoDataExchange(design, true), 0);
  EXPECT_EQ(Save(loaded), saved);

  EXPECT_EQ(loaded.GetTestGlobalData()->mTolerance, 12);
  auto* driven = dynamic_cast<const CDrivenSetup*>(loaded.GetSetup(AString(L"hf1")));
  ASSERT_NE(driven, nullptr);
  EXPECT_EQ(driven->mPasses, 15);
  EXPECT_EQ(driven->mFrequency, 2.4e9);
  EXPECT_EQ(driven->GetManager(), &loaded);
  EXPECT_EQ(driven->GetID(), manager.GetSetup(AString(L"HF1"))->GetID());
  EXPECT_NE(dynamic_cast<const CEigenSetup*>(loaded.GetSetup(AString(L"Modes1"))), nullptr);

  // New identifiers continue from the stored counter, past the removed one.
  CSolveSetup* added = loaded.Add(CEigenSetup::kType, AString(L"New"));
  EXPECT_EQ(added->GetID(), 5);
}

TEST_F(SolveSetupMgrPersistenceTest, ReadsAHandWrittenDesign) {
  CTestSetupMgr manager;
  io::CBlock design;
  ASSERT_EQ(
      io::ReadBlockFile(AString::FromUtf8(RAVELIN_TEST_DATA_DIR "/setups/design.txt"), design), 0);
  // The setup without an identifier is a warning, not a failure.
  ASSERT_EQ(manager.DoDataExchange(design, true), io::ReadError::kMissing);
  ASSERT_EQ(manager.GetSetupCount(), 3);
  EXPECT_EQ(manager.GetTestGlobalData()->mTolerance, 4);
  const CSolveSetup* hf = manager.GetSetup(AString(L"HF sweep"));
  ASSERT_NE(hf, nullptr);
  EXPECT_EQ(hf->GetID(), 3);
  EXPECT_EQ(dynamic_cast<const CDrivenSetup*>(hf)->mPasses, 20);
  // The type name is matched ignoring case.
  EXPECT_NE(dynamic_cast<const CEigenSetup*>(manager.GetSetup(7L)), nullptr);
  // A setup stored without an identifier gets a fresh one from the counter.
  EXPECT_EQ(manager.GetSetup(AString(L"NoID"))->GetID(), 9);
}

TEST_F(SolveSetupMgrPersistenceTest, AMissingSetupsBlockFailsAndChangesNothing) {
  CTestSetupMgr manager;
  CSolveSetup* kept = manager.Add(CDrivenSetup::kType, AString(L"Kept"));
  io::CBlock design = Parse("Design { GlobalData { Tolerance = 8 } }");
  EXPECT_EQ(manager.DoDataExchange(design, true), -1);
  EXPECT_EQ(manager.GetSetupCount(), 1);
  EXPECT_EQ(*manager.GetFirstSetup(), kept);
}

TEST_F(SolveSetupMgrPersistenceTest, AMissingGlobalDataBlockStillReadsTheSetups) {
  CTestSetupMgr manager;
  io::CBlock design =
      Parse("Design { SolveSetups { NextUniqueID = 3 A { ID = 2 SetupType = \"Eigen\" } } }");
  EXPECT_EQ(manager.DoDataExchange(design, true), 0);
  EXPECT_EQ(manager.GetSetupCount(), 1);
  EXPECT_EQ(manager.GetTestGlobalData()->mTolerance, 3);
}

TEST_F(SolveSetupMgrPersistenceTest, ASetupThatFailsToReadIsDroppedAndStopsReading) {
  CTestSetupMgr manager;
  io::CBlock design = Parse(
      "Design { SolveSetups {"
      "  NextUniqueID = 10"
      "  A { ID = 1 SetupType = \"Driven\" }"
      "  B { ID = 2 SetupType = \"Driven\" Corrupt = true }"
      "  C { ID = 3 SetupType = \"Driven\" }"
      "} }");
  EXPECT_EQ(manager.DoDataExchange(design, true), -7);
  ASSERT_EQ(manager.GetSetupCount(), 1);
  EXPECT_EQ((*manager.GetFirstSetup())->GetName(), AString(L"A"));
  EXPECT_EQ(gLiveSetups, 1);  // B was deleted, C never made
}

TEST_F(SolveSetupMgrPersistenceTest, AnUnknownTypeStopsReadingWithAFailure) {
  CTestSetupMgr manager;
  io::CBlock design = Parse(
      "Design { SolveSetups {"
      "  A { ID = 1 SetupType = \"Driven\" }"
      "  B { ID = 2 SetupType = \"Transient\" }"
      "  C { ID = 3 SetupType = \"Eigen\" }"
      "} }");
  AssertReportRecorder reports;
  io::ReadError result = manager.DoDataExchange(design, true);
  EXPECT_LT(result, 0);
  EXPECT_EQ(result, CSolveSetupMgr::kSetupNotMadeError);
  EXPECT_NE(result.GetMessage().find(L"Transient"), AString::npos);
  EXPECT_TRUE(reports.HasReport("theSetup"));
  EXPECT_EQ(manager.GetSetupCount(), 1);
}

TEST_F(SolveSetupMgrPersistenceTest, WarningsLetReadingGoOnAndTheLastOneIsReturned) {
  CTestSetupMgr manager;
  io::CBlock design = Parse(
      "Design { SolveSetups {"
      "  NextUniqueID = 4"
      "  A { ID = \"one\" SetupType = \"Driven\" }"
      "  B { SetupType = \"Driven\" }"
      "  C { ID = 3 SetupType = \"Eigen\" }"
      "} }");
  EXPECT_EQ(manager.DoDataExchange(design, true), io::ReadError::kMissing);
  ASSERT_EQ(manager.GetSetupCount(), 3);
  EXPECT_EQ(manager.GetSetup(AString(L"A"))->GetID(), 4);
  EXPECT_EQ(manager.GetSetup(AString(L"B"))->GetID(), 5);
}

TEST_F(SolveSetupMgrPersistenceTest, AFailedWriteAddsNoSetupsBlock) {
  CTestSetupMgr manager;
  manager.Add(CEigenSetup::kType, AString(L"First"));
  auto* failing =
      dynamic_cast<CDrivenSetup*>(manager.Add(CDrivenSetup::kType, AString(L"Failing")));
  failing->mFailWrite = true;
  io::CBlock design;
  EXPECT_EQ(manager.DoDataExchange(design, false), -1);
  ASSERT_EQ(design.Size(), 1U);
  EXPECT_EQ(design.Item(0)->Name(), AString(L"GlobalData"));

  // WriteSetups keeps what it wrote before the failure.
  io::CBlock setups;
  EXPECT_FALSE(manager.WriteSetups(setups));
  EXPECT_EQ(setups.Size(), 1U);
}

TEST_F(SolveSetupMgrPersistenceTest, AFailedGlobalDataWriteIsSkipped) {
  CTestSetupMgr manager;
  manager.Add(CEigenSetup::kType, AString(L"First"));
  manager.GetTestGlobalData()->mFailWrite = true;
  io::CBlock design;
  EXPECT_EQ(manager.DoDataExchange(design, false), 0);
  ASSERT_EQ(design.Size(), 1U);
  EXPECT_EQ(design.Item(0)->Name(), AString(L"SolveSetups"));
}

TEST_F(SolveSetupMgrPersistenceTest, ScriptedSetupsKeepTheirBlockEmpty) {
  CTestSetupMgr manager;
  manager.Add(CEigenSetup::kType, AString(L"S"))->mIsInScripting = true;
  io::CBlock setups;
  EXPECT_TRUE(manager.WriteSetups(setups));
  ASSERT_EQ(setups.Size(), 1U);
  EXPECT_TRUE(setups.Item(0)->AsBlock()->IsEmpty());
}

}  // namespace
