// Internal to the win32 library: the platform's own message box, used when no
// handler is installed. Implemented once per platform.
//
// Thread-safety: may be called from any thread.
#pragma once

#include <string>

namespace win32 {

int ShowPlatformMessageBox(void* owner, const std::u16string& text, const std::u16string& caption,
                           unsigned buttons);

}  // namespace win32
