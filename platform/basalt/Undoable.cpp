#include "platform/basalt/Undoable.h"

#include <atomic>

#include "platform/basalt/VelmorAssert.h"

namespace {

std::atomic<std::uint64_t> gLastUndoableID{0};

}  // namespace

UndoableSnapshot::~UndoableSnapshot() = default;

Undoable::~Undoable() = default;

MUndoableObject::MUndoableObject() {
  ReadUndoableFromStorage();
}

MUndoableObject::MUndoableObject(const MUndoableObject& other)
    : Undoable(other), UndoableSnapshot(other) {
  ReadUndoableFromStorage();
}

// The identity belongs to the object, not to its state: assignment keeps it.
MUndoableObject& MUndoableObject::operator=(const MUndoableObject&) {
  return *this;
}

MUndoableObject::~MUndoableObject() = default;

UndoableSnapshot* MUndoableObject::MakeSnapshotForUndo() const {
  return Clone();
}

void MUndoableObject::AssignForUndoFrom(const UndoableSnapshot& snapshot) {
  const auto* source = dynamic_cast<const MUndoableObject*>(&snapshot);
  if (!source) {
    VELMOR_ASSERT(source);
    return;
  }
  if (source != this) {
    // Assign takes a mutable pointer by its signature but only reads it.
    Assign(const_cast<MUndoableObject*>(source));
  }
}

bool MUndoableObject::IsEqualToSnapshot(const UndoableSnapshot& snapshot) const {
  return dynamic_cast<const MUndoableObject*>(&snapshot) == this;
}

MUndoableObject* MUndoableObject::Clone() const {
  return nullptr;
}

void MUndoableObject::Assign(MUndoableObject*) {}

void MUndoableObject::ReadUndoableFromStorage() {
  mUndoableID = ++gLastUndoableID;
}
