// Resources embedded at build time and found through a module handle.
#include "platform/win32/Resource.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Module.h"

namespace {

std::string Find(win32::ModuleHandle module, const wchar_t* name, const wchar_t* type) {
  win32::ResourceData data;
  if (!win32::FindModuleResource(module, name, type, data)) {
    return "<none>";
  }
  return std::string(reinterpret_cast<const char*>(data.data), data.size);
}

TEST(ResourceTest, EachModuleFindsOnlyItsOwnResources) {
  win32::ScopedModule module(win32::LoadModule(TEST_SEAM_MODULE_W));
  ASSERT_NE(module.Get(), nullptr);
  win32::ModuleHandle executable = win32::GetExecutableModule();

  EXPECT_EQ(Find(module.Get(), L"TEXT", L"SEAM"), "module text");
  EXPECT_EQ(Find(executable, L"TEXT", L"SEAM"), "executable text");
  EXPECT_EQ(Find(module.Get(), L"EXEONLY", L"SEAM"), "<none>");
  EXPECT_EQ(Find(executable, L"MODULEONLY", L"SEAM"), "<none>");
  EXPECT_EQ(Find(module.Get(), L"MODULEONLY", L"SEAM"), "module text");
}

TEST(ResourceTest, NamesAndTypesByTextOrIdentifier) {
  win32::ScopedModule module(win32::LoadModule(TEST_SEAM_MODULE_W));
  ASSERT_NE(module.Get(), nullptr);
  const wchar_t* rcData = win32::MakeIntResource(win32::kRtRcData);
  EXPECT_EQ(Find(module.Get(), win32::MakeIntResource(7), rcData), "module text");
  EXPECT_EQ(Find(module.Get(), L"#7", L"#10"), "module text");
  EXPECT_EQ(Find(module.Get(), L"text", L"seam"), "module text");
  EXPECT_EQ(Find(module.Get(), L"TEXT", rcData), "<none>");
  EXPECT_EQ(Find(module.Get(), win32::MakeIntResource(8), rcData), "<none>");
  EXPECT_EQ(Find(module.Get(), L"#x7", L"#10"), "<none>");
  EXPECT_TRUE(win32::IsIntResource(win32::MakeIntResource(0xFFFF)));
  EXPECT_FALSE(win32::IsIntResource(L"TEXT"));
}

TEST(ResourceTest, NullArgumentsAndModulesWithoutTable) {
  win32::ResourceData data;
  EXPECT_FALSE(win32::FindModuleResource(nullptr, L"TEXT", L"SEAM", data));
  win32::ScopedModule module(win32::LoadModule(TEST_SEAM_MODULE_W));
  EXPECT_FALSE(win32::FindModuleResource(module.Get(), nullptr, L"SEAM", data));
  EXPECT_FALSE(win32::FindModuleResource(module.Get(), L"TEXT", nullptr, data));
  win32::ScopedModule bare(win32::LoadModule(TEST_BARE_MODULE_W));
  ASSERT_NE(bare.Get(), nullptr);
  EXPECT_FALSE(win32::FindModuleResource(bare.Get(), L"TEXT", L"SEAM", data));
}

}  // namespace
