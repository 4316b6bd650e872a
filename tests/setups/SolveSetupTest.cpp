#include "setups/SolveSetup.h"

#include <vector>

#include <gtest/gtest.h>

#include "TestProduct.h"
#include "platform/basalt/VelmorAssert.h"
#include "platform/basalt/VelmorIDServer.h"
#include "platform/basalt/VelmorMessage.h"
#include "platform/basalt/io/DataExchange.h"
#include "setups/SolveSetupCmdInfo.h"
#include "setups/SolveSetupMgr.h"

namespace {

using setups_test::CDrivenSetup;
using setups_test::CEigenSetup;
using setups_test::CTestGlobalData;
using setups_test::CTestSetupMgr;

class SolveSetupTest : public ::testing::Test {
 protected:
  void SetUp() override { Messages().ClearMessages(); }
  static VelmorMessageHandler& Messages() {
    return *GetGlobalIMessageManager().GetMessageHandler();
  }
};

TEST_F(SolveSetupTest, ADefaultSetupHasNoNameNoIdentifierAndNoManager) {
  CEigenSetup setup;
  EXPECT_EQ(setup.GetName(), AString());
  EXPECT_EQ(setup.GetID(), id::invalidID);
  EXPECT_EQ(setup.GetManager(), nullptr);
  EXPECT_TRUE(setup.IsEnabledForAnalysis());
  EXPECT_FALSE(setup.HasLink());
  EXPECT_TRUE(setup.IsValid(nullptr));
  EXPECT_TRUE(setup.Update(nullptr));
  EXPECT_NE(setup.GetUndoableID(), 0U);
}

TEST_F(SolveSetupTest, ANameChangeIsCaseSensitive) {
  CEigenSetup setup;
  setup.SetName(AString(L"Setup1"));
  CEigenSetup other;
  other.SetName(AString(L"SETUP1"));
  CSolveSetupCmdInfo info;
  setup.SetupHasChanged(&other, &info);
  EXPECT_EQ(info.GetInfoType(), 2U);
  EXPECT_EQ(info.GetInfoSubType(), 4U);

  CSolveSetupCmdInfo unchanged;
  other.SetName(AString(L"Setup1"));
  setup.SetupHasChanged(&other, &unchanged);
  EXPECT_EQ(unchanged.GetInfoType(), 0U);
  EXPECT_EQ(unchanged.GetInfoSubType(), 0U);
  setup.SetupHasChanged(nullptr, &unchanged);
  EXPECT_EQ(unchanged.GetInfoType(), 0U);
}

TEST_F(SolveSetupTest, CopyFromKeepsTheIdentifier) {
  CTestSetupMgr manager;
  CDrivenSetup source;
  source.SetName(AString(L"Source"));
  source.SetID(4);
  source.SetManager(&manager);
  source.mPasses = 9;
  CDrivenSetup target;
  target.SetID(11);
  target.CopyFrom(&source);
  EXPECT_EQ(target.GetName(), AString(L"Source"));
  EXPECT_EQ(target.GetManager(), &manager);
  EXPECT_EQ(target.GetID(), 11);
  EXPECT_EQ(target.mPasses, 9);

  // Assign is the undo system's way in, and copies the same way.
  CDrivenSetup undone;
  undone.SetID(12);
  undone.Assign(&source);
  EXPECT_EQ(undone.GetName(), AString(L"Source"));
  EXPECT_EQ(undone.GetID(), 12);
}

TEST_F(SolveSetupTest, CopyFromSomethingElseIsReportedAndCopiesNothing) {
  CEigenSetup target;
  target.SetName(AString(L"Kept"));
  CTestGlobalData notASetup;
  AssertReportRecorder reports;
  target.CopyFrom(&notASetup);
  target.CopyFrom(nullptr);
  EXPECT_EQ(reports.GetCount(), 2);
  EXPECT_TRUE(reports.HasReport("theSetup"));
  EXPECT_EQ(target.GetName(), AString(L"Kept"));
}

TEST_F(SolveSetupTest, TheCopyConstructorCopiesEverything) {
  CTestSetupMgr manager;
  CDrivenSetup source;
  source.SetName(AString(L"S"));
  source.SetID(3);
  source.SetManager(&manager);
  source.mIsInScripting = true;
  source.mReadError = 2;
  CDrivenSetup copy(source);
  EXPECT_EQ(copy.GetName(), AString(L"S"));
  EXPECT_EQ(copy.GetID(), 3);
  EXPECT_EQ(copy.GetManager(), &manager);
  EXPECT_TRUE(copy.IsInScripting());
  EXPECT_EQ(copy.mReadError, 2);

  CDrivenSetup assigned;
  assigned = source;
  EXPECT_EQ(assigned.GetID(), 3);
  EXPECT_TRUE(assigned.IsInScripting());
}

TEST_F(SolveSetupTest, WritesIdentifierThenTypeName) {
  CTestSetupMgr manager;
  CEigenSetup setup;
  setup.SetManager(&manager);
  setup.SetID(42);
  io::CBlock block(L"Setup1");
  EXPECT_EQ(setup.DoDataExchange(block, false), 0);
  ASSERT_GE(block.Size(), 2U);
  EXPECT_EQ(block.Item(0)->Name(), AString(L"ID"));
  EXPECT_EQ(block.Item(1)->Name(), AString(L"SetupType"));
  long id = 0;
  AString type;
  EXPECT_EQ(io::DoDataExchange(block, true, AString(L"ID"), id, 0), 0);
  EXPECT_EQ(io::DoDataExchange(block, true, AString(L"SetupType"), type, 0), 0);
  EXPECT_EQ(id, 42);
  EXPECT_EQ(type, AString(L"Eigen"));

  CEigenSetup read;
  read.SetManager(&manager);
  EXPECT_EQ(read.Read(block), 0);
  EXPECT_EQ(read.GetID(), 42);
  EXPECT_EQ(read.mModes, 0);  // not written: the setup had no defaults
}

TEST_F(SolveSetupTest, ATypeUnknownToTheManagerOrNoManagerGivesAnEmptyTypeName) {
  CTestSetupMgr manager;
  class COddSetup : public CEigenSetup {
   public:
    int GetSetupType() override { return 99; }
  };
  for (bool withManager : {true, false}) {
    COddSetup setup;
    setup.SetManager(withManager ? &manager : nullptr);
    io::CBlock block;
    EXPECT_EQ(setup.DoDataExchange(block, false), 0);
    AString type = L"x";
    io::DoDataExchange(block, true, AString(L"SetupType"), type, 0);
    EXPECT_EQ(type, AString());
  }
}

TEST_F(SolveSetupTest, BothKeysAreTriedAndTheLastFailureIsReturned) {
  CEigenSetup setup;
  setup.SetID(5);
  {
    // Identifier of the wrong kind (1), type missing (2).
    io::CBlock block;
    block << io::CBlock_named_value(L"ID", AString(L"seven"));
    EXPECT_EQ(setup.DoDataExchange(block, true), io::ReadError::kMissing);
    EXPECT_EQ(setup.mReadError, io::ReadError::kMissing);
    EXPECT_EQ(setup.GetID(), 5);
  }
  {
    // Identifier missing (2), type of the wrong kind (1).
    io::CBlock block;
    block << io::CBlock_named_value(L"SetupType", 3L);
    EXPECT_EQ(setup.DoDataExchange(block, true), io::ReadError::kWrongType);
  }
  {
    io::CBlock block;
    block << io::CBlock_named_value(L"ID", 8L) << io::CBlock_named_value(L"SetupType", L"?");
    EXPECT_EQ(setup.DoDataExchange(block, true), 0);
    EXPECT_EQ(setup.GetID(), 8);
  }
}

TEST_F(SolveSetupTest, InScriptingModeNothingIsExchanged) {
  CTestSetupMgr manager;
  CEigenSetup setup;
  setup.SetManager(&manager);
  setup.SetID(5);
  setup.mIsInScripting = true;
  setup.mReadError = 3;
  io::CBlock block;
  EXPECT_EQ(setup.DoDataExchange(block, false), 0);
  EXPECT_TRUE(block.IsEmpty());

  block << io::CBlock_named_value(L"ID", 9L) << io::CBlock_named_value(L"SetupType", L"Driven");
  EXPECT_EQ(setup.DoDataExchange(block, true), 0);
  EXPECT_EQ(setup.GetID(), 5);
  EXPECT_EQ(setup.mReadError, 0);
}

TEST_F(SolveSetupTest, MessagesNameTheSetupFirst) {
  CEigenSetup setup;
  setup.SetName(AString(L"Setup7"));
  setup.AddVelmorMessage(kWarningMessage, 1, 500, 9, nullptr);
  std::vector<AString> args = {AString(L"A"), AString(L"B")};
  setup.AddVelmorMessage(kErrorMessage, 0, 501, 0, &args);

  const std::vector<VelmorMessage> messages = Messages().GetMessages();
  ASSERT_EQ(messages.size(), 2U);
  const VelmorMessage& first = messages[0];
  EXPECT_EQ(first.GetSeverity(), kWarningMessage);
  EXPECT_EQ(first.GetCategory(), 1);
  EXPECT_EQ(first.GetMessageID(), 500);
  EXPECT_EQ(first.GetHelpID(), 9);
  EXPECT_EQ(first.GetModuleID(), 6);
  EXPECT_EQ(first.GetPrefixText(), AString());
  EXPECT_EQ(first.GetSuffixText(), AString());
  EXPECT_FALSE(first.GetNeedsAcknowledge());
  EXPECT_EQ(first.GetArgs(), std::vector<AString>{AString(L"Setup7")});

  EXPECT_EQ(messages[1].GetArgs(),
            (std::vector<AString>{AString(L"Setup7"), AString(L"A"), AString(L"B")}));
}

}  // namespace
