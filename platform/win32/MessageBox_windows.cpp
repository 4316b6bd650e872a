// The platform's own box is user32's MessageBoxW. Tests and hosts without a
// user in front of them install a handler (MessageBox.h) instead, so that no
// box ever waits for a click in an unattended run.
#include <windows.h>

#include <string>

#include "platform/win32/MessageBox.h"
#include "platform/win32/MessageBoxPlatform.h"
#include "platform/win32/TextConvert.h"

namespace win32 {

int ShowPlatformMessageBox(void* owner, const std::u16string& text, const std::u16string& caption,
                           unsigned buttons) {
  const std::wstring wideText = Utf16ToWide(text);
  const std::wstring wideCaption = Utf16ToWide(caption);
  // No caption asks the system for its default one.
  return ::MessageBoxW(static_cast<HWND>(owner), wideText.c_str(),
                       wideCaption.empty() ? nullptr : wideCaption.c_str(), buttons);
}

}  // namespace win32
