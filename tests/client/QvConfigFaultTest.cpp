// Saving the configuration when the system does not cooperate: a folder that
// may not be written, a disk that fills up, a device that fails, reached
// through the file seam's fault hook. Whatever happens, the file on disk is
// the old one or the complete new one, and a save that did not make it says
// so. The real faults behind the hook (read-only and full file systems, a
// process killed mid-save) are the file seam's own tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/QvConfig.h"
#include "platform/win32/FileIoFault.h"
#include "platform/win32/SystemError.h"
#include "tests/client/QvConfigTestSupport.h"

namespace {

using qvtest::CScratchDir;
using qvtest::ReadFile;
using qvtest::Render;
using win32::ErrorCode;
using win32::FileWriteStep;

std::wstring Wide(const std::filesystem::path& path) {
  return path.wstring();
}

// A store holding `sections` sections of `keys` keys each; `tag` goes into
// every value so that two tables of one size differ everywhere.
void Fill(CQvConfig& config, int sections, int keys, const std::string& tag) {
  std::string text;
  for (int s = 0; s < sections; ++s) {
    text += "[Section" + std::to_string(s) + "]\n";
    for (int k = 0; k < keys; ++k) {
      text += "key" + std::to_string(k) + "=" + tag + " value " + std::to_string(s * keys + k) +
              " of a table large enough to take a while to write\n";
    }
  }
  ASSERT_EQ(1, config.OpeniniStream(text.data(), static_cast<unsigned long>(text.size())));
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// What the file at path holds, rendered; "<unreadable>" when it does not load
// as a packed stream.
std::wstring LoadedText(const std::filesystem::path& path) {
  std::string bytes = ReadFile(path);
  CQvConfig config;
  if (config.OpenQuveStream(bytes.data(), static_cast<unsigned long>(bytes.size())) != 1) {
    return L"<unreadable>";
  }
  return Render(config);
}

class QvConfigFaultTest : public testing::Test {
 protected:
  void SetUp() override {
    Fill(mOld, 2, 3, "old");
    Fill(mNew, 40, 40, "new");
    mTarget = mDir / "client.qve";
    ASSERT_EQ(1, mOld.Save(CQvConfig::CONFIGTYPE_QVE, Wide(mTarget).c_str()));
    mOldBytes = ReadFile(mTarget);
  }

  CScratchDir mDir;
  CQvConfig mOld;
  CQvConfig mNew;
  std::filesystem::path mTarget;
  std::string mOldBytes;
};

TEST_F(QvConfigFaultTest, FailingStepLeavesTheOldFileAndReportsZero) {
  struct Fault {
    FileWriteStep step;
    ErrorCode error;
  };
  const Fault faults[] = {
      {FileWriteStep::kCreate, ErrorCode::kAccessDenied},      // a folder that may not be written
      {FileWriteStep::kCreate, ErrorCode::kReadOnly},          // a file system mounted read-only
      {FileWriteStep::kWrite, ErrorCode::kDiskFull},           // the disk fills up half way
      {FileWriteStep::kSync, ErrorCode::kIoError},             // the disk gives up on the flush
      {FileWriteStep::kRename, ErrorCode::kSharingViolation},  // another holds the target
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(static_cast<int>(fault.step));
    int calls = 0;
    win32::ScopedFileWriteFault inject([&](FileWriteStep step) {
      ++calls;
      return step == fault.step ? fault.error : ErrorCode::kNone;
    });
    EXPECT_EQ(0, mNew.Save(CQvConfig::CONFIGTYPE_QVE, Wide(mTarget).c_str()));
    EXPECT_GT(calls, 0) << "the save did not go through the file seam";
    EXPECT_EQ(mOldBytes, ReadFile(mTarget));
    EXPECT_EQ(std::vector<std::string>{"client.qve"}, FolderEntries(mDir.Path()))
        << "a failed save left its scratch file behind";
  }
  // Once the system works again the same store saves.
  ASSERT_EQ(1, mNew.Save(CQvConfig::CONFIGTYPE_QVE, Wide(mTarget).c_str()));
  EXPECT_EQ(Render(mNew), LoadedText(mTarget));
}

TEST_F(QvConfigFaultTest, FailedFirstSaveCreatesNoFile) {
  win32::ScopedFileWriteFault inject([](FileWriteStep step) {
    return step == FileWriteStep::kWrite ? ErrorCode::kDiskFull : ErrorCode::kNone;
  });
  const auto fresh = mDir / "fresh.qve";
  EXPECT_EQ(0, mNew.Save(CQvConfig::CONFIGTYPE_QVE, Wide(fresh).c_str()));
  EXPECT_FALSE(std::filesystem::exists(fresh));
}

TEST_F(QvConfigFaultTest, FailedSaveToTheRememberedPathKeepsTheFileReadable) {
  CQvConfig config;
  ASSERT_EQ(1, config.OpenFile(Wide(mTarget).c_str()));
  wchar_t changed[] = L"changed";
  ASSERT_EQ(1, config.SetKeyVar(L"Section0", L"key0", changed));
  {
    win32::ScopedFileWriteFault inject([](FileWriteStep step) {
      return step == FileWriteStep::kSync ? ErrorCode::kIoError : ErrorCode::kNone;
    });
    EXPECT_EQ(0, config.Save(CQvConfig::CONFIGTYPE_QVE, nullptr));
  }
  EXPECT_EQ(Render(mOld), LoadedText(mTarget));
  ASSERT_EQ(1, config.Save(CQvConfig::CONFIGTYPE_QVE, nullptr));
  EXPECT_EQ(Render(config), LoadedText(mTarget));
}

}  // namespace
