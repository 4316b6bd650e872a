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

}  // namespace io
