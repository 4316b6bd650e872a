// POSIX error texts are the C library's strerror texts, in the locale's
// codeset. Numbers the C library has no name for get no text, as the
// platform's formatter gives none for them.
#include <cstring>
#include <string>

#include "platform/win32/CodePage.h"
#include "platform/win32/SystemError.h"

namespace win32 {

std::wstring FormatSystemMessage(unsigned long code) {
  if (code > 0x7FFFFFFFul) {
    return {};
  }
  const int number = static_cast<int>(code);
  if (::strerrorname_np(number) == nullptr) {
    return {};
  }
  char buffer[256] = {};
  // GNU strerror_r may return a static text instead of filling the buffer.
  const char* text = ::strerror_r(number, buffer, sizeof(buffer));
  std::wstring wide;
  if (text == nullptr || !MultiByteToWide(kCpAcp, text, std::strlen(text), wide)) {
    return {};
  }
  return wide;
}

}  // namespace win32
