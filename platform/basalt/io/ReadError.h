// io::ReadError: the outcome of reading blocks, and the exception thrown when a
// required item is missing.
//
// A ReadError is a small value: a code and, for problems worth explaining, a
// message. The code follows one convention throughout the libraries:
//   0   success;
//   > 0 a warning: something was missing or not understood, reading goes on;
//   < 0 a failure: reading stops.
// It converts to and from int so callers can write `if (err < 0)` or
// `return 0;`. Errors found by the text parser carry the 1-based line and
// column (counted in characters) of the offending spot, and the message names
// them too.
//
// Owns its message text. Not shared between threads unless read-only.
#pragma once

#include <exception>
#include <string>

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"

namespace io {

class BASALT_EXPORT ReadError : public std::exception {
 public:
  // Codes the library itself returns; callers may use any other values.
  static constexpr int kOk = 0;
  // Warning: an item was there but of another kind, or its value did not fit.
  static constexpr int kWrongType = 1;
  // Warning: no item of the wanted name and kind.
  static constexpr int kMissing = 2;
  // Failure: the text is not well-formed block text.
  static constexpr int kSyntax = -1;
  // Failure: a file could not be opened, read or written.
  static constexpr int kFile = -2;
  // Failure: blocks nested deeper than kMaxNesting.
  static constexpr int kTooDeep = -3;

  ReadError(int code = kOk);  // NOLINT: implicit on purpose, codes are plain ints
  ReadError(int code, const AString& message, long line = 0, long column = 0);

  // The plain code; lets a ReadError be compared and returned like an int.
  operator int() const { return mCode; }

  int GetCode() const { return mCode; }
  bool IsOk() const { return mCode == 0; }
  bool IsWarning() const { return mCode > 0; }
  bool IsFailure() const { return mCode < 0; }

  // Readable explanation; empty for success and for codes made from plain ints.
  const AString& GetMessage() const { return mMessage; }
  // Position in the text where a parse error was found; 0 when not from the parser.
  long GetLine() const { return mLine; }
  long GetColumn() const { return mColumn; }

  // The message in UTF-8 (or a generic text naming the code when there is none).
  const char* what() const noexcept override;

 private:
  int mCode = kOk;
  long mLine = 0;
  long mColumn = 0;
  AString mMessage;
  std::string mWhat;
};

}  // namespace io
