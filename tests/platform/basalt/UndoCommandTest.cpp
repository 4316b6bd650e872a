#include <gtest/gtest.h>

#include "platform/basalt/ProgressMonitor.h"
#include "platform/basalt/Undoable.h"
#include "platform/basalt/VelmorAssert.h"
#include "platform/basalt/VelmorCommand.h"
#include "platform/basalt/VelmorDeltaState.h"

namespace {

// An undoable object with one number, copying itself as the base expects.
class Counter : public MUndoableObject {
 public:
  explicit Counter(int value = 0) : mValue(value) { ReadUndoableFromStorage(); }
  MUndoableObject* Clone() const override { return new Counter(*this); }
  void Assign(MUndoableObject* other) override {
    if (auto* counter = dynamic_cast<Counter*>(other)) {
      mValue = counter->mValue;
    }
  }
  int mValue;
};

class OtherSnapshot : public UndoableSnapshot {};

TEST(UndoableTest, SnapshotIsACloneAndRestoresState) {
  Counter counter(5);
  std::unique_ptr<UndoableSnapshot> snapshot(counter.MakeSnapshotForUndo());
  ASSERT_NE(snapshot, nullptr);
  counter.mValue = 9;
  EXPECT_FALSE(counter.IsEqualToSnapshot(*snapshot));
  counter.AssignForUndoFrom(*snapshot);
  EXPECT_EQ(counter.mValue, 5);
  EXPECT_TRUE(counter.IsEqualToSnapshot(counter));
}

TEST(UndoableTest, ForeignSnapshotIsReportedAndChangesNothing) {
  AssertReportRecorder recorder;
  Counter counter(3);
  counter.AssignForUndoFrom(OtherSnapshot());
  EXPECT_EQ(counter.mValue, 3);
  EXPECT_EQ(recorder.GetCount(), 1);
}

TEST(UndoableTest, EachObjectGetsItsOwnIdentity) {
  Counter a;
  Counter b(a);
  EXPECT_NE(a.GetUndoableID(), 0u);
  EXPECT_NE(a.GetUndoableID(), b.GetUndoableID());
  const auto before = b.GetUndoableID();
  b = a;
  EXPECT_EQ(b.GetUndoableID(), before);
  MUndoableObject plain;
  EXPECT_EQ(plain.MakeSnapshotForUndo(), nullptr);  // the base cannot copy itself
}

class Toggle : public VelmorDeltaState {
 public:
  explicit Toggle(int& target) : VelmorDeltaState(true), mTarget(target) {}
  void UndoIt() override {
    VelmorDeltaState::UndoIt();
    --mTarget;
  }
  void RedoIt() override {
    VelmorDeltaState::RedoIt();
    ++mTarget;
  }
  int& mTarget;
};

TEST(VelmorDeltaStateTest, DoneFlagFollowsUndoAndRedo) {
  int value = 1;
  Toggle toggle(value);
  EXPECT_EQ(toggle.mIsDone, 1);
  EXPECT_TRUE(toggle.GetMarksModified());
  toggle.UndoIt();
  EXPECT_EQ(toggle.mIsDone, 0);
  EXPECT_EQ(value, 0);
  toggle.RedoIt();
  EXPECT_EQ(toggle.mIsDone, 1);
  EXPECT_EQ(value, 1);
  EXPECT_TRUE(toggle.IsEquivalent(toggle));
  Toggle other(value);
  EXPECT_FALSE(toggle.IsEquivalent(other));
}

TEST(VelmorDeltaStateTest, UndoingTwiceIsReported) {
  AssertReportRecorder recorder;
  VelmorDeltaState state(false);
  state.UndoIt();
  state.UndoIt();
  EXPECT_EQ(state.mIsDone, 0);
  EXPECT_EQ(recorder.GetCount(), 1);
  state.RedoIt();
  state.RedoIt();
  EXPECT_EQ(recorder.GetCount(), 2);
}

// Counts its live instances so the test sees what the command deletes.
class CountedInfo : public VelmorCommandInfo {
 public:
  explicit CountedInfo(int& live) : VelmorCommandInfo(1, 0), mLive(live) { ++mLive; }
  ~CountedInfo() override { --mLive; }
  int& mLive;
};

TEST(VelmorCommandInfoTest, TypesAccumulateAsBitsAndMerge) {
  VelmorCommandInfo info(1, 0);
  info.AddInfoType(2);
  info.AddInfoSubType(4);
  info.AddInfoSubType(4);
  EXPECT_EQ(info.GetInfoType(), 3u);
  EXPECT_EQ(info.GetInfoSubType(), 4u);
  EXPECT_TRUE(info.HasInfoType(2));
  EXPECT_FALSE(info.HasInfoType(8));
  VelmorCommandInfo other(8, 1);
  info.MergeInfo(&other);
  info.MergeInfo(nullptr);
  EXPECT_EQ(info.GetInfoType(), 11u);
  EXPECT_EQ(info.GetInfoSubType(), 5u);
  EXPECT_TRUE(info.HasInfoSubType(5));
  EXPECT_EQ(VelmorCommandInfo().GetInfoType(), 0u);
}

TEST(VelmorCommandTest, KeepsInfosPerKeyAndDeletesReplacedOnes) {
  int live = 0;
  {
    VelmorCommand command(L"Rename");
    EXPECT_EQ(command.GetName(), L"Rename");
    EXPECT_EQ(command.GetCommandInfo(7), nullptr);
    auto* first = new CountedInfo(live);
    command.SetCommandInfo(7, first);
    command.SetCommandInfo(7, first);  // the same pointer again is kept
    EXPECT_EQ(command.GetCommandInfo(7), first);
    EXPECT_EQ(live, 1);
    auto* second = new CountedInfo(live);
    command.SetCommandInfo(7, second);
    EXPECT_EQ(live, 1);
    EXPECT_EQ(command.GetCommandInfo(7), second);
    command.SetCommandInfo(3, new CountedInfo(live));
    EXPECT_EQ(command.GetCommandInfoKeys(), (std::vector<int>{3, 7}));
    command.SetCommandInfo(3, nullptr);
    EXPECT_EQ(command.GetCommandInfo(3), nullptr);
    EXPECT_EQ(live, 1);
    IVelmorCommand& asInterface = command;
    EXPECT_EQ(asInterface.GetCommandInfo(7), second);
  }
  EXPECT_EQ(live, 0);
}

TEST(ProgressMonitorTest, BasicMonitorRemembersAndAborts) {
  BasicProgressMonitor monitor;
  IProgressMonitor& asInterface = monitor;
  asInterface.SetProgress(33);
  asInterface.SetMessage(L"Setup1");
  EXPECT_EQ(monitor.GetProgress(), 33);
  EXPECT_EQ(monitor.GetMessage(), L"Setup1");
  EXPECT_FALSE(asInterface.IsAborted());
  monitor.Abort();
  EXPECT_TRUE(asInterface.IsAborted());
}

}  // namespace
