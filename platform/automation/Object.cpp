#include "platform/automation/Object.h"

namespace automation {

Object::~Object() = default;

unsigned long Object::AddRef() noexcept {
  return ++mRefCount;
}

unsigned long Object::Release() noexcept {
  const unsigned long left = --mRefCount;
  if (left == 0) {
    delete this;
  }
  return left;
}

}  // namespace automation
