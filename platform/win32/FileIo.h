// Whole-file reading and replacing, as the configuration store needs them.
//
// Paths are UTF-16 (the platform converts them to its own form). Failures come
// back as a SystemError: the project's code to decide on and the system's
// number for the caller to show. Only regular files are read: a folder, pipe
// or device is refused before anything could wait on it. Replacing is all or nothing: the new bytes
// go to a temporary file in the target's folder, reach the disk, and only then take the target's
// name, so a crash or a full disk never leaves a half-written file behind. Tests make replacing
// fail at a chosen step through FileIoFault.h.
//
// Free functions; safe to call from any thread (two threads replacing the
// same file at once each leave a complete file, the later rename wins).
#pragma once

#include <cstddef>
#include <string>

#include "platform/win32/SystemError.h"
#include "platform/win32/Win32Export.h"

namespace win32 {

enum class FileReadStatus {
  kOk,
  kOpenFailed,  // error says why
  kEmpty,       // opened, but there are no bytes to read
  kReadFailed,  // opened, but reading failed or delivered fewer bytes than the size
};

// Opens an existing file for reading, letting others read it at the same time,
// and reads all of it into bytes (replacing what bytes held). error is set for
// kOpenFailed only; anything but a regular file gives kNotRegularFile.
WIN32SEAM_EXPORT FileReadStatus ReadWholeFile(const std::u16string& path, std::string& bytes,
                                              SystemError& error);

// Makes path hold exactly the size bytes at data. On failure returns false with
// error set; the file that was there before is left as it was. A path that
// names a symbolic link replaces the file the link points to, keeping the
// link (POSIX). An existing file keeps its permissions and, where the process
// may set it, its owner; one that may not be written (no write permission, or
// the read-only attribute) is refused as opening it for writing would be.
WIN32SEAM_EXPORT bool ReplaceFileContents(const std::u16string& path, const void* data,
                                          std::size_t size, SystemError& error);

}  // namespace win32
