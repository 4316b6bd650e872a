#include "platform/basalt/VelmorDeltaState.h"

#include "platform/basalt/VelmorAssert.h"

VelmorDeltaState::VelmorDeltaState(bool marksModified)
    : mIsDone(1), mMarksModified(marksModified) {}

VelmorDeltaState::~VelmorDeltaState() = default;

void VelmorDeltaState::UndoIt() {
  VELMOR_ASSERT(mIsDone == 1);
  mIsDone = 0;
}

void VelmorDeltaState::RedoIt() {
  VELMOR_ASSERT(mIsDone == 0);
  mIsDone = 1;
}

bool VelmorDeltaState::IsEquivalent(const VelmorDeltaState& other) const {
  return &other == this;
}
