// The two render engines that Panelkit expects every client library to hold
// for as long as the library is in the process. Nothing here uses them; their
// construction and destruction are what Panelkit relies on.
#include "platform/panelkit/QvRenderEngine.h"

namespace {

QvPanelkit::CQvRenderEngine gRenderEngine;
QvPanelkit::CQvRenderEngine gSecondRenderEngine;

}  // namespace
