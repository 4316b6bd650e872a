// The UI library stand-in: its resource-module selection and engine count.
#include <gtest/gtest.h>

#include "platform/panelkit/PanelManager.h"
#include "platform/panelkit/QvRenderEngine.h"
#include "platform/win32/Module.h"

namespace {

using QvPanelkit::CPanelManager;
using QvPanelkit::CQvRenderEngine;

TEST(PanelManagerTest, StartsAtTheExecutableAndFollowsSelections) {
  win32::ModuleHandle executable = win32::GetExecutableModule();
  EXPECT_EQ(CPanelManager::GetResourceInstance(), executable);

  // Any handle will do: the manager only keeps it.
  int stand_in = 0;
  auto* module = reinterpret_cast<win32::ModuleHandle>(&stand_in);
  CPanelManager::SetResourceInstance(module);
  EXPECT_EQ(CPanelManager::GetResourceInstance(), module);
  CPanelManager::SetResourceInstance(nullptr);
  EXPECT_EQ(CPanelManager::GetResourceInstance(), executable);
}

TEST(RenderEngineCountTest, CountsEnginesAlive) {
  // Nothing in this program holds an engine of its own.
  EXPECT_EQ(CQvRenderEngine::GetLiveCount(), 0);
  {
    CQvRenderEngine first;
    CQvRenderEngine second;
    EXPECT_EQ(CQvRenderEngine::GetLiveCount(), 2);
  }
  EXPECT_EQ(CQvRenderEngine::GetLiveCount(), 0);
}

}  // namespace
