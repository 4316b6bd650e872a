// Platform-independent parts of the module seam.
#include "platform/win32/Module.h"

#include <utility>

namespace win32 {

ScopedModule::~ScopedModule() {
  Reset();
}

ModuleHandle ScopedModule::Detach() {
  return std::exchange(mModule, nullptr);
}

void ScopedModule::Reset(ModuleHandle module) {
  if (ModuleHandle previous = std::exchange(mModule, module)) {
    UnloadModule(previous);
  }
}

}  // namespace win32
