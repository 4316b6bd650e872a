#include "client/ResourceSet.h"

#include "platform/panelkit/PanelManager.h"
#include "platform/win32/Module.h"

CResourceSet::~CResourceSet() {
  if (mSavedModule != nullptr) {
    QvPanelkit::CPanelManager::SetResourceInstance(mSavedModule);
  }
}

void CResourceSet::SetResHandle(win32::ModuleHandle module) {
  // The executable, not the module selected before: leaving the scope always
  // returns Panelkit to the executable's own resources.
  mSavedModule = win32::GetExecutableModule();
  QvPanelkit::CPanelManager::SetResourceInstance(module);
}
