// The UI library's panel manager: the process-wide choice of the module from
// which the library loads its resources (dialogs, bitmaps, strings).
//
// The selection is one value for the whole process and every user of the
// library; it starts as the executable, and selecting null goes back to it. The library does not
// own the module selected: whoever selects a module keeps it loaded while it is selected.
//
// Thread-safety: selecting and reading are atomic, but selections from
// different threads simply overwrite each other.
#pragma once

#include "platform/panelkit/PanelkitExport.h"
#include "platform/win32/Handles.h"

namespace QvPanelkit {

class PANELKIT_EXPORT CPanelManager {
 public:
  CPanelManager() = delete;

  static void SetResourceInstance(win32::ModuleHandle module);
  // The module selected now.
  static win32::ModuleHandle GetResourceInstance();
};

}  // namespace QvPanelkit
