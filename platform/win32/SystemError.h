// The system's own text for an error number, as a message box shows it.
//
// Stateless; safe to call from any thread.
#pragma once

#include <string>

#include "platform/win32/Win32Export.h"

namespace win32 {

// Empty when the system has no text for the number.
WIN32SEAM_EXPORT std::wstring FormatSystemMessage(unsigned long code);

}  // namespace win32
