#include "setups/SolveSetupMgr.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "TestProduct.h"
#include "platform/basalt/ProgressMonitor.h"
#include "platform/basalt/VelmorAssert.h"
#include "platform/basalt/VelmorCommand.h"
#include "platform/basalt/VelmorMessage.h"

namespace {

using setups_test::CDrivenSetup;
using setups_test::CEigenSetup;
using setups_test::CTestGlobalData;
using setups_test::CTestSetupMgr;
using setups_test::gLiveGlobalData;
using setups_test::gLiveSetups;
using Delta = ListDeltaState<CSolveSetup*>;

// Remembers every position and message; aborts once it has seen `abortAfter`
// positions.
class RecordingMonitor : public IProgressMonitor {
 public:
  void SetProgress(int position) override { mPositions.push_back(position); }
  void SetMessage(const AString& message) override { mMessages.push_back(message); }
  bool IsAborted() const override {
    return mAbortAfter > 0 && static_cast<int>(mPositions.size()) >= mAbortAfter;
  }
  std::vector<int> mPositions;
  std::vector<AString> mMessages;
  int mAbortAfter = 0;
};

class SolveSetupMgrTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLiveSetups = 0;
    gLiveGlobalData = 0;
    Messages().ClearMessages();
  }
  void TearDown() override {
    EXPECT_EQ(gLiveSetups, 0) << "setups leaked";
    EXPECT_EQ(gLiveGlobalData, 0) << "global data leaked";
  }

  static VelmorMessageHandler& Messages() {
    return *GetGlobalIMessageManager().GetMessageHandler();
  }
  static std::vector<int> MessageIDs() {
    std::vector<int> ids;
    for (const VelmorMessage& message : Messages().GetMessages()) {
      ids.push_back(message.GetMessageID());
    }
    return ids;
  }
  static std::vector<AString> Names(const CSolveSetupMgr& manager) {
    std::list<AString> names;
    manager.GetAllNames(names);
    return std::vector<AString>(names.begin(), names.end());
  }
};

TEST_F(SolveSetupMgrTest, TypeTableLooksUpNamesIgnoringCase) {
  CTestSetupMgr manager;
  EXPECT_EQ(manager.GetType(AString(L"driven")), CDrivenSetup::kType);
  EXPECT_EQ(manager.GetType(AString(L"EIGEN")), CEigenSetup::kType);
  EXPECT_EQ(manager.GetType(AString(L"Transient")), -1);
  EXPECT_EQ(manager.GetTypeName(CEigenSetup::kType), AString(L"Eigen"));
  EXPECT_EQ(manager.GetTypeName(17), AString());

  // The lowest id wins among names equal ignoring case.
  manager.AddSetupType(0, AString(L"EIGEN"));
  EXPECT_EQ(manager.GetType(AString(L"eigen")), 0);

  AssertReportRecorder reports;
  manager.AddSetupType(CDrivenSetup::kType, AString(L"Other"));
  EXPECT_TRUE(reports.HasReport("0"));
  EXPECT_EQ(manager.GetTypeName(CDrivenSetup::kType), AString(L"Driven"));
}

TEST_F(SolveSetupMgrTest, CreatedSetupsHaveManagerDefaultsAndUniqueNames) {
  CTestSetupMgr manager;
  CSolveSetup* first = manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetManager(), &manager);
  EXPECT_EQ(dynamic_cast<CDrivenSetup*>(first)->mPasses, 6);
  CSolveSetup* second = manager.CreateSetup(CEigenSetup::kType, AString(L"setup"));
  EXPECT_NE(second->GetName().CompareNoCase(first->GetName()), 0);
  EXPECT_EQ(manager.GetSetupCount(), 1);  // created, not added
  manager.AddSetup(second, nullptr);

  CSolveSetup* unnamed = manager.CreateSetup(CEigenSetup::kType, true);
  EXPECT_EQ(unnamed->GetName(), AString());
  EXPECT_EQ(unnamed->GetManager(), &manager);
  EXPECT_EQ(dynamic_cast<CEigenSetup*>(unnamed)->mModes, 10);
  delete unnamed;
}

TEST_F(SolveSetupMgrTest, AFactoryWithoutASetupIsReportedAndGivesNull) {
  CTestSetupMgr manager;
  AssertReportRecorder reports;
  EXPECT_EQ(manager.CreateSetup(-1, AString(L"X")), nullptr);
  EXPECT_EQ(manager.CreateSetup(99, true), nullptr);
  EXPECT_EQ(reports.GetCount(), 2);
  EXPECT_TRUE(reports.HasReport("theSetup"));
}

TEST_F(SolveSetupMgrTest, AddingGivesIdentifiersOnlyToSetupsWithout) {
  CTestSetupMgr manager;
  CSolveSetup* a = manager.Add(CDrivenSetup::kType, AString(L"A"));
  CSolveSetup* b = manager.Add(CDrivenSetup::kType, AString(L"B"));
  EXPECT_EQ(a->GetID(), id::initialID);
  EXPECT_EQ(b->GetID(), id::initialID + 1);
  CSolveSetup* kept = manager.CreateSetup(CEigenSetup::kType, AString(L"K"));
  kept->SetID(100);
  manager.AddSetup(kept, nullptr);
  EXPECT_EQ(kept->GetID(), 100);
  EXPECT_EQ(manager.GetSetup(100L), kept);

  // A setup from elsewhere gets this manager.
  auto* stranger = new CEigenSetup();
  manager.AddSetup(stranger, nullptr);
  EXPECT_EQ(stranger->GetManager(), &manager);

  AssertReportRecorder reports;
  manager.AddSetup(nullptr, nullptr);
  manager.DeleteSetup(nullptr, nullptr);
  EXPECT_EQ(reports.GetCount(), 2);
  EXPECT_EQ(manager.GetSetupCount(), 4);
}

TEST_F(SolveSetupMgrTest, LookUpsByNameDifferInCaseRules) {
  CTestSetupMgr manager;
  CSolveSetup* setup = manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  const AString name = setup->GetName();
  EXPECT_EQ(manager.GetSetup(name.ToUpper()), setup);
  EXPECT_EQ(manager.GetSetupForEdit(name.ToUpper()), nullptr);
  EXPECT_EQ(manager.GetSetupForEdit(name), setup);
  EXPECT_EQ(manager.GetSetup(AString(L"none")), nullptr);
  EXPECT_EQ(manager.GetSetupForEdit(setup->GetID()), setup);
  EXPECT_EQ(manager.GetSetup(setup->GetID() + 1), nullptr);
}

TEST_F(SolveSetupMgrTest, NameChecksPostTheirMessages) {
  CTestSetupMgr manager;
  CSolveSetup* setup = manager.Add(CDrivenSetup::kType, AString(L"Setup"));
  const AString name = setup->GetName();

  EXPECT_TRUE(manager.IsNameUnique(name, setup));
  EXPECT_TRUE(manager.IsNameUnique(AString(L"Other"), nullptr));
  EXPECT_TRUE(Messages().GetMessages().empty());

  EXPECT_FALSE(manager.IsNameUnique(name.ToLower(), nullptr));
  std::vector<VelmorMessage> messages = Messages().GetMessages();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].GetSeverity(), kErrorMessage);
  EXPECT_EQ(messages[0].GetMessageID(), 24690);
  EXPECT_EQ(messages[0].GetHelpID(), 56);
  EXPECT_EQ(messages[0].GetModuleID(), 6);
  EXPECT_EQ(messages[0].GetArgs(), std::vector<AString>{name.ToLower()});

  Messages().ClearMessages();
  EXPECT_TRUE(manager.IsNameValid(AString(L"Fine name")));
  EXPECT_FALSE(manager.IsNameValid(AString(L" padded")));
  messages = Messages().GetMessages();
  ASSERT_EQ(messages.size(), 1U);
  EXPECT_EQ(messages[0].GetMessageID(), 24691);
  EXPECT_EQ(messages[0].GetHelpID(), 57);
  ASSERT_EQ(messages[0].GetArgCount(), 2);
  EXPECT_EQ(messages[0].GetArg(0), AString(L" padded"));
  EXPECT_FALSE(messages[0].GetArg(1).empty());
}

TEST_F(SolveSetupMgrTest, GetAllNamesAppends) {
  CTestSetupMgr manager;
  CSolveSetup* a = manager.Add(CDrivenSetup::kType, AString(L"A"));
  std::list<AString> names = {AString(L"already")};
  manager.GetAllNames(names);
  EXPECT_EQ(std::vector<AString>(names.begin(), names.end()),
            (std::vector<AString>{AString(L"already"), a->GetName()}));
}

TEST_F(SolveSetupMgrTest, UndoAndRedoOfAddsReplayAtTheRecordedPositions) {
  CTestSetupMgr manager;
  CSolveSetup* before = manager.Add(CDrivenSetup::kType, AString(L"Before"));
  std::unique_ptr<Delta> delta(manager.CreateListDeltaState(true));
  EXPECT_TRUE(delta->GetMarksModified());
  EXPECT_TRUE(delta->GetOwnsNodes());
  CSolveSetup* a = manager.Add(CDrivenSetup::kType, AString(L"A"), delta.get());
  CSolveSetup* b = manager.Add(CEigenSetup::kType, AString(L"B"), delta.get());
  ASSERT_EQ(delta->GetChanges().size(), 2U);
  EXPECT_EQ(delta->GetChanges().back().nodePos, 2U);
  EXPECT_TRUE(delta->GetChanges().back().inserted);

  delta->UndoIt();
  EXPECT_EQ(manager.GetSetupCount(), 1);
  delta->RedoIt();
  EXPECT_EQ(Names(manager), (std::vector<AString>{before->GetName(), a->GetName(), b->GetName()}));
  // Undone and dropped from the history: the record deletes both.
  delta->UndoIt();
  delta.reset();
  EXPECT_EQ(gLiveSetups, 1);
}

TEST_F(SolveSetupMgrTest, DeletingTheMiddleSetupRecordsItsPosition) {
  CTestSetupMgr manager;
  manager.Add(CDrivenSetup::kType, AString(L"A"));
  CSolveSetup* b = manager.Add(CDrivenSetup::kType, AString(L"B"));
  manager.Add(CDrivenSetup::kType, AString(L"C"));
  const std::vector<AString> before = Names(manager);

  std::unique_ptr<Delta> delta(manager.CreateListDeltaState(false));
  manager.DeleteSetup(b, delta.get());
  ASSERT_EQ(delta->GetChanges().size(), 1U);
  EXPECT_EQ(delta->GetChanges().front().nodePos, 1U);
  EXPECT_FALSE(delta->GetChanges().front().inserted);
  EXPECT_EQ(manager.GetSetupCount(), 2);

  delta->UndoIt();
  EXPECT_EQ(Names(manager), before);
  delta->RedoIt();
  EXPECT_EQ(manager.GetSetupCount(), 2);
  // Done, so the record owns the deleted setup.
  delta.reset();
  EXPECT_EQ(gLiveSetups, 2);
}

TEST_F(SolveSetupMgrTest, ARecordDestroyedAfterUndoingADeletionDeletesNothing) {
  CTestSetupMgr manager;
  CSolveSetup* a = manager.Add(CDrivenSetup::kType, AString(L"A"));
  {
    std::unique_ptr<Delta> delta(manager.CreateListDeltaState(true));
    manager.DeleteSetup(a, delta.get());
    delta->UndoIt();
  }
  EXPECT_EQ(gLiveSetups, 1);
  EXPECT_EQ(manager.GetSetup(a->GetID()), a);
}

TEST_F(SolveSetupMgrTest, DeletingASetupNotInTheListChangesAndRecordsNothing) {
  CTestSetupMgr manager;
  manager.Add(CDrivenSetup::kType, AString(L"A"));
  CSolveSetup* outside = manager.CreateSetup(CEigenSetup::kType, AString(L"X"));
  std::unique_ptr<Delta> delta(manager.CreateListDeltaState(true));
  manager.DeleteSetup(outside, delta.get());
  EXPECT_TRUE(delta->IsEmpty());
  EXPECT_EQ(manager.GetSetupCount(), 1);
  delete outside;
}

TEST_F(SolveSetupMgrTest, ASetupAddedTwiceIsTakenOutByOneDeleteAndDeletedOnce) {
  CTestSetupMgr manager;
  CSolveSetup* a = manager.Add(CDrivenSetup::kType, AString(L"A"));
  manager.Add(CDrivenSetup::kType, AString(L"B"));
  manager.AddSetup(a, nullptr);
  EXPECT_EQ(manager.GetSetupCount(), 3);

  std::unique_ptr<Delta> delta(manager.CreateListDeltaState(true));
  manager.DeleteSetup(a, delta.get());
  EXPECT_EQ(manager.GetSetupCount(), 1);
  ASSERT_EQ(delta->GetChanges().size(), 1U);
  EXPECT_EQ(delta->GetChanges().front().nodePos, 0U);
  delta.reset();
  EXPECT_EQ(gLiveSetups, 1);

  // Listed twice when the manager dies: deleted once.
  manager.AddSetup(manager.CreateSetup(CEigenSetup::kType, AString(L"C")), nullptr);
  manager.AddSetup(*std::prev(manager.GetLastSetupForEdit()), nullptr);
}

TEST_F(SolveSetupMgrTest, ARecordOfAnotherListIsNotWrittenTo) {
  CTestSetupMgr manager;
  CTestSetupMgr other;
  std::unique_ptr<Delta> foreign(other.CreateListDeltaState(true));
  AssertReportRecorder reports;
  CSolveSetup* a = manager.Add(CDrivenSetup::kType, AString(L"A"), foreign.get());
  manager.DeleteSetup(a, foreign.get());
  EXPECT_EQ(reports.GetCount(), 2);
  EXPECT_TRUE(foreign->IsEmpty());
  delete a;  // taken out without a record of this list: the caller's
}

TEST_F(SolveSetupMgrTest, CommandInfoIsMadeOnceAndKeptByTheCommand) {
  CTestSetupMgr manager;
  VelmorCommand command;
  CSolveSetupCmdInfo* info = manager.GetOrCreateCommandInfo(&command);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(command.GetCommandInfo(CTestSetupMgr::kCmdInfoKey), info);
  EXPECT_EQ(manager.GetOrCreateCommandInfo(&command), info);
  EXPECT_EQ(manager.GetOrCreateCommandInfo(nullptr), nullptr);

  // An info of another class under the key is replaced.
  VelmorCommand other;
  other.SetCommandInfo(CTestSetupMgr::kCmdInfoKey, new VelmorCommandInfo(1, 1));
  CSolveSetupCmdInfo* made = manager.GetOrCreateCommandInfo(&other);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(other.GetCommandInfo(CTestSetupMgr::kCmdInfoKey), made);
}

TEST_F(SolveSetupMgrTest, UpdateReachesEverySetupEvenAfterAFailure) {
  CTestSetupMgr manager;
  auto* a = dynamic_cast<CDrivenSetup*>(manager.Add(CDrivenSetup::kType, AString(L"A")));
  auto* b = dynamic_cast<CDrivenSetup*>(manager.Add(CDrivenSetup::kType, AString(L"B")));
  VelmorCommand command;
  EXPECT_TRUE(manager.Update(&command));
  a->mUpdateResult = false;
  EXPECT_FALSE(manager.Update(&command));
  EXPECT_EQ(b->mUpdateCount, 2);

  a->mUpdateResult = true;
  manager.GetTestGlobalData()->mUpdateResult = false;
  EXPECT_FALSE(manager.Update(&command));
  EXPECT_EQ(a->mUpdateCount, 3);
  EXPECT_EQ(manager.GetTestGlobalData()->mUpdateCount, 3);
}

TEST_F(SolveSetupMgrTest, ValidationReportsProgressPerSetup) {
  CTestSetupMgr manager;
  manager.Add(CDrivenSetup::kType, AString(L"A"));
  manager.Add(CDrivenSetup::kType, AString(L"B"));
  manager.Add(CEigenSetup::kType, AString(L"C"));
  RecordingMonitor monitor;
  EXPECT_TRUE(manager.Validate(nullptr, &monitor, 100));
  EXPECT_EQ(monitor.mPositions, (std::vector<int>{33, 66, 99}));
  EXPECT_EQ(monitor.mMessages, Names(manager));
  EXPECT_TRUE(Messages().GetMessages().empty());

  EXPECT_TRUE(manager.Validate(nullptr, nullptr, 100));
}

TEST_F(SolveSetupMgrTest, AnAbortStopsTheWalkButKeepsTheVerdict) {
  CTestSetupMgr manager;
  manager.Add(CDrivenSetup::kType, AString(L"A"));
  auto* b = dynamic_cast<CDrivenSetup*>(manager.Add(CDrivenSetup::kType, AString(L"B")));
  b->mPasses = 0;  // invalid, but never reached
  RecordingMonitor monitor;
  monitor.mAbortAfter = 1;
  EXPECT_TRUE(manager.Validate(nullptr, &monitor, 10));
  EXPECT_EQ(monitor.mPositions, std::vector<int>{5});

  EXPECT_FALSE(manager.Validate(nullptr, nullptr, 10));
}

TEST_F(SolveSetupMgrTest, ValidationFailsForBadNamesSettingsAndGlobalData) {
  CTestSetupMgr manager;
  CSolveSetup* a = manager.Add(CDrivenSetup::kType, AString(L"A"));
  manager.GetTestGlobalData()->mValid = false;
  EXPECT_FALSE(manager.Validate(nullptr, nullptr, 1));
  manager.GetTestGlobalData()->mValid = true;

  a->SetName(AString(L"bad "));
  EXPECT_FALSE(manager.Validate(nullptr, nullptr, 1));
  EXPECT_EQ(MessageIDs(), std::vector<int>{24691});
}

TEST_F(SolveSetupMgrTest, DuplicateNamesInValidationAreCaseSensitive) {
  CTestSetupMgr manager;
  manager.Add(CDrivenSetup::kType, AString(L"A"))->SetName(AString(L"Same"));
  manager.Add(CDrivenSetup::kType, AString(L"B"))->SetName(AString(L"SAME"));
  EXPECT_TRUE(manager.Validate(nullptr, nullptr, 100));
  EXPECT_TRUE(Messages().GetMessages().empty());

  manager.Add(CDrivenSetup::kType, AString(L"C"))->SetName(AString(L"Same"));
  manager.Add(CDrivenSetup::kType, AString(L"D"))->SetName(AString(L"SAME"));
  RecordingMonitor monitor;
  EXPECT_FALSE(manager.Validate(nullptr, &monitor, 100));
  // One message for the first duplicate; the walk still covers every setup.
  EXPECT_EQ(MessageIDs(), std::vector<int>{24690});
  EXPECT_EQ(Messages().GetMessages()[0].GetArgCount(), 0);
  EXPECT_EQ(monitor.mPositions, (std::vector<int>{25, 50, 75, 100}));
}

TEST_F(SolveSetupMgrTest, AnEmptyManagerNeedsSetupsOnlyWhenRequired) {
  CTestSetupMgr manager;
  EXPECT_FALSE(manager.Validate(nullptr, nullptr, 100));
  EXPECT_EQ(MessageIDs(), std::vector<int>{24689});

  Messages().ClearMessages();
  manager.mSetupsRequired = false;
  EXPECT_TRUE(manager.Validate(nullptr, nullptr, 100));
  manager.GetTestGlobalData()->mValid = false;
  EXPECT_FALSE(manager.Validate(nullptr, nullptr, 100));
  EXPECT_TRUE(Messages().GetMessages().empty());
}

TEST_F(SolveSetupMgrTest, GlobalDataIsOwnedAndReplaced) {
  CTestSetupMgr manager;
  EXPECT_EQ(gLiveGlobalData, 1);
  EXPECT_EQ(manager.GetGlobalSetupData()->GetBlkKwd(), AString(L"GlobalData"));
  EXPECT_TRUE(manager.GetGlobalSetupData()->CGlobalSetupData::Validate(nullptr));
  EXPECT_TRUE(manager.GetGlobalSetupDataForEdit()->CGlobalSetupData::Update(nullptr));
  auto* replacement = new CTestGlobalData();
  manager.SetGlobalSetupData(replacement);
  EXPECT_EQ(gLiveGlobalData, 1);
  manager.SetGlobalSetupData(replacement);
  EXPECT_EQ(manager.GetGlobalSetupData(), replacement);
}

TEST_F(SolveSetupMgrTest, CopiesShareSetupsAndDieInEitherOrder) {
  for (bool originalFirst : {true, false}) {
    SCOPED_TRACE(originalFirst ? "original first" : "copy first");
    auto original = std::make_unique<CTestSetupMgr>();
    CSolveSetup* a = original->Add(CDrivenSetup::kType, AString(L"A"));
    auto copy = std::make_unique<CTestSetupMgr>(*original);
    EXPECT_EQ(copy->GetSetup(a->GetID()), a);
    EXPECT_EQ(copy->GetGlobalSetupData(), original->GetGlobalSetupData());

    // Each edits its own list afterwards.
    original->Add(CEigenSetup::kType, AString(L"OnlyOriginal"));
    copy->Add(CEigenSetup::kType, AString(L"OnlyCopy"));
    EXPECT_EQ(gLiveSetups, 3);

    (originalFirst ? original : copy).reset();
    EXPECT_EQ(gLiveSetups, 2);
    EXPECT_EQ(gLiveGlobalData, 1);
    CTestSetupMgr& survivor = *(originalFirst ? copy : original);
    // The shared setup now answers to the manager that keeps it.
    EXPECT_EQ(a->GetManager(), &survivor);
    io::CBlock block;
    EXPECT_EQ(survivor.DoDataExchange(block, false), 0);
    (originalFirst ? copy : original).reset();
    EXPECT_EQ(gLiveSetups, 0);
    EXPECT_EQ(gLiveGlobalData, 0);
  }
}

TEST_F(SolveSetupMgrTest, AssignmentLetsGoOfWhatTheTargetHeld) {
  CTestSetupMgr source;
  source.Add(CDrivenSetup::kType, AString(L"S"));
  {
    CTestSetupMgr target;
    target.Add(CDrivenSetup::kType, AString(L"T"));
    CTestSetupMgr shared(target);
    EXPECT_EQ(gLiveSetups, 2);
    target = source;
    // T is still listed by `shared`, the copy made before the assignment.
    EXPECT_EQ(gLiveSetups, 2);
    EXPECT_EQ(gLiveGlobalData, 2);
    EXPECT_EQ(Names(target), Names(source));
    target = target;
    EXPECT_EQ(Names(target), Names(source));
  }
  EXPECT_EQ(gLiveSetups, 1);
  EXPECT_EQ(gLiveGlobalData, 1);
}

TEST_F(SolveSetupMgrTest, RecordsAndCopiesReleaseSharedSetupsOnce) {
  // A copy deletes a shared setup with a record; the record and both
  // managers then die in every order.
  const int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  for (const auto& order : orders) {
    SCOPED_TRACE(testing::Message() << order[0] << order[1] << order[2]);
    auto original = std::make_unique<CTestSetupMgr>();
    CSolveSetup* a = original->Add(CDrivenSetup::kType, AString(L"A"));
    auto copy = std::make_unique<CTestSetupMgr>(*original);
    std::unique_ptr<Delta> delta(copy->CreateListDeltaState(true));
    copy->DeleteSetup(a, delta.get());
    for (int which : order) {
      if (which == 0) {
        original.reset();
      } else if (which == 1) {
        copy.reset();
      } else {
        delta.reset();
      }
    }
    EXPECT_EQ(gLiveSetups, 0);
  }
}

TEST_F(SolveSetupMgrTest, ASetupHeldByACopysRecordMovesToTheCopy) {
  auto original = std::make_unique<CTestSetupMgr>();
  CSolveSetup* a = original->Add(CDrivenSetup::kType, AString(L"A"));
  CTestSetupMgr copy(*original);
  std::unique_ptr<Delta> delta(copy.CreateListDeltaState(true));
  copy.DeleteSetup(a, delta.get());
  original.reset();
  ASSERT_EQ(gLiveSetups, 1);
  EXPECT_EQ(a->GetManager(), &copy);
  // Undone, the setup is the copy's again and saves with the copy's types.
  delta->UndoIt();
  delta.reset();
  io::CBlock setups;
  EXPECT_TRUE(copy.WriteSetups(setups));
  AString type;
  io::DoDataExchange(*setups.Item(0)->AsBlock(), true, AString(L"SetupType"), type, 0);
  EXPECT_EQ(type, AString(L"Driven"));
}

TEST_F(SolveSetupMgrTest, ARecordOutlivingItsManagerNoLongerEditsTheList) {
  std::unique_ptr<Delta> delta;
  {
    CTestSetupMgr manager;
    CSolveSetup* a = manager.Add(CDrivenSetup::kType, AString(L"A"));
    manager.Add(CDrivenSetup::kType, AString(L"B"));
    delta.reset(manager.CreateListDeltaState(true));
    manager.DeleteSetup(a, delta.get());
  }
  EXPECT_EQ(gLiveSetups, 1);  // A, held by the record
  AssertReportRecorder reports;
  delta->UndoIt();
  delta->RedoIt();
  EXPECT_EQ(reports.GetCount(), 2);
  delta.reset();
  EXPECT_EQ(gLiveSetups, 0);
}

TEST_F(SolveSetupMgrTest, TwoRecordsHoldingOneSetupDeleteItOnce) {
  CTestSetupMgr manager;
  CSolveSetup* a = manager.Add(CDrivenSetup::kType, AString(L"A"));
  std::unique_ptr<Delta> first(manager.CreateListDeltaState(true));
  manager.DeleteSetup(a, first.get());
  manager.AddSetup(a, nullptr);
  std::unique_ptr<Delta> second(manager.CreateListDeltaState(true));
  manager.DeleteSetup(a, second.get());
  first.reset();
  EXPECT_EQ(gLiveSetups, 1);
  second.reset();
  EXPECT_EQ(gLiveSetups, 0);
}

}  // namespace
