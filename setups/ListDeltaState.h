// ListDeltaState<T>: one undoable change to a std::list of pointers.
//
// The record is filled while an edit happens: whoever inserts a node into or
// removes a node from the list calls RecordChange with the node, its position
// (counted from 0 at the front, at the time of the change) and the kind of
// change. The undo history then moves the change back and forth with UndoIt
// (newest entry first) and RedoIt (oldest entry first).
//
// Ownership: the list is bound by reference and not owned; it must outlive
// every UndoIt and RedoIt. With `ownsNodes` true the record owns each node
// that is out of the list because of it, and its destructor deletes those
// nodes (through their virtual destructor), each at most once:
//   - after RedoIt or while the change is in effect, a node whose newest
//     entry is a removal;
//   - after UndoIt, a node whose oldest entry is an insertion.
// For a node recorded once that is a removal in effect or an undone
// insertion. For a node recorded several times it is where the node really
// ends up, so a node taken out and put back by the same change is never
// deleted while it sits in the list. A node whose latest removal found
// nothing to take out (the list was edited behind the record's back) is
// never deleted by the record: it stays where the list's other editors put
// it, and deleting it would leave them a dangling pointer.
// Thread-safety: none; a record belongs to the thread of its list.
//
// The members are defined after the class, not inside it: a library that
// instantiates the template for its own lists and exports the instance
// (ravelin_setups does for CSolveSetup*) exports every member then, while
// members defined in the class body would count as inline and, on Windows,
// stay out of the DLL's export table that hosts link against.
#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <list>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/basalt/VelmorAssert.h"
#include "platform/basalt/VelmorDeltaState.h"

template <class T>
class ListDeltaState : public VelmorDeltaState {
  static_assert(std::is_pointer_v<T>, "ListDeltaState records lists of pointers");

 public:
  struct ListDeltaEntry {
    T node;
    unsigned nodePos;  // position at the time of the change, 0 at the front
    bool inserted;     // true for an insertion, false for a removal
  };

  // `marksModified` goes to VelmorDeltaState unchanged.
  ListDeltaState(std::list<T>& srcList, bool marksModified, bool ownsNodes);

  // A copy would own the same nodes a second time.
  ListDeltaState(const ListDeltaState&) = delete;
  ListDeltaState& operator=(const ListDeltaState&) = delete;

  ~ListDeltaState() override;

  void UndoIt() override;
  void RedoIt() override;

  // Hooks for derived records that keep more than the list in step; called
  // before the list changes.
  virtual void OnInsertNode(T node);
  virtual void OnRemoveNode(T node);

  // Appends an entry; the caller has already changed the list.
  void RecordChange(T node, unsigned nodePos, bool inserted);

  // Puts `node` before the entry at `nodePos`; a position beyond the end
  // appends it.
  void InsertNodeAt(T node, unsigned nodePos);

  // Takes `node` out of the list at `nodePos`. The entry is unlinked; the
  // node object itself is not deleted. A position at or beyond the end
  // removes nothing. When the list holds another node at that place (it was
  // edited behind this record's back) the mismatch is reported and the
  // node's first entry elsewhere is taken out instead, if there is one:
  // another node is never removed. A node this call leaves where it was is
  // not the record's to delete (see GetNodesOutOfList).
  void RemoveNodeAt(T node, unsigned nodePos);

  // The list this record edits.
  const std::list<T>& GetList() const;
  const std::list<ListDeltaEntry>& GetChanges() const;
  bool IsEmpty() const;
  bool GetOwnsNodes() const;

 protected:
  // The distinct non-null nodes that this change keeps out of the list in
  // its present state (see the ownership rule above), in the order of their
  // first entry; a node whose latest removal took nothing out is left out.
  std::vector<T> GetNodesOutOfList() const;

  // A derived record that releases the nodes itself turns the base's
  // deleting off.
  void SetOwnsNodes(bool ownsNodes);

  std::list<T>& m_srcList;
  bool m_ownsNodes;
  std::list<ListDeltaEntry> m_changes;
  // Nodes whose latest removal by this record found nothing to take out: they
  // are wherever the list's other editors left them, and not this record's.
  std::unordered_set<T> m_notTakenOut;

 private:
  // Steps `count` times from the front, stopping early at the end.
  typename std::list<T>::iterator StepFromFront(unsigned count);
};

template <class T>
ListDeltaState<T>::ListDeltaState(std::list<T>& srcList, bool marksModified, bool ownsNodes)
    : VelmorDeltaState(marksModified), m_srcList(srcList), m_ownsNodes(ownsNodes) {}

template <class T>
ListDeltaState<T>::~ListDeltaState() {
  if (m_ownsNodes) {
    for (T node : GetNodesOutOfList()) {
      delete node;
    }
  }
}

template <class T>
void ListDeltaState<T>::UndoIt() {
  VelmorDeltaState::UndoIt();
  for (auto entry = m_changes.rbegin(); entry != m_changes.rend(); ++entry) {
    if (entry->inserted) {
      RemoveNodeAt(entry->node, entry->nodePos);
    } else {
      InsertNodeAt(entry->node, entry->nodePos);
    }
  }
}

template <class T>
void ListDeltaState<T>::RedoIt() {
  VelmorDeltaState::RedoIt();
  for (const ListDeltaEntry& entry : m_changes) {
    if (entry.inserted) {
      InsertNodeAt(entry.node, entry.nodePos);
    } else {
      RemoveNodeAt(entry.node, entry.nodePos);
    }
  }
}

template <class T>
void ListDeltaState<T>::OnInsertNode(T /*node*/) {}

template <class T>
void ListDeltaState<T>::OnRemoveNode(T /*node*/) {}

template <class T>
void ListDeltaState<T>::RecordChange(T node, unsigned nodePos, bool inserted) {
  m_changes.push_back(ListDeltaEntry{node, nodePos, inserted});
}

template <class T>
void ListDeltaState<T>::InsertNodeAt(T node, unsigned nodePos) {
  if (!(nodePos <= m_srcList.size())) {
    VELMOR_REPORT_AT("ListDeltaState", 120, "nodePos <= m_srcList.size()");
  }
  OnInsertNode(node);
  m_srcList.insert(StepFromFront(nodePos), node);
  m_notTakenOut.erase(node);
}

template <class T>
void ListDeltaState<T>::RemoveNodeAt(T node, unsigned nodePos) {
  if (!(nodePos < m_srcList.size())) {
    VELMOR_REPORT_AT("ListDeltaState", 143, "nodePos < m_srcList.size()");
  }
  OnRemoveNode(node);
  auto listIter = StepFromFront(nodePos);
  if (!(listIter != m_srcList.end())) {
    VELMOR_REPORT_AT("ListDeltaState", 152, "listIter != m_srcList.end()");
    m_notTakenOut.insert(node);
    return;
  }
  if (!(node == (*listIter))) {
    VELMOR_REPORT_AT("ListDeltaState", 153, "node == (*listIter)");
    listIter = std::find(m_srcList.begin(), m_srcList.end(), node);
    if (listIter == m_srcList.end()) {
      m_notTakenOut.insert(node);
      return;
    }
  }
  m_srcList.erase(listIter);
  m_notTakenOut.erase(node);
}

template <class T>
const std::list<T>& ListDeltaState<T>::GetList() const {
  return m_srcList;
}

template <class T>
auto ListDeltaState<T>::GetChanges() const -> const std::list<ListDeltaEntry>& {
  return m_changes;
}

template <class T>
bool ListDeltaState<T>::IsEmpty() const {
  return m_changes.empty();
}

template <class T>
bool ListDeltaState<T>::GetOwnsNodes() const {
  return m_ownsNodes;
}

template <class T>
std::vector<T> ListDeltaState<T>::GetNodesOutOfList() const {
  struct NodeState {
    bool firstInserted;
    bool lastInserted;
  };
  std::vector<T> order;
  std::unordered_map<T, NodeState> states;
  for (const ListDeltaEntry& entry : m_changes) {
    if (entry.node == nullptr) {
      continue;
    }
    auto [state, isNew] = states.try_emplace(entry.node, NodeState{entry.inserted, entry.inserted});
    if (isNew) {
      order.push_back(entry.node);
    }
    state->second.lastInserted = entry.inserted;
  }
  std::vector<T> result;
  for (T node : order) {
    const NodeState& state = states.at(node);
    // In effect, the newest entry says where the node is; undone, it is
    // where it was before the oldest entry.
    const bool isOut = mIsDone != 0 ? !state.lastInserted : state.firstInserted;
    if (isOut && m_notTakenOut.count(node) == 0) {
      result.push_back(node);
    }
  }
  return result;
}

template <class T>
void ListDeltaState<T>::SetOwnsNodes(bool ownsNodes) {
  m_ownsNodes = ownsNodes;
}

template <class T>
typename std::list<T>::iterator ListDeltaState<T>::StepFromFront(unsigned count) {
  auto listIter = m_srcList.begin();
  for (unsigned step = 0; step < count && listIter != m_srcList.end(); ++step) {
    ++listIter;
  }
  return listIter;
}
