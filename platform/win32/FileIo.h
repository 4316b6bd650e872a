// Whole-file reading and replacing, as the configuration store needs them.
//
// Paths are UTF-16 (the platform converts them to its own form). Reading hands
// back the system's error number when the file cannot be opened, so that the
// caller can show it. Replacing is all or nothing: the new bytes go to a
// temporary file in the target's folder, reach the disk, and only then take
// the target's name, so a crash or a full disk never leaves a half-written
// file behind.
//
// Tests make the system fail at a chosen step of replacing through a fault
// hook, to check what callers do when a folder is read-only or a disk fills.
//
// Free functions; safe to call from any thread (two threads replacing the
// same file at once each leave a complete file, the later rename wins). The
// fault hook is process-wide and may be installed from any thread.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/win32/Win32Export.h"

namespace win32 {

enum class FileReadStatus {
  kOk,
  kOpenFailed,  // errorNumber says why
  kEmpty,       // opened, but there are no bytes to read
  kReadFailed,  // opened, but reading failed or delivered fewer bytes than the size
};

// Opens an existing file for reading, letting others read it at the same time,
// and reads all of it into bytes (replacing what bytes held). errorNumber is
// set for kOpenFailed only, to the system's number (errno on POSIX).
WIN32SEAM_EXPORT FileReadStatus ReadWholeFile(const std::u16string& path, std::string& bytes,
                                              int& errorNumber);

// Makes path hold exactly the size bytes at data. On failure returns false and
// errorNumber holds the system's number; the file that was there before is
// left as it was. A path that names a symbolic link replaces the file the link
// points to, keeping the link. An existing file keeps its permissions and,
// where the process may set it, its owner; one that may not be written is
// refused (EACCES) as opening it for writing would be.
WIN32SEAM_EXPORT bool ReplaceFileContents(const std::u16string& path, const void* data,
                                          std::size_t size, int& errorNumber);

// The steps of ReplaceFileContents a fault hook may fail.
enum class FileWriteStep {
  kCreate,  // making the new file in the target's folder
  kWrite,   // writing the bytes: a failure here comes after half of them
  kSync,    // making the bytes reach the disk
  kRename,  // giving the new file the target's name
};

// Called before each step; returns the system error number to fail the step
// with (EACCES, ENOSPC, EROFS, ...), or 0 to let it run.
using FileWriteFaultHook = std::function<int(FileWriteStep step)>;

// Replaces the fault hook and returns the one it replaces; an empty hook
// fails nothing.
WIN32SEAM_EXPORT FileWriteFaultHook InstallFileWriteFaultHook(FileWriteFaultHook hook);

// Installs a fault hook for its lifetime and puts the previous one back after.
class WIN32SEAM_EXPORT ScopedFileWriteFault {
 public:
  explicit ScopedFileWriteFault(FileWriteFaultHook hook);
  ~ScopedFileWriteFault();
  ScopedFileWriteFault(const ScopedFileWriteFault&) = delete;
  ScopedFileWriteFault& operator=(const ScopedFileWriteFault&) = delete;

 private:
  FileWriteFaultHook mPrevious;
};

}  // namespace win32
