#include "platform/win32/FileIo.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class FileIoTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "fileio-test-XXXXXX").string();
    ASSERT_NE(nullptr, ::mkdtemp(pattern.data()));
    mDir = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(mDir); }

  std::u16string Path(const std::string& name) const {
    std::string p = (mDir / name).string();
    return std::u16string(p.begin(), p.end());
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(mDir / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  int Entries() const {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(mDir)) {
      ++n;
    }
    return n;
  }

  std::filesystem::path mDir;
};

TEST_F(FileIoTest, ReadReportsEachOutcome) {
  std::string bytes = "stale";
  int error = 0;
  EXPECT_EQ(win32::FileReadStatus::kOpenFailed, win32::ReadWholeFile(Path("none"), bytes, error));
  EXPECT_EQ(ENOENT, error);
  std::string narrow = mDir.string();
  std::u16string dir(narrow.begin(), narrow.end());
  EXPECT_EQ(win32::FileReadStatus::kOpenFailed, win32::ReadWholeFile(dir, bytes, error));
  EXPECT_EQ(EISDIR, error);

  std::ofstream(mDir / "empty").close();
  EXPECT_EQ(win32::FileReadStatus::kEmpty, win32::ReadWholeFile(Path("empty"), bytes, error));

  std::string content("a\0b\r\n", 5);
  std::ofstream(mDir / "data", std::ios::binary).write(content.data(), 5);
  EXPECT_EQ(win32::FileReadStatus::kOk, win32::ReadWholeFile(Path("data"), bytes, error));
  EXPECT_EQ(content, bytes);
}

TEST_F(FileIoTest, ReplaceWritesNewAndExistingFilesWhole) {
  int error = 0;
  ASSERT_TRUE(win32::ReplaceFileContents(Path("f"), "first", 5, error));
  EXPECT_EQ("first", Read("f"));
  struct stat info {};
  ASSERT_EQ(0, ::stat((mDir / "f").c_str(), &info));
  mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(0666u & ~mask, info.st_mode & 0777u);

  ASSERT_EQ(0, ::chmod((mDir / "f").c_str(), 0640));
  ASSERT_TRUE(win32::ReplaceFileContents(Path("f"), "second!", 7, error));
  EXPECT_EQ("second!", Read("f"));
  ASSERT_EQ(0, ::stat((mDir / "f").c_str(), &info));
  EXPECT_EQ(0640u, info.st_mode & 0777u);
  ASSERT_TRUE(win32::ReplaceFileContents(Path("f"), "", 0, error));
  EXPECT_EQ("", Read("f"));
  EXPECT_EQ(1, Entries());
}

TEST_F(FileIoTest, ReplaceWritesThroughSymbolicLinks) {
  std::filesystem::create_directory(mDir / "real");
  std::ofstream(mDir / "real" / "target") << "old";
  std::filesystem::create_symlink(mDir / "real" / "target", mDir / "link");
  int error = 0;
  ASSERT_TRUE(win32::ReplaceFileContents(Path("link"), "new", 3, error));
  EXPECT_TRUE(std::filesystem::is_symlink(mDir / "link"));
  EXPECT_EQ("new", Read("real/target"));
}

TEST_F(FileIoTest, ReplaceRefusesFilesThatMayNotBeWritten) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "the superuser may write any file";
  }
  std::ofstream(mDir / "ro") << "old";
  ASSERT_EQ(0, ::chmod((mDir / "ro").c_str(), 0444));
  int error = 0;
  EXPECT_FALSE(win32::ReplaceFileContents(Path("ro"), "new", 3, error));
  EXPECT_EQ(EACCES, error);
  EXPECT_EQ("old", Read("ro"));
}

TEST_F(FileIoTest, ReplaceRefusesFoldersAndMissingFolders) {
  int error = 0;
  std::filesystem::create_directory(mDir / "sub");
  EXPECT_FALSE(win32::ReplaceFileContents(Path("sub"), "x", 1, error));
  EXPECT_EQ(EISDIR, error);
  EXPECT_FALSE(win32::ReplaceFileContents(Path("missing/f"), "x", 1, error));
  EXPECT_EQ(ENOENT, error);
  EXPECT_FALSE(win32::ReplaceFileContents(u"", "x", 1, error));
  EXPECT_TRUE(std::filesystem::is_empty(mDir / "sub"));
  EXPECT_EQ(1, Entries());
}

}  // namespace
