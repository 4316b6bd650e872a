// Reading and replacing whole files, as every platform does it.
#include "platform/win32/FileIo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/win32/FileIoFault.h"
#include "platform/win32/SystemError.h"
#include "tests/platform/win32/FileIoTestSupport.h"

namespace {

using win32::ErrorCode;

class FileIoTest : public testing::Test {
 protected:
  win32test::CFileIoScratch mScratch;
};

TEST_F(FileIoTest, ReadReportsEachOutcome) {
  std::string bytes = "stale";
  win32::SystemError error;
  EXPECT_EQ(win32::FileReadStatus::kOpenFailed,
            win32::ReadWholeFile(mScratch.Path("none"), bytes, error));
  EXPECT_EQ(ErrorCode::kNotFound, error.code);
  // The number the user is shown is the system's own for a missing file.
  EXPECT_EQ(win32::SystemNumberFor(ErrorCode::kNotFound), error.number);

  mScratch.Write("empty", "");
  EXPECT_EQ(win32::FileReadStatus::kEmpty,
            win32::ReadWholeFile(mScratch.Path("empty"), bytes, error));

  const std::string content("a\0b\r\n", 5);
  mScratch.Write("data", content);
  EXPECT_EQ(win32::FileReadStatus::kOk, win32::ReadWholeFile(mScratch.Path("data"), bytes, error));
  EXPECT_EQ(content, bytes);
}

TEST_F(FileIoTest, ReadRefusesAFolder) {
  std::string bytes;
  win32::SystemError error;
  EXPECT_EQ(win32::FileReadStatus::kOpenFailed,
            win32::ReadWholeFile(mScratch.Dir().u16string(), bytes, error));
  EXPECT_EQ(ErrorCode::kNotRegularFile, error.code);
  EXPECT_NE(0u, error.number);
}

TEST_F(FileIoTest, ReplaceWritesNewAndExistingFilesWhole) {
  win32::SystemError error;
  ASSERT_TRUE(win32::ReplaceFileContents(mScratch.Path("f"), "first", 5, error));
  EXPECT_EQ("first", mScratch.Read("f"));
  ASSERT_TRUE(win32::ReplaceFileContents(mScratch.Path("f"), "second!", 7, error));
  EXPECT_EQ("second!", mScratch.Read("f"));
  ASSERT_TRUE(win32::ReplaceFileContents(mScratch.Path("f"), "", 0, error));
  EXPECT_EQ("", mScratch.Read("f"));
  EXPECT_EQ(1, mScratch.Entries());
}

TEST_F(FileIoTest, ReplaceRefusesFoldersAndMissingFolders) {
  win32::SystemError error;
  std::filesystem::create_directory(mScratch.Dir() / "sub");
  EXPECT_FALSE(win32::ReplaceFileContents(mScratch.Path("sub"), "x", 1, error));
  EXPECT_EQ(ErrorCode::kNotRegularFile, error.code);
  EXPECT_FALSE(win32::ReplaceFileContents(mScratch.Path("missing/f"), "x", 1, error));
  EXPECT_EQ(ErrorCode::kNotFound, error.code);
  EXPECT_FALSE(win32::ReplaceFileContents(u"", "x", 1, error));
  EXPECT_TRUE(std::filesystem::is_empty(mScratch.Dir() / "sub"));
  EXPECT_EQ(1, mScratch.Entries());
}

// An injected failure looks to the caller exactly like the system's own: the
// code asked for and this platform's number for it, the old file untouched,
// no scratch file left.
TEST_F(FileIoTest, InjectedFaultsFailTheirStepLikeTheSystem) {
  mScratch.Write("f", "old");
  for (win32::FileWriteStep step : {win32::FileWriteStep::kCreate, win32::FileWriteStep::kWrite,
                                    win32::FileWriteStep::kSync, win32::FileWriteStep::kRename}) {
    SCOPED_TRACE(static_cast<int>(step));
    win32::ScopedFileWriteFault inject([step](win32::FileWriteStep at) {
      return at == step ? ErrorCode::kDiskFull : ErrorCode::kNone;
    });
    win32::SystemError error;
    EXPECT_FALSE(win32::ReplaceFileContents(mScratch.Path("f"), "new bytes", 9, error));
    EXPECT_EQ(ErrorCode::kDiskFull, error.code);
    EXPECT_EQ(win32::SystemNumberFor(ErrorCode::kDiskFull), error.number);
    EXPECT_EQ("old", mScratch.Read("f"));
    EXPECT_EQ(1, mScratch.Entries());
  }
  win32::SystemError error;
  EXPECT_TRUE(win32::ReplaceFileContents(mScratch.Path("f"), "new", 3, error));
  EXPECT_EQ("new", mScratch.Read("f"));
}

}  // namespace
