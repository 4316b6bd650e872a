// What the file seam does with POSIX permissions, links and special files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32/FileIo.h"
#include "platform/win32/SystemError.h"
#include "tests/platform/win32/FileIoTestSupport.h"

namespace {

using win32::ErrorCode;

class FileIoPosixTest : public testing::Test {
 protected:
  std::string Native(const std::string& name) const { return (mScratch.Dir() / name).string(); }

  win32test::CFileIoScratch mScratch;
};

TEST_F(FileIoPosixTest, NewFilesFollowTheUmaskAndOldOnesKeepTheirMode) {
  win32::SystemError error;
  ASSERT_TRUE(win32::ReplaceFileContents(mScratch.Path("f"), "first", 5, error));
  struct stat info {};
  ASSERT_EQ(0, ::stat(Native("f").c_str(), &info));
  mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(0666u & ~mask, info.st_mode & 0777u);

  ASSERT_EQ(0, ::chmod(Native("f").c_str(), 0640));
  ASSERT_TRUE(win32::ReplaceFileContents(mScratch.Path("f"), "second!", 7, error));
  EXPECT_EQ("second!", mScratch.Read("f"));
  ASSERT_EQ(0, ::stat(Native("f").c_str(), &info));
  EXPECT_EQ(0640u, info.st_mode & 0777u);
}

TEST_F(FileIoPosixTest, ReplaceWritesThroughSymbolicLinks) {
  std::filesystem::create_directory(mScratch.Dir() / "real");
  mScratch.Write("real/target", "old");
  std::filesystem::create_symlink(mScratch.Dir() / "real" / "target", mScratch.Dir() / "link");
  win32::SystemError error;
  ASSERT_TRUE(win32::ReplaceFileContents(mScratch.Path("link"), "new", 3, error));
  EXPECT_TRUE(std::filesystem::is_symlink(mScratch.Dir() / "link"));
  EXPECT_EQ("new", mScratch.Read("real/target"));
}

TEST_F(FileIoPosixTest, ReplaceRefusesFilesWithoutWritePermission) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "the superuser may write any file";
  }
  mScratch.Write("ro", "old");
  ASSERT_EQ(0, ::chmod(Native("ro").c_str(), 0444));
  win32::SystemError error;
  EXPECT_FALSE(win32::ReplaceFileContents(mScratch.Path("ro"), "new", 3, error));
  EXPECT_EQ(ErrorCode::kAccessDenied, error.code);
  EXPECT_EQ(static_cast<unsigned long>(EACCES), error.number);
  EXPECT_EQ("old", mScratch.Read("ro"));
}

TEST_F(FileIoPosixTest, FolderIsRefusedWithItsOwnNumber) {
  std::string bytes;
  win32::SystemError error;
  EXPECT_EQ(win32::FileReadStatus::kOpenFailed,
            win32::ReadWholeFile(mScratch.Dir().u16string(), bytes, error));
  EXPECT_EQ(ErrorCode::kNotRegularFile, error.code);
  EXPECT_EQ(static_cast<unsigned long>(EISDIR), error.number);
}

// A FIFO without a writer would block an ordinary open for ever, and a read
// from one with a writer would wait for data. Both must be refused at once.
TEST_F(FileIoPosixTest, FifoAndDeviceAreRefusedWithoutWaiting) {
  ASSERT_EQ(0, ::mkfifo(Native("fifo").c_str(), 0600));
  std::string bytes = "kept";
  win32::SystemError error;
  EXPECT_EQ(win32::FileReadStatus::kOpenFailed,
            win32::ReadWholeFile(mScratch.Path("fifo"), bytes, error));
  EXPECT_EQ(ErrorCode::kNotRegularFile, error.code);
  EXPECT_EQ("kept", bytes);

  EXPECT_EQ(win32::FileReadStatus::kOpenFailed, win32::ReadWholeFile(u"/dev/zero", bytes, error));
  EXPECT_EQ(ErrorCode::kNotRegularFile, error.code);

  EXPECT_FALSE(win32::ReplaceFileContents(mScratch.Path("fifo"), "x", 1, error));
  EXPECT_EQ(ErrorCode::kNotRegularFile, error.code);
}

}  // namespace
