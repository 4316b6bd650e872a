#include "platform/automation/AutomationError.h"

#include <utility>

namespace automation {

AutomationError::AutomationError(long number, std::string description, std::string source)
    : std::runtime_error(description),
      mNumber(number),
      mDescription(std::move(description)),
      mSource(std::move(source)) {}

std::int32_t AutomationError::GetHResult() const {
  // Numbers that already look like failure codes (engine errors passed through unchanged) keep
  // their value; small runtime numbers live in the runtime's facility.
  if (mNumber < 0 || mNumber > 0xFFFF) {
    return static_cast<std::int32_t>(mNumber);
  }
  return static_cast<std::int32_t>(0x800A0000u | static_cast<std::uint32_t>(mNumber));
}

std::string AutomationError::RuntimeDescription(long number) {
  switch (number) {
    case kErrInvalidCall:
      return "Invalid procedure call or argument";
    case kErrOverflow:
      return "Overflow";
    case kErrSubscriptOutOfRange:
      return "Subscript out of range";
    case kErrTypeMismatch:
      return "Type mismatch";
    case kErrObjectNotSet:
      return "Object variable or With block variable not set";
    case kErrInvalidUseOfNull:
      return "Invalid use of Null";
    case kErrCannotCreateObject:
      return "ActiveX component can't create object";
    case kErrNoSuchMember:
      return "Object doesn't support this property or method";
    case kErrArgumentNotOptional:
      return "Argument not optional";
    default:
      return "Application-defined or object-defined error";
  }
}

AutomationError AutomationError::Runtime(long number) {
  return AutomationError(number, RuntimeDescription(number));
}

void RaiseRuntimeError(long number) {
  throw AutomationError::Runtime(number);
}

}  // namespace automation
