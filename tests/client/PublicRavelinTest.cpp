// Manager loading and the four entry points, driven against real manager
// modules that report every call to the probe library.
#include "client/PublicRavelin.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "ManagerProbe.h"
#include "ManagerTestSupport.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Module.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/TextConvert.h"

namespace {

using clienttest::CBoxRecorder;
using managertest::CClientDir;
using Events = std::vector<std::string>;

constexpr char kConfig[] =
    "[Main]\n"
    "patch=manager.so\n"
    "[NoPatch]\n"
    "other=manager.so\n"
    "[Missing]\n"
    "patch=absent.so\n"
    "[NoEntry]\n"
    "patch=noentry.so\n"
    "[Null]\n"
    "patch=null.so\n"
    "[Throwing]\n"
    "patch=throwing.so\n";

class PublicRavelinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    probe::Reset();
    mDir.WriteFile("client.ini", kConfig);
    mDir.AddModule(TEST_MANAGER_NORMAL, "manager.so");
    mDir.AddModule(TEST_MANAGER_NOENTRY, "noentry.so");
    mDir.AddModule(TEST_MANAGER_NULL, "null.so");
    mDir.AddModule(TEST_MANAGER_THROWING, "throwing.so");
  }

  CPublicRavelin* Create(const wchar_t* section, std::wstring directory = {}) {
    if (directory.empty()) {
      directory = mDir.Wide();
    }
    return CreatePublicManager(directory.c_str(), L"client.ini", section, 7, mOwner, 9);
  }

  std::wstring ModulePath(const char* name) const { return (mDir.Path() / name).wstring(); }

  std::string CreateEvent() const { return "CreateManager " + mDir.Path().string() + " 7 9"; }

  CClientDir mDir;
  CBoxRecorder mBoxes;
  int mWindow = 0;
  void* mOwner = &mWindow;
};

TEST_F(PublicRavelinTest, CreatesUpdatesOnceAndUnloadsAfterShutdownAndRelease) {
  const wchar_t section[] = L"Main";
  CPublicRavelin* manager = Create(section);
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(probe::Events(), (Events{"load", CreateEvent(), "Update"}));

  // The members were in place before the first Update ran.
  const probe::MembersAtUpdate members = probe::GetMembersAtUpdate();
  EXPECT_EQ(members.module, manager->GetModule());
  EXPECT_NE(members.module, nullptr);
  EXPECT_EQ(members.section, section);  // the caller's pointer, not a copy
  EXPECT_EQ(members.owner, mOwner);
  EXPECT_TRUE(win32::IsModuleLoaded(ModulePath("manager.so").c_str()));

  probe::Reset();
  UnPublicManager(manager);
  EXPECT_EQ(probe::Events(), (Events{"Shutdown", "Release", "unload"}));
  EXPECT_FALSE(win32::IsModuleLoaded(ModulePath("manager.so").c_str()));
  EXPECT_TRUE(mBoxes.Boxes().empty());
}

TEST_F(PublicRavelinTest, EntryPointsPassOnTheManagerResults) {
  CPublicRavelin* manager = Create(L"Main");
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(UpDataManager(manager), 102);
  EXPECT_EQ(UpDataManager(manager), 103);
  int message = 21;
  EXPECT_EQ(TranslateMimoMessage(&message, manager), 42);

  probe::Reset();
  EXPECT_EQ(TranslateMimoMessage(nullptr, manager), 0);
  EXPECT_EQ(TranslateMimoMessage(&message, nullptr), 0);
  EXPECT_EQ(UpDataManager(nullptr), 0);
  UnPublicManager(nullptr);
  EXPECT_TRUE(probe::Events().empty());  // none of them reached the manager
  UnPublicManager(manager);
}

TEST_F(PublicRavelinTest, TwoManagersFromOneModuleHoldTwoLoads) {
  CPublicRavelin* first = Create(L"Main");
  CPublicRavelin* second = Create(L"Main");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->GetModule(), second->GetModule());
  EXPECT_EQ(probe::Events(), (Events{"load", CreateEvent(), "Update", CreateEvent(), "Update"}));

  probe::Reset();
  UnPublicManager(first);
  EXPECT_EQ(probe::Events(), (Events{"Shutdown", "Release"}));
  EXPECT_TRUE(win32::IsModuleLoaded(ModulePath("manager.so").c_str()));

  UnPublicManager(second);
  EXPECT_EQ(probe::Events(), (Events{"Shutdown", "Release", "Shutdown", "Release", "unload"}));
  EXPECT_FALSE(win32::IsModuleLoaded(ModulePath("manager.so").c_str()));
}

TEST_F(PublicRavelinTest, SeparatorRulesForConfigurationAndModulePaths) {
  const std::wstring plain = mDir.Wide();
  const std::wstring separator(1, win32::GetPathSeparator());
  const std::wstring trailing = plain + separator;
  const std::filesystem::path module = mDir.Path() / "manager.so";
  // The POSIX loader names a module by the path it was given, so the path
  // built shows; the Windows loader names it by its canonical path.
  const bool loaderKeepsThePath = win32::GetPathSeparator() == L'/';

  CPublicRavelin* fromPlain = Create(L"Main", plain);
  ASSERT_NE(fromPlain, nullptr);
  const std::wstring plainPath = win32::GetModulePath(fromPlain->GetModule());
  EXPECT_TRUE(std::filesystem::equivalent(plainPath, module));
  if (loaderKeepsThePath) {
    EXPECT_EQ(plainPath, plain + L"/manager.so");
  }
  UnPublicManager(fromPlain);

  // The configuration is found the same way; the module path gets its
  // separator all the same.
  CPublicRavelin* fromTrailing = Create(L"Main", trailing);
  ASSERT_NE(fromTrailing, nullptr);
  const std::wstring trailingPath = win32::GetModulePath(fromTrailing->GetModule());
  EXPECT_TRUE(std::filesystem::equivalent(trailingPath, module));
  if (loaderKeepsThePath) {
    EXPECT_EQ(trailingPath, plain + L"//manager.so");
  }
  UnPublicManager(fromTrailing);
  EXPECT_TRUE(mBoxes.Boxes().empty());
}

TEST_F(PublicRavelinTest, MissingArgumentsGiveNullSilently) {
  EXPECT_EQ(CreatePublicManager(nullptr, L"client.ini", L"Main", 0, mOwner, 0), nullptr);
  EXPECT_EQ(CreatePublicManager(mDir.Wide().c_str(), nullptr, L"Main", 0, mOwner, 0), nullptr);
  EXPECT_EQ(CreatePublicManager(L"", L"client.ini", L"Main", 0, mOwner, 0), nullptr);
  EXPECT_EQ(CreatePublicManager(mDir.Wide().c_str(), L"client.ini", nullptr, 0, mOwner, 0),
            nullptr);
  EXPECT_TRUE(mBoxes.Boxes().empty());
  EXPECT_TRUE(probe::Events().empty());
}

TEST_F(PublicRavelinTest, ConfigurationWithoutTheValueGivesNullSilently) {
  EXPECT_EQ(Create(L"NoSuchSection"), nullptr);
  EXPECT_EQ(Create(L"main"), nullptr);  // sections match exactly
  EXPECT_EQ(Create(L"NoPatch"), nullptr);
  EXPECT_TRUE(mBoxes.Boxes().empty());
  EXPECT_TRUE(probe::Events().empty());
}

TEST_F(PublicRavelinTest, UnreadableConfigurationShowsTheStoreMessage) {
  const std::wstring directory = mDir.Wide();
  EXPECT_EQ(CreatePublicManager(directory.c_str(), L"absent.ini", L"Main", 0, mOwner, 0), nullptr);
  ASSERT_EQ(mBoxes.Boxes().size(), 1u);
  EXPECT_EQ(mBoxes.Boxes()[0].text, u"2");
  EXPECT_TRUE(probe::Events().empty());
}

TEST_F(PublicRavelinTest, MissingModuleShowsOneMimoBoxOwnedByTheHost) {
  EXPECT_EQ(Create(L"Missing"), nullptr);
  ASSERT_EQ(mBoxes.Boxes().size(), 1u);
  const clienttest::ShownBox& box = mBoxes.Boxes()[0];
  EXPECT_EQ(box.owner, mOwner);
  EXPECT_EQ(box.caption, u"Mimo");
  EXPECT_EQ(box.buttons, win32::kMbOk);
  // The loader's own words for the failed load, whatever the platform.
  EXPECT_EQ(win32::GetLastModuleError().code, win32::ErrorCode::kNotFound);
  const std::wstring expected = win32::GetLastModuleErrorText();
  EXPECT_FALSE(expected.empty());
  EXPECT_EQ(box.text, win32::WideToUtf16(expected.c_str(), expected.size()));
}

TEST_F(PublicRavelinTest, ModuleWithoutEntryIsUnloaded) {
  EXPECT_EQ(Create(L"NoEntry"), nullptr);
  EXPECT_EQ(probe::Events(), (Events{"load", "unload"}));
  EXPECT_FALSE(win32::IsModuleLoaded(ModulePath("noentry.so").c_str()));
  EXPECT_TRUE(mBoxes.Boxes().empty());
}

TEST_F(PublicRavelinTest, EntryReturningNullIsUnloaded) {
  EXPECT_EQ(Create(L"Null"), nullptr);
  EXPECT_EQ(probe::Events(), (Events{"load", CreateEvent(), "unload"}));
  EXPECT_FALSE(win32::IsModuleLoaded(ModulePath("null.so").c_str()));
  EXPECT_TRUE(mBoxes.Boxes().empty());
}

TEST_F(PublicRavelinTest, EntryThatThrowsGivesNullAndUnloads) {
  probe::SetThrowAt("create");
  EXPECT_EQ(Create(L"Throwing"), nullptr);
  EXPECT_EQ(probe::Events(), (Events{"load", CreateEvent(), "unload"}));
  EXPECT_FALSE(win32::IsModuleLoaded(ModulePath("throwing.so").c_str()));
  EXPECT_TRUE(mBoxes.Boxes().empty());
}

TEST_F(PublicRavelinTest, FirstUpdateThatThrowsReleasesTheObjectBeforeUnloading) {
  probe::SetThrowAt("update");
  EXPECT_EQ(Create(L"Throwing"), nullptr);
  EXPECT_EQ(probe::Events(),
            (Events{"load", CreateEvent(), "Update", "Shutdown", "Release", "unload"}));
  EXPECT_FALSE(win32::IsModuleLoaded(ModulePath("throwing.so").c_str()));
}

TEST_F(PublicRavelinTest, OperationsThatThrowGiveZero) {
  CPublicRavelin* manager = Create(L"Throwing");
  ASSERT_NE(manager, nullptr);
  int message = 5;
  probe::SetThrowAt("update");
  EXPECT_EQ(UpDataManager(manager), 0);
  probe::SetThrowAt("message");
  EXPECT_EQ(TranslateMimoMessage(&message, manager), 0);
  probe::SetThrowAt("");
  EXPECT_EQ(TranslateMimoMessage(&message, manager), 10);  // still usable

  // A failing Shutdown still lets the object go and the module leave.
  probe::Reset();
  probe::SetThrowAt("shutdown");
  UnPublicManager(manager);
  EXPECT_EQ(probe::Events(), (Events{"Shutdown", "Release", "unload"}));
  EXPECT_FALSE(win32::IsModuleLoaded(ModulePath("throwing.so").c_str()));
}

// A manager built into the host itself, for the entry points that do not
// care where the object came from.
class CLocalManager : public CPublicRavelin {
 public:
  explicit CLocalManager(Events& log) : mLog(&log) {}
  void ReservedImplementation1() override {}
  void ReservedImplementation2() override {}
  void ReservedImplementation3() override {}
  void Reserved5() override {}
  int Shutdown() override {
    mLog->push_back("Shutdown");
    return 0;
  }
  void Reserved7() override {}
  void Reserved8() override {}
  int HandleMessage(void*) override { throw std::runtime_error("message"); }
  int Release() override {
    mLog->push_back("Release");
    delete this;
    return 0;
  }
  void Reserved11() override {}
  void Reserved12() override {}
  void Reserved13() override {}
  void Reserved14() override {}
  int Update() override { throw 42; }
  void Reserved16() override {}

 private:
  Events* mLog;
};

TEST(PublicRavelinEntryTest, CatchesAnyExceptionAndReleasesWithoutModule) {
  Events log;
  auto* manager = new CLocalManager(log);
  int message = 1;
  EXPECT_EQ(UpDataManager(manager), 0);
  EXPECT_EQ(TranslateMimoMessage(&message, manager), 0);
  UnPublicManager(manager);  // no module to unload
  EXPECT_EQ(log, (Events{"Shutdown", "Release"}));
}

TEST(PublicRavelinErrorTextTest, GivesTheSystemTextOrNothing) {
  // The system's text for its number of a missing file, on one line.
  const std::wstring missing =
      CPublicRavelin::GetLastErrText(win32::SystemNumberFor(win32::ErrorCode::kNotFound));
  ASSERT_FALSE(missing.empty());
  EXPECT_EQ(missing,
            win32::FormatSystemMessage(win32::SystemNumberFor(win32::ErrorCode::kNotFound)));
  EXPECT_EQ(std::wstring::npos, missing.find_first_of(L"\r\n"));
  EXPECT_EQ(CPublicRavelin::GetLastErrText(0x7FFF0000u), L"");
  EXPECT_EQ(CPublicRavelin::GetLastErrText(0xFFFFFFFFu), L"");
}

}  // namespace
