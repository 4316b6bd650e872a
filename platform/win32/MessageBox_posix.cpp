// POSIX has no window system to put a box on, so the box becomes one line on
// standard error, "caption: text", and answers with its default button.
#include <cstdio>
#include <string>

#include "platform/win32/MessageBox.h"
#include "platform/win32/MessageBoxPlatform.h"
#include "platform/win32/TextConvert.h"

namespace win32 {

int ShowPlatformMessageBox(void* /*owner*/, const std::u16string& text,
                           const std::u16string& caption, unsigned buttons) {
  std::string line = Utf16ToUtf8(caption.empty() ? std::u16string(u"Error") : caption);
  line += ": ";
  line += Utf16ToUtf8(text);
  // Keep it one line so that a log reader sees one message per line.
  for (char& c : line) {
    if (c == '\n' || c == '\r') {
      c = ' ';
    }
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return DefaultMessageBoxResult(buttons);
}

}  // namespace win32
