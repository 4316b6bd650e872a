#include "platform/panelkit/PanelManager.h"

#include <atomic>

#include "platform/win32/Module.h"

namespace QvPanelkit {
namespace {

// Null stands for "never selected", which reads as the executable.
constinit std::atomic<win32::ModuleHandle> gResourceInstance{nullptr};

}  // namespace

void CPanelManager::SetResourceInstance(win32::ModuleHandle module) {
  gResourceInstance.store(module, std::memory_order_release);
}

win32::ModuleHandle CPanelManager::GetResourceInstance() {
  win32::ModuleHandle module = gResourceInstance.load(std::memory_order_acquire);
  return module != nullptr ? module : win32::GetExecutableModule();
}

}  // namespace QvPanelkit
