// The UI library's render engine. Hosts and client libraries hold engines as
// static objects for their whole lifetime in the process; the library keeps a
// count of the engines alive so that a host can see that they exist.
//
// An engine owns nothing outside itself. Construction and destruction may
// happen on any thread; the count is atomic.
#pragma once

#include "platform/panelkit/PanelkitExport.h"

namespace QvPanelkit {

class PANELKIT_EXPORT CQvRenderEngine {
 public:
  CQvRenderEngine();
  ~CQvRenderEngine();
  CQvRenderEngine(const CQvRenderEngine&) = delete;
  CQvRenderEngine& operator=(const CQvRenderEngine&) = delete;

  // Engines alive in the process now.
  static int GetLiveCount();
};

}  // namespace QvPanelkit
