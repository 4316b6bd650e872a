// The file seam's fault hook, shared by every platform's FileIo file.
#include "platform/win32/FileIoFault.h"

#include <mutex>
#include <utility>

namespace win32 {
namespace {

std::mutex& FaultMutex() {
  static std::mutex mutex;
  return mutex;
}

FileWriteFaultHook& CurrentHook() {
  static FileWriteFaultHook hook;
  return hook;
}

}  // namespace

ErrorCode InjectedFileWriteFault(FileWriteStep step) {
  FileWriteFaultHook hook;
  {
    std::lock_guard<std::mutex> lock(FaultMutex());
    hook = CurrentHook();
  }
  return hook ? hook(step) : ErrorCode::kNone;
}

FileWriteFaultHook InstallFileWriteFaultHook(FileWriteFaultHook hook) {
  std::lock_guard<std::mutex> lock(FaultMutex());
  return std::exchange(CurrentHook(), std::move(hook));
}

ScopedFileWriteFault::ScopedFileWriteFault(FileWriteFaultHook hook)
    : mPrevious(InstallFileWriteFaultHook(std::move(hook))) {}

ScopedFileWriteFault::~ScopedFileWriteFault() {
  InstallFileWriteFaultHook(std::move(mPrevious));
}

}  // namespace win32
