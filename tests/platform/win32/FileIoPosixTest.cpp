// What the file seam does with POSIX permissions, links and special files.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/FileIo.h"
#include "platform/win32/FileIoFault.h"
#include "platform/win32/SystemError.h"
#include "tests/platform/win32/FileIoTestSupport.h"

namespace {

using win32::ErrorCode;
using win32::FileWriteStep;

// Exit codes of the children that work in a mount namespace of their own.
constexpr int kChildPassed = 0;
constexpr int kChildCannotMount = 77;

bool Replace(const std::filesystem::path& path, const std::string& bytes) {
  win32::SystemError error;
  return win32::ReplaceFileContents(path.u16string(), bytes.data(), bytes.size(), error);
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// Two contents that differ everywhere; the new one takes a while to write
// and is larger than the small file system below.
std::string OldBytes() {
  return std::string(3000, 'o');
}

std::string NewBytes() {
  std::string bytes;
  for (int i = 0; bytes.size() < 400000; ++i) {
    bytes += "new line " + std::to_string(i) + " of a file large enough to take a while\n";
  }
  return bytes;
}

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

TEST_F(FileIoPosixTest, ReadOnlyFolderRefusesTheReplace) {
  const auto target = mScratch.Dir() / "f";
  ASSERT_TRUE(Replace(target, OldBytes()));
  if (::geteuid() != 0) {
    ASSERT_EQ(0, ::chmod(mScratch.Dir().c_str(), 0555));
    win32::SystemError error;
    const std::string bytes = NewBytes();
    const bool replaced =
        win32::ReplaceFileContents(target.u16string(), bytes.data(), bytes.size(), error);
    ::chmod(mScratch.Dir().c_str(), 0755);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(ErrorCode::kAccessDenied, error.code);
    EXPECT_EQ(OldBytes(), ReadAll(target));
    return;
  }
  // Permission bits do not stop the superuser; a read-only file system does.
  // The child mounts one in a mount namespace of its own, so nothing outside
  // the test sees it.
  const auto mountPoint = mScratch.Dir() / "ro";
  std::filesystem::create_directory(mountPoint);
  pid_t child = ::fork();
  ASSERT_NE(-1, child);
  if (child == 0) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0) {
      ::_exit(kChildCannotMount);
    }
    const auto inside = mountPoint / "f";
    if (!Replace(inside, OldBytes()) ||
        ::mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
      ::_exit(kChildCannotMount);
    }
    win32::SystemError error;
    const std::string bytes = NewBytes();
    int code = kChildPassed;
    if (win32::ReplaceFileContents(inside.u16string(), bytes.data(), bytes.size(), error)) {
      code = 1;  // reported a replace that cannot have happened
    } else if (ReadAll(inside) != OldBytes()) {
      code = 2;
    } else if (error.code != ErrorCode::kReadOnly) {
      code = 3;
    }
    ::_exit(code);
  }
  int status = 0;
  ASSERT_EQ(child, ::waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kChildCannotMount) {
    GTEST_SKIP() << "running as the superuser and no read-only file system can be mounted here";
  }
  EXPECT_EQ(kChildPassed, WEXITSTATUS(status))
      << "1: replace reported success, 2: file changed, 3: not reported as read-only";
}

TEST_F(FileIoPosixTest, FullFileSystemRefusesTheReplace) {
  // A real small file system: the new contents are larger than all of it.
  const auto mountPoint = mScratch.Dir() / "small";
  std::filesystem::create_directory(mountPoint);
  pid_t child = ::fork();
  ASSERT_NE(-1, child);
  if (child == 0) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0) {
      ::_exit(kChildCannotMount);
    }
    const auto inside = mountPoint / "f";
    if (!Replace(inside, OldBytes())) {
      ::_exit(kChildCannotMount);
    }
    win32::SystemError error;
    const std::string bytes = NewBytes();
    int code = kChildPassed;
    if (win32::ReplaceFileContents(inside.u16string(), bytes.data(), bytes.size(), error)) {
      code = 1;
    } else if (ReadAll(inside) != OldBytes()) {
      code = 2;
    } else if (FolderEntries(mountPoint) != std::vector<std::string>{"f"}) {
      code = 3;  // the partial scratch file still takes the space
    } else if (error.code != ErrorCode::kDiskFull) {
      code = 4;
    }
    ::_exit(code);
  }
  int status = 0;
  ASSERT_EQ(child, ::waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kChildCannotMount) {
    GTEST_SKIP()
        << "no small file system can be mounted here; the injected kDiskFull case covers it";
  }
  EXPECT_EQ(kChildPassed, WEXITSTATUS(status))
      << "1: replace reported success, 2: file changed, 3: scratch file left, 4: not disk full";
}

// The child replaces the file with the large contents again and again until
// it is killed; whenever that happens, the file holds one or the other.
TEST_F(FileIoPosixTest, KilledWhileReplacingLeavesOldOrNewFile) {
  const auto target = mScratch.Dir() / "f";
  const std::string oldBytes = OldBytes();
  const std::string newBytes = NewBytes();
  bool sawNew = false;
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(Replace(target, oldBytes));
    int ready[2];
    ASSERT_EQ(0, ::pipe(ready));
    pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
      ::close(ready[0]);
      char byte = 1;
      [[maybe_unused]] ssize_t ignored = ::write(ready[1], &byte, 1);
      for (;;) {
        Replace(target, newBytes);
      }
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(1, ::read(ready[0], &byte, 1));
    ::close(ready[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(round * 3));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    const std::string onDisk = ReadAll(target);
    EXPECT_TRUE(onDisk == oldBytes || onDisk == newBytes) << "a mix of both is on disk";
    sawNew = sawNew || onDisk == newBytes;
  }
  // Not asserted: a slow machine may never finish one replace in time.
  if (!sawNew) {
    std::printf("note: no round got as far as a complete new file\n");
  }
}

// The same, killed at each step of a replace for certain rather than by timing.
TEST_F(FileIoPosixTest, KilledAtEachStepOfAReplaceLeavesTheOldFile) {
  const auto target = mScratch.Dir() / "f";
  ASSERT_TRUE(Replace(target, OldBytes()));
  for (FileWriteStep step : {FileWriteStep::kCreate, FileWriteStep::kWrite, FileWriteStep::kSync,
                             FileWriteStep::kRename}) {
    SCOPED_TRACE(static_cast<int>(step));
    int reached[2];
    ASSERT_EQ(0, ::pipe(reached));
    pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
      ::close(reached[0]);
      win32::ScopedFileWriteFault stop([&](FileWriteStep at) {
        if (at == step) {
          char byte = 1;
          [[maybe_unused]] ssize_t ignored = ::write(reached[1], &byte, 1);
          for (;;) {
            ::pause();
          }
        }
        return ErrorCode::kNone;
      });
      Replace(target, NewBytes());
      ::_exit(0);
    }
    ::close(reached[1]);
    char byte = 0;
    ASSERT_EQ(1, ::read(reached[0], &byte, 1));
    ::close(reached[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_EQ(OldBytes(), ReadAll(target));
  }
}

}  // namespace
