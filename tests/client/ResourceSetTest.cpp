// The Panelkit resource scope and the render engines the library holds.
#include "client/ResourceSet.h"

#include <gtest/gtest.h>

#include "platform/panelkit/PanelManager.h"
#include "platform/panelkit/QvRenderEngine.h"
#include "platform/win32/Module.h"

namespace {

using QvPanelkit::CPanelManager;

class ResourceSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mModule.Reset(win32::LoadModule(TEST_RESOURCE_MODULE_W));
    ASSERT_NE(mModule.Get(), nullptr);
    CPanelManager::SetResourceInstance(nullptr);
  }
  void TearDown() override { CPanelManager::SetResourceInstance(nullptr); }

  win32::ScopedModule mModule;
};

TEST_F(ResourceSetTest, SelectsTheModuleForTheScopeThenTheExecutable) {
  {
    CResourceSet scope;
    scope.SetResHandle(mModule.Get());
    EXPECT_EQ(CPanelManager::GetResourceInstance(), mModule.Get());
  }
  EXPECT_EQ(CPanelManager::GetResourceInstance(), win32::GetExecutableModule());
}

TEST_F(ResourceSetTest, ReturnsToTheExecutableNotToThePreviousSelection) {
  // Any handle other than the executable stands for "another module".
  win32::ScopedModule other(win32::LoadModule(TEST_MANAGER_NORMAL_W));
  ASSERT_NE(other.Get(), nullptr);
  CPanelManager::SetResourceInstance(other.Get());
  {
    CResourceSet scope;
    scope.SetResHandle(mModule.Get());
    EXPECT_EQ(CPanelManager::GetResourceInstance(), mModule.Get());
  }
  EXPECT_EQ(CPanelManager::GetResourceInstance(), win32::GetExecutableModule());
}

TEST_F(ResourceSetTest, ScopeWithoutSelectionChangesNothing) {
  CPanelManager::SetResourceInstance(mModule.Get());
  { CResourceSet scope; }
  EXPECT_EQ(CPanelManager::GetResourceInstance(), mModule.Get());
}

TEST_F(ResourceSetTest, SecondSelectionStillEndsAtTheExecutable) {
  win32::ScopedModule other(win32::LoadModule(TEST_MANAGER_NORMAL_W));
  {
    CResourceSet scope;
    scope.SetResHandle(mModule.Get());
    scope.SetResHandle(other.Get());
    EXPECT_EQ(CPanelManager::GetResourceInstance(), other.Get());
  }
  EXPECT_EQ(CPanelManager::GetResourceInstance(), win32::GetExecutableModule());
}

TEST(RenderEngineTest, LibraryHoldsTwoEnginesWhileLoaded) {
  EXPECT_EQ(QvPanelkit::CQvRenderEngine::GetLiveCount(), 2);
  {
    QvPanelkit::CQvRenderEngine mine;
    EXPECT_EQ(QvPanelkit::CQvRenderEngine::GetLiveCount(), 3);
  }
  EXPECT_EQ(QvPanelkit::CQvRenderEngine::GetLiveCount(), 2);
}

}  // namespace
