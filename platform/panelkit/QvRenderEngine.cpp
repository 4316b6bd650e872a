#include "platform/panelkit/QvRenderEngine.h"

#include <atomic>

namespace QvPanelkit {
namespace {

// Constant-initialised, so static engines of other libraries may count on it
// whatever the order of static construction.
constinit std::atomic<int> gLiveEngines{0};

}  // namespace

CQvRenderEngine::CQvRenderEngine() {
  gLiveEngines.fetch_add(1, std::memory_order_relaxed);
}

CQvRenderEngine::~CQvRenderEngine() {
  gLiveEngines.fetch_sub(1, std::memory_order_relaxed);
}

int CQvRenderEngine::GetLiveCount() {
  return gLiveEngines.load(std::memory_order_relaxed);
}

}  // namespace QvPanelkit
