// Manager modules that cannot be used: files that are no shared library at
// all, module names the file system refuses, and modules whose CreateManager
// keeps throwing. Each creation gives null with the box the failure calls
// for, nothing stays loaded, and the next creation from a good module works.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ManagerProbe.h"
#include "ManagerTestSupport.h"
#include "client/PublicRavelin.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Module.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/TextConvert.h"

namespace {

using clienttest::CBoxRecorder;
using managertest::CClientDir;

// What the loader said about the load that just failed on this thread.
std::u16string LoaderText() {
  const std::wstring text = win32::GetLastModuleErrorText();
  return win32::WideToUtf16(text.c_str(), text.size());
}

std::string FirstBytes(const char* path, std::size_t count) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  return bytes.substr(0, count);
}

class ManagerLoadFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    probe::Reset();
    mDir.AddModule(TEST_MANAGER_NORMAL, "manager.so");
    mDir.AddModule(TEST_MANAGER_THROWING, "throwing.so");
  }

  // Writes a configuration whose section Main names `module`, and creates.
  CPublicRavelin* CreateFrom(const std::string& module) {
    mDir.WriteFile("client.ini", "[Main]\npatch=" + module + "\n");
    const std::wstring directory = mDir.Wide();
    return CreatePublicManager(directory.c_str(), L"client.ini", L"Main", 0, mOwner, 0);
  }

  // A good module still gives a working manager, and unloads after.
  void ExpectGoodModuleStillWorks() {
    probe::Reset();
    CPublicRavelin* manager = CreateFrom("manager.so");
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(UpDataManager(manager), 102);  // the second update of this object
    UnPublicManager(manager);
    EXPECT_FALSE(win32::IsModuleLoaded((mDir.Path() / "manager.so").wstring().c_str()));
  }

  CClientDir mDir;
  CBoxRecorder mBoxes;
  int mWindow = 0;
  void* mOwner = &mWindow;
};

TEST_F(ManagerLoadFaultTest, FilesThatAreNoSharedLibraryGiveNullAndOneBox) {
  struct NotALibrary {
    std::string name;
    std::string bytes;
  };
  const std::vector<NotALibrary> files = {
      {"text.so", "this is a manager module, honestly\n"},
      {"empty.so", ""},
      // A real module cut off after its headers.
      {"truncated.so", FirstBytes(TEST_MANAGER_NORMAL, 256)},
      {"config.so", "[Main]\npatch=config.so\n"},
  };
  for (const NotALibrary& file : files) {
    SCOPED_TRACE(file.name);
    mDir.WriteFile(file.name, file.bytes);
    const std::size_t boxesBefore = mBoxes.Boxes().size();
    EXPECT_EQ(CreateFrom(file.name), nullptr);
    ASSERT_EQ(mBoxes.Boxes().size(), boxesBefore + 1);
    const clienttest::ShownBox& box = mBoxes.Boxes().back();
    EXPECT_EQ(box.owner, mOwner);
    EXPECT_EQ(box.caption, u"Mimo");
    EXPECT_EQ(win32::GetLastModuleError().code, win32::ErrorCode::kBadModule);
    EXPECT_FALSE(box.text.empty());
    EXPECT_EQ(box.text, LoaderText());
    EXPECT_TRUE(probe::Events().empty());
  }
  ExpectGoodModuleStillWorks();
}

TEST_F(ManagerLoadFaultTest, ModuleNamesTheFileSystemRefusesGiveNullAndOneBox) {
  std::filesystem::create_directory(mDir.Path() / "folder.so");
  struct Refused {
    std::string name;
    win32::ErrorCode error;  // kNone: platforms differ in what they call it
  };
  const std::vector<Refused> names = {
      {"folder.so", win32::ErrorCode::kNone},
      {"absent.so", win32::ErrorCode::kNotFound},
      {"manager.so/inside.so", win32::ErrorCode::kNotFound},
      {std::string(5000, 'm') + ".so", win32::ErrorCode::kNone},
  };
  for (const Refused& refused : names) {
    SCOPED_TRACE(refused.name.substr(0, 20));
    const std::size_t boxesBefore = mBoxes.Boxes().size();
    EXPECT_EQ(CreateFrom(refused.name), nullptr);
    ASSERT_EQ(mBoxes.Boxes().size(), boxesBefore + 1);
    EXPECT_EQ(mBoxes.Boxes().back().caption, u"Mimo");
    EXPECT_NE(win32::GetLastModuleError().code, win32::ErrorCode::kNone);
    if (refused.error != win32::ErrorCode::kNone) {
      EXPECT_EQ(win32::GetLastModuleError().code, refused.error);
    }
    EXPECT_FALSE(mBoxes.Boxes().back().text.empty());
    EXPECT_EQ(mBoxes.Boxes().back().text, LoaderText());
  }
  EXPECT_TRUE(probe::Events().empty());
  ExpectGoodModuleStillWorks();
}

TEST_F(ManagerLoadFaultTest, CreateManagerThrowingAgainAndAgainLeavesNothingLoaded) {
  const std::wstring modulePath = (mDir.Path() / "throwing.so").wstring();
  for (int i = 0; i < 25; ++i) {
    probe::Reset();
    probe::SetThrowAt("create");
    EXPECT_EQ(CreateFrom("throwing.so"), nullptr);
    EXPECT_FALSE(win32::IsModuleLoaded(modulePath.c_str())) << "load count leaked on round " << i;
  }
  EXPECT_TRUE(mBoxes.Boxes().empty());
  // The same module works once it stops throwing.
  probe::Reset();
  CPublicRavelin* manager = CreateFrom("throwing.so");
  ASSERT_NE(manager, nullptr);
  UnPublicManager(manager);
  EXPECT_FALSE(win32::IsModuleLoaded(modulePath.c_str()));
  ExpectGoodModuleStillWorks();
}

}  // namespace
