// Undo base classes for objects whose state an undo history can save and
// put back.
//
// UndoableSnapshot is a saved state; Undoable is an object that can make one,
// compare itself with one and take its state back from one. MUndoableObject
// is both at once: its snapshot is a copy of itself (Clone), so a class only
// has to say how it copies itself (Clone, Assign) to take part in undo.
// Derived constructors end with ReadUndoableFromStorage(), which gives the
// finished object its undo identity.
//
// Ownership: MakeSnapshotForUndo and Clone return new objects owned by the
// caller (delete through the base; destructors are virtual).
// Thread-safety: none; an object and its snapshots belong to one thread.
#pragma once

#include <cstdint>

#include "platform/basalt/BasaltExport.h"

class BASALT_EXPORT UndoableSnapshot {
 public:
  virtual ~UndoableSnapshot();
};

class BASALT_EXPORT Undoable {
 public:
  virtual ~Undoable();
  // A new snapshot of the present state, owned by the caller; null when the
  // object cannot save its state.
  virtual UndoableSnapshot* MakeSnapshotForUndo() const = 0;
  // Takes the state saved in the snapshot.
  virtual void AssignForUndoFrom(const UndoableSnapshot& snapshot) = 0;
  // True when the present state equals the saved one.
  virtual bool IsEqualToSnapshot(const UndoableSnapshot& snapshot) const = 0;
};

class BASALT_EXPORT MUndoableObject : public Undoable, public UndoableSnapshot {
 public:
  MUndoableObject();
  // A copy is a new object: it gets its own undo identity.
  MUndoableObject(const MUndoableObject& other);
  MUndoableObject& operator=(const MUndoableObject& other);
  ~MUndoableObject() override;

  // Clone(), or null when the class cannot copy itself.
  UndoableSnapshot* MakeSnapshotForUndo() const override;
  // Assign() from the snapshot, which must be a MUndoableObject (else an
  // assertion report and no change).
  void AssignForUndoFrom(const UndoableSnapshot& snapshot) override;
  // True only for the object itself. A class that can compare its state with
  // a copy of itself overrides this; the base answers "changed" for any other
  // snapshot so that an undo history never drops a real change.
  bool IsEqualToSnapshot(const UndoableSnapshot& snapshot) const override;
  // A new copy of this object owned by the caller; null in the base, which
  // has no state of its own to copy.
  virtual MUndoableObject* Clone() const;
  // Takes the state of `other`; the base has none and does nothing.
  virtual void Assign(MUndoableObject* other);

  // Process-wide number given to this object when its construction finished;
  // 0 before that.
  std::uint64_t GetUndoableID() const { return mUndoableID; }

 protected:
  // Ends every constructor: gives the object a fresh undo identity. Calling
  // it again from a derived constructor renews the identity, which is
  // harmless.
  void ReadUndoableFromStorage();

 private:
  std::uint64_t mUndoableID = 0;
};
