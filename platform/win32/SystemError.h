// Errors as they cross the win32 seam, and the system's own text for them.
//
// Every seam function that can fail for a reason the system gives reports it
// as a SystemError: the project's own ErrorCode, which callers and tests
// branch on, and the system's own number, which is only ever shown to a user
// (the configuration store's message box shows it in decimal). Each platform
// maps its numbers to codes in exactly one place, SystemError_<platform>.cpp.
//
// Stateless; safe to call from any thread.
#pragma once

#include <string>

#include "platform/win32/Win32Export.h"

namespace win32 {

enum class ErrorCode {
  kNone,
  kNotFound,          // no such file, folder or module
  kAccessDenied,      // the system refuses this user
  kSharingViolation,  // another holder of the file does not share it
  kReadOnly,          // the file or its file system may not be written
  kDiskFull,          // no room left for the bytes
  kNotRegularFile,    // a folder, pipe or device where a file was wanted
  kAlreadyExists,     // a name that had to be new is taken
  kBadModule,         // the loader refuses the file as a module
  kInvalidArgument,   // a null or malformed argument
  kIoError,           // the device failed
  kOther,             // anything the seam does not single out
};

struct SystemError {
  ErrorCode code = ErrorCode::kNone;
  // The system's number for the failure (GetLastError on Windows, errno on
  // POSIX); for showing to a user, never for deciding.
  unsigned long number = 0;
};

// The code that this platform's error number stands for.
WIN32SEAM_EXPORT ErrorCode ErrorCodeFromSystem(unsigned long number);

// The number this platform reports for a code; what a fault hook's code turns
// into, so that an injected failure looks like a real one.
WIN32SEAM_EXPORT unsigned long SystemNumberFor(ErrorCode code);

// A code together with this platform's number for it.
WIN32SEAM_EXPORT SystemError MakeSystemError(ErrorCode code);

// Empty when the system has no text for the number. A trailing line break of
// the system's text is dropped, so the text fits in one line of a box or log.
WIN32SEAM_EXPORT std::wstring FormatSystemMessage(unsigned long code);

}  // namespace win32
