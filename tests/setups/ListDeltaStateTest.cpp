#include "setups/ListDeltaState.h"

#include <list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

int gLiveNodes = 0;

struct Node {
  explicit Node(char name) : mName(name) { ++gLiveNodes; }
  virtual ~Node() { --gLiveNodes; }
  char mName;
};

using NodeList = std::list<Node*>;
using NodeDelta = ListDeltaState<Node*>;

std::string Names(const NodeList& list) {
  std::string names;
  for (const Node* node : list) {
    names += node->mName;
  }
  return names;
}

// Logs the hooks together with the list size seen at that moment.
class LoggingDelta : public NodeDelta {
 public:
  LoggingDelta(NodeList& list, bool ownsNodes) : NodeDelta(list, true, ownsNodes), mList(list) {}
  void OnInsertNode(Node* node) override {
    mLog += "+" + std::string(1, node->mName) + std::to_string(mList.size());
  }
  void OnRemoveNode(Node* node) override {
    mLog += "-" + std::string(1, node->mName) + std::to_string(mList.size());
  }
  std::string mLog;
  NodeList& mList;
};

class ListDeltaStateTest : public ::testing::Test {
 protected:
  void SetUp() override { gLiveNodes = 0; }
  // The nodes still in the list belong to the test.
  void TearDown() override {
    for (Node* node : mList) {
      delete node;
    }
    mList.clear();
    EXPECT_EQ(gLiveNodes, 0);
  }

  Node* Append(char name) {
    mList.push_back(new Node(name));
    return mList.back();
  }

  NodeList mList;
};

TEST_F(ListDeltaStateTest, UndoAndRedoOfInsertionsReplayInOppositeOrders) {
  Append('x');  // an unrelated node ahead of the edit
  Node* a = new Node('A');
  Node* b = new Node('B');
  LoggingDelta delta(mList, true);
  EXPECT_EQ(delta.mIsDone, 1);
  mList.push_back(a);
  delta.RecordChange(a, 1, true);
  mList.push_back(b);
  delta.RecordChange(b, 2, true);

  delta.UndoIt();
  EXPECT_EQ(delta.mIsDone, 0);
  EXPECT_EQ(Names(mList), "x");
  // B is taken out before A, each hook before its change.
  EXPECT_EQ(delta.mLog, "-B3-A2");

  delta.mLog.clear();
  delta.RedoIt();
  EXPECT_EQ(delta.mIsDone, 1);
  EXPECT_EQ(Names(mList), "xAB");
  EXPECT_EQ(delta.mLog, "+A1+B2");
}

TEST_F(ListDeltaStateTest, UndoOfARemovalPutsTheNodeBackAtItsPosition) {
  Append('A');
  Node* b = Append('B');
  Append('C');
  NodeDelta delta(mList, false, true);
  mList.remove(b);
  delta.RecordChange(b, 1, false);

  delta.UndoIt();
  EXPECT_EQ(Names(mList), "ABC");
  delta.RedoIt();
  EXPECT_EQ(Names(mList), "AC");
  delta.UndoIt();
  EXPECT_EQ(Names(mList), "ABC");
}

TEST_F(ListDeltaStateTest, MixedChangesRoundTrip) {
  Node* a = Append('A');
  Append('B');
  Node* c = new Node('C');
  NodeDelta delta(mList, true, true);
  mList.pop_front();
  delta.RecordChange(a, 0, false);  // B
  mList.push_front(c);
  delta.RecordChange(c, 0, true);  // CB
  mList.push_back(a);
  delta.RecordChange(a, 2, true);  // CBA

  delta.UndoIt();
  EXPECT_EQ(Names(mList), "AB");
  delta.RedoIt();
  EXPECT_EQ(Names(mList), "CBA");
  // Everything is in the list in both states, so the record deletes nothing:
  // A was removed and inserted again.
}

TEST_F(ListDeltaStateTest, DestructorDeletesExactlyTheNodesOutOfTheList) {
  struct Case {
    bool inserted;
    bool undo;
    bool deleted;
  };
  for (const Case& c : {Case{false, false, true}, Case{false, true, false}, Case{true, true, true},
                        Case{true, false, false}}) {
    SCOPED_TRACE(std::string(c.inserted ? "insertion" : "removal") +
                 (c.undo ? " undone" : " done"));
    Node* node = new Node('N');
    {
      NodeDelta delta(mList, true, true);
      if (c.inserted) {
        mList.push_back(node);
      }
      delta.RecordChange(node, 0, c.inserted);
      if (c.undo) {
        delta.UndoIt();
      }
      EXPECT_EQ(mList.size(), (c.inserted != c.undo) ? 1U : 0U);
    }
    const bool inList = !mList.empty();
    EXPECT_EQ(inList, !c.deleted);
    EXPECT_EQ(gLiveNodes, c.deleted ? 0 : 1);
    if (inList) {
      delete mList.front();
      mList.clear();
    } else if (!c.deleted) {
      delete node;
    }
    EXPECT_EQ(gLiveNodes, 0);
  }
}

TEST_F(ListDeltaStateTest, ARecordThatDoesNotOwnNodesDeletesNothing) {
  Node* a = Append('A');
  {
    NodeDelta delta(mList, true, false);
    mList.clear();
    delta.RecordChange(a, 0, false);
  }
  EXPECT_EQ(gLiveNodes, 1);
  delete a;
}

TEST_F(ListDeltaStateTest, ANodeRecordedTwiceIsDeletedOnce) {
  // The list held the node twice and the change took both entries out.
  Node* a = new Node('A');
  mList = {a, a};
  {
    NodeDelta delta(mList, true, true);
    mList.clear();
    delta.RecordChange(a, 0, false);
    delta.RecordChange(a, 0, false);
  }
  EXPECT_EQ(gLiveNodes, 0);  // and AddressSanitizer saw no second delete
}

TEST_F(ListDeltaStateTest, ANodeTakenOutAndPutBackIsNeverDeletedWhileListed) {
  Node* a = Append('A');
  {
    NodeDelta delta(mList, true, true);
    mList.clear();
    delta.RecordChange(a, 0, false);
    mList.push_back(a);
    delta.RecordChange(a, 0, true);
  }
  ASSERT_EQ(gLiveNodes, 1);
  EXPECT_EQ(mList.front(), a);
}

TEST_F(ListDeltaStateTest, AnUndoneInsertionOfAListedNodeIsNotDeletedTwice) {
  // Inserted, removed and inserted again: undone, the node is out of the
  // list (it was not there before) and deleted once.
  Node* a = new Node('A');
  {
    NodeDelta delta(mList, true, true);
    mList.push_back(a);
    delta.RecordChange(a, 0, true);
    mList.clear();
    delta.RecordChange(a, 0, false);
    mList.push_back(a);
    delta.RecordChange(a, 0, true);
    delta.UndoIt();
    EXPECT_TRUE(mList.empty());
  }
  EXPECT_EQ(gLiveNodes, 0);
}

TEST_F(ListDeltaStateTest, AnEmptyRecordChangesNothing) {
  Append('A');
  Append('B');
  NodeDelta delta(mList, true, true);
  delta.UndoIt();
  EXPECT_EQ(Names(mList), "AB");
  delta.RedoIt();
  EXPECT_EQ(Names(mList), "AB");
  EXPECT_TRUE(delta.IsEmpty());
}

TEST_F(ListDeltaStateTest, InsertingBeyondTheEndAppendsAndReports) {
  Append('A');
  NodeDelta delta(mList, true, false);
  AssertReportRecorder reports;
  Node* b = new Node('B');
  delta.InsertNodeAt(b, 5);
  EXPECT_EQ(Names(mList), "AB");
  ASSERT_EQ(reports.GetCount(), 1);
  EXPECT_EQ(reports.GetReports()[0].mExpression, "nodePos <= m_srcList.size()");
  EXPECT_EQ(reports.GetReports()[0].mLine, 120);

  delta.InsertNodeAt(new Node('C'), 0);
  EXPECT_EQ(Names(mList), "CAB");
  EXPECT_EQ(reports.GetCount(), 1);
}

TEST_F(ListDeltaStateTest, RemovingAtAStalePositionNeverRemovesAnotherNode) {
  Append('A');
  Node* b = Append('B');
  Append('C');
  Node* stranger = new Node('S');
  NodeDelta delta(mList, true, false);

  {
    // The entry at position 0 is A, not B: B is taken out where it is.
    AssertReportRecorder reports;
    delta.RemoveNodeAt(b, 0);
    EXPECT_EQ(Names(mList), "AC");
    EXPECT_TRUE(reports.HasReport("node == (*listIter)"));
    EXPECT_EQ(reports.GetCount(), 1);
  }
  {
    // Beyond the end, with the node nowhere in the list: nothing changes.
    AssertReportRecorder reports;
    delta.RemoveNodeAt(stranger, 7);
    EXPECT_EQ(Names(mList), "AC");
    EXPECT_TRUE(reports.HasReport("nodePos < m_srcList.size()"));
    EXPECT_TRUE(reports.HasReport("listIter != m_srcList.end()"));
  }
  {
    // A node not in the list at a valid position: reported, nothing removed.
    AssertReportRecorder reports;
    delta.RemoveNodeAt(stranger, 1);
    EXPECT_EQ(Names(mList), "AC");
    EXPECT_TRUE(reports.HasReport("node == (*listIter)"));
  }
  delete b;
  delete stranger;
}

TEST_F(ListDeltaStateTest, RemovingPastTheEndRemovesNothingAndOwnsNothing) {
  Append('A');
  Append('B');
  Node* c = Append('C');
  {
    auto* delta = new NodeDelta(mList, true, true);
    mList.pop_back();
    delta->RecordChange(c, 2, false);  // C deleted at position 2, now the record's
    delta->UndoIt();
    EXPECT_EQ(Names(mList), "ABC");
    // Edited behind the record's back: only C is left, so position 2 is past the end.
    delete mList.front();
    mList.pop_front();
    delete mList.front();
    mList.pop_front();
    {
      AssertReportRecorder reports;
      delta->RedoIt();
      EXPECT_EQ(Names(mList), "C");  // C is elsewhere, and stays there
      EXPECT_TRUE(reports.HasReport("nodePos < m_srcList.size()"));
      EXPECT_TRUE(reports.HasReport("listIter != m_srcList.end()"));
      EXPECT_FALSE(reports.HasReport("node == (*listIter)"));
    }
    // The record is in effect, but C never left the list: deleting the record must not delete C.
    delete delta;
  }
  EXPECT_EQ(gLiveNodes, 1);
  ASSERT_EQ(mList.size(), 1u);
  EXPECT_EQ(mList.front()->mName, 'C');
}

TEST_F(ListDeltaStateTest, ANodeTakenOutAfterAFailedRemovalIsOwnedAgain) {
  Node* a = Append('A');
  auto* delta = new NodeDelta(mList, true, true);
  delta->RecordChange(a, 0, true);  // A inserted at the front
  {
    AssertReportRecorder reports;
    delta->RemoveNodeAt(a, 4);  // past the end: nothing happens
    EXPECT_EQ(Names(mList), "A");
    delta->RemoveNodeAt(a, 0);
    EXPECT_EQ(Names(mList), "");
  }
  delta->mIsDone = 0;  // as after an undo: the insertion is reversed, A is the record's
  delete delta;
  EXPECT_EQ(gLiveNodes, 0);
}

}  // namespace
