// Test hook of the file seam: makes ReplaceFileContents (FileIo.h) fail at a
// chosen step, as a read-only folder, a full disk or a failing device would,
// so that tests reach those faults on every platform without needing one.
//
// Not an installed header: only the seam's own files and tests include it.
// The hook is process-wide; installing and calling may happen on any thread.
// It is called without a lock held.
#pragma once

#include <functional>

#include "platform/win32/SystemError.h"
#include "platform/win32/Win32Export.h"

namespace win32 {

// The steps of ReplaceFileContents a fault hook may fail.
enum class FileWriteStep {
  kCreate,  // making the new file in the target's folder
  kWrite,   // writing the bytes: a failure here comes after half of them
  kSync,    // making the bytes reach the disk
  kRename,  // giving the new file the target's name
};

// Called before each step; returns the code to fail the step with
// (kAccessDenied, kDiskFull, kReadOnly, ...), or kNone to let it run. The
// failure carries the platform's number for that code (SystemNumberFor).
using FileWriteFaultHook = std::function<ErrorCode(FileWriteStep step)>;

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

// For the platform files: the failure the installed hook wants at this step,
// or kNone.
ErrorCode InjectedFileWriteFault(FileWriteStep step);

}  // namespace win32
