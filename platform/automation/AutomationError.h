// AutomationError: the error a failed automation call carries back to its caller.
//
// It holds the runtime's error number (91, 13, 9, ...) or an engine's own number, the
// description text and the source that raised it. Runtime errors map to the HRESULT facility
// the automation runtime uses (0x800A0000 | number). A value type; safe to copy between threads.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/automation/AutomationExport.h"

namespace automation {

// Runtime error numbers the stand-in raises itself.
enum RuntimeErrorNumber : long {
  kErrInvalidCall = 5,           // Invalid procedure call or argument
  kErrOverflow = 6,              // Overflow
  kErrSubscriptOutOfRange = 9,   // Subscript out of range
  kErrTypeMismatch = 13,         // Type mismatch
  kErrObjectNotSet = 91,         // Object variable or With block variable not set
  kErrInvalidUseOfNull = 94,     // Invalid use of Null
  kErrCannotCreateObject = 429,  // ActiveX component can't create object
  kErrNoSuchMember = 438,        // Object doesn't support this property or method
  kErrArgumentNotOptional = 449  // Argument not optional
};

class AUTOMATION_EXPORT AutomationError : public std::runtime_error {
 public:
  AutomationError(long number, std::string description, std::string source = {});

  long GetNumber() const { return mNumber; }
  const std::string& GetDescription() const { return mDescription; }
  const std::string& GetSource() const { return mSource; }
  // The failure code a COM caller would see for this error.
  std::int32_t GetHResult() const;

  // The runtime's own errors with their standard texts.
  static AutomationError Runtime(long number);
  static std::string RuntimeDescription(long number);

 private:
  long mNumber;
  std::string mDescription;
  std::string mSource;
};

// Shorthands for the errors raised most often.
[[noreturn]] AUTOMATION_EXPORT void RaiseRuntimeError(long number);

}  // namespace automation
