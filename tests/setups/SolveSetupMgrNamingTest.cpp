// New setup names and identifiers stay unique whatever happened to the list
// since the manager last looked: renames, renumbering, undo and redo.
#include <memory>

#include <gtest/gtest.h>

#include "TestProduct.h"
#include "platform/basalt/io/Block.h"
#include "setups/SolveSetupMgr.h"

namespace {

using setups_test::CDrivenSetup;
using setups_test::CTestSetupMgr;
using setups_test::gLiveSetups;
using Delta = ListDeltaState<CSolveSetup*>;

class SolveSetupMgrNamingTest : public ::testing::Test {
 protected:
  void SetUp() override { gLiveSetups = 0; }
  void TearDown() override { EXPECT_EQ(gLiveSetups, 0) << "setups leaked"; }

  // The name the next setup made from "Setup" would get; the setup is not kept.
  static AString NextName(const CSolveSetupMgr& manager) {
    std::unique_ptr<CSolveSetup> setup(manager.CreateSetup(CDrivenSetup::kType, AString(L"Setup")));
    return setup->GetName();
  }
};

TEST_F(SolveSetupMgrNamingTest, NamesFollowRenamesMadeBehindTheManagersBack) {
  CTestSetupMgr manager;
  CSolveSetup* first = manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  EXPECT_EQ(NextName(manager), AString(L"Setup4"));

  // Setup1 becomes free, Setup4 taken, without the manager being told.
  first->SetName(AString(L"SETUP4"));
  EXPECT_EQ(NextName(manager), AString(L"Setup1"));
  manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  EXPECT_EQ(NextName(manager), AString(L"Setup5"));
}

TEST_F(SolveSetupMgrNamingTest, DeletedNamesAreOfferedAgainAndUndoTakesThemBack) {
  CTestSetupMgr manager;
  manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  CSolveSetup* second = manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  EXPECT_EQ(NextName(manager), AString(L"Setup4"));

  std::unique_ptr<Delta> delta(manager.CreateListDeltaState(false));
  manager.DeleteSetup(second, delta.get());
  EXPECT_EQ(NextName(manager), AString(L"Setup2"));

  // Undo puts Setup2 back into the list without AddSetup.
  delta->UndoIt();
  EXPECT_EQ(NextName(manager), AString(L"Setup4"));
  delta->RedoIt();
  EXPECT_EQ(NextName(manager), AString(L"Setup2"));
}

TEST_F(SolveSetupMgrNamingTest, NewIdentifiersSkipOnesGivenBehindTheManagersBack) {
  CTestSetupMgr manager;
  CSolveSetup* a = manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  CSolveSetup* b = manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  ASSERT_EQ(b->GetID(), id::initialID + 1);

  // The identifiers the counter offers next are taken without its knowledge.
  a->SetID(id::initialID + 2);
  b->SetID(id::initialID + 3);
  CSolveSetup* c = manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  EXPECT_EQ(c->GetID(), id::initialID + 4);
  EXPECT_EQ(manager.GetSetup(c->GetID()), c);
}

TEST_F(SolveSetupMgrNamingTest, SetupsReadLaterCountForLaterNames) {
  CTestSetupMgr source;
  source.Add(CDrivenSetup::kType, AString(L"Setup"));
  source.Add(CDrivenSetup::kType, AString(L"Setup"));
  io::CBlock design(L"Design");
  ASSERT_EQ(source.DoDataExchange(design, false), 0);

  CTestSetupMgr manager;
  manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  EXPECT_EQ(NextName(manager), AString(L"Setup2"));
  io::CBlockPtr setups(L"SolveSetups");
  design >> setups;
  ASSERT_TRUE(setups);
  // Setups read after the manager learnt its names are taken into account.
  EXPECT_EQ(manager.ReadSetups(*setups), 0);
  EXPECT_EQ(manager.GetSetupCount(), 3);
  EXPECT_EQ(NextName(manager), AString(L"Setup3"));
}

}  // namespace
