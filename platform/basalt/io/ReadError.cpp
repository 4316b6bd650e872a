#include "platform/basalt/io/ReadError.h"

namespace io {

ReadError::ReadError(int code) : mCode(code) {}

ReadError::ReadError(int code, const AString& message, long line, long column)
    : mCode(code), mLine(line), mColumn(column), mMessage(message) {
  mWhat = mMessage.ToUtf8();
}

const char* ReadError::what() const noexcept {
  if (!mWhat.empty()) {
    return mWhat.c_str();
  }
  if (mCode == kOk) {
    return "no error";
  }
  return mCode > 0 ? "block read warning" : "block read failure";
}

// Defined here as well, so that the library exports them: a Windows program
// that binds a reference to one of these constants imports it from the DLL.
constexpr int ReadError::kOk;
constexpr int ReadError::kWrongType;
constexpr int ReadError::kMissing;
constexpr int ReadError::kSyntax;
constexpr int ReadError::kFile;
constexpr int ReadError::kTooDeep;

}  // namespace io
