#include "platform/automation/Collection.h"

namespace automation {

Collection::~Collection() = default;

void Collection::Add(const Variant& item) {
  mItems.push_back(item);
}

std::int32_t Collection::Count() const {
  return static_cast<std::int32_t>(mItems.size());
}

std::size_t Collection::Position(const Variant& index) const {
  // Text keys are not supported (items are added without keys), so a text index that is not
  // a number is out of range rather than a lookup.
  if (index.GetType() == VariantType::String) {
    double ignored = 0;
    try {
      ignored = index.ToDouble();
    } catch (const AutomationError&) {
      RaiseRuntimeError(kErrSubscriptOutOfRange);
    }
    (void)ignored;
  }
  const std::int32_t i = index.ToLong();
  if (i < 1 || static_cast<std::size_t>(i) > mItems.size()) {
    RaiseRuntimeError(kErrSubscriptOutOfRange);
  }
  return static_cast<std::size_t>(i - 1);
}

const Variant& Collection::Item(const Variant& index) const {
  return mItems[Position(index)];
}

Variant& Collection::Item(const Variant& index) {
  return mItems[Position(index)];
}

void Collection::Remove(const Variant& index) {
  mItems.erase(mItems.begin() + static_cast<std::ptrdiff_t>(Position(index)));
}

}  // namespace automation
