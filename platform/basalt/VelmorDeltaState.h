// VelmorDeltaState: one undoable change recorded in an undo history.
//
// A derived class records what it changed and overrides UndoIt and RedoIt to
// take the change back and apply it again; each override calls the base
// first, which keeps mIsDone: 1 while the change is in effect (from creation
// on, since a change is recorded as it happens), 0 after UndoIt, 1 again
// after RedoIt.
//
// Ownership: the undo history owns its delta states; a delta state owns what
// its derived class says it owns.
// Thread-safety: none.
#pragma once

#include "platform/basalt/BasaltExport.h"

class BASALT_EXPORT VelmorDeltaState {
 public:
  // `marksModified`: whether applying or taking back this change makes the
  // document count as modified (a selection change, say, does not).
  explicit VelmorDeltaState(bool marksModified);
  virtual ~VelmorDeltaState();

  // Set mIsDone to 0 and 1. Undoing a change that is not in effect, or
  // redoing one that is, is an assertion report; the flag is set anyway.
  virtual void UndoIt();
  virtual void RedoIt();
  // True when `other` records the same change, so a history may keep only
  // one of them. The base knows nothing of the change and answers true only
  // for the same object.
  virtual bool IsEquivalent(const VelmorDeltaState& other) const;

  bool GetMarksModified() const { return mMarksModified; }
  bool IsDone() const { return mIsDone != 0; }

  // 1 while the change is in effect, 0 after UndoIt.
  unsigned char mIsDone;

 private:
  bool mMarksModified;
};
