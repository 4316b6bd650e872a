#include "platform/basalt/FileUtilities.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class FileUtilitiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mFolder = std::filesystem::temp_directory_path() /
              ("basalt_find_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(mFolder);
    std::filesystem::create_directories(mFolder / "sub.txt");
    for (const char8_t* name : {u8"b.txt", u8"a.txt", u8"C.TXT", u8"notes.md", u8"\u8bbe.txt"}) {
      std::ofstream(mFolder / std::filesystem::path(name)) << "x";
    }
    std::ofstream(mFolder / "sub.txt" / "deep.txt") << "x";
  }
  void TearDown() override { std::filesystem::remove_all(mFolder); }

  // Written with "/" on every platform, so the separator added is "/" too.
  AString Folder() const {
    const std::u8string utf8 = mFolder.generic_u8string();
    return AString::FromUtf8(std::string(utf8.begin(), utf8.end()));
  }

  std::filesystem::path mFolder;
};

TEST_F(FileUtilitiesTest, FindsMatchingRegularFilesSortedByName) {
  CFileUtilities utilities;
  std::vector<LongFileName> found;
  EXPECT_EQ(utilities.SimpleFind(&found, Folder(), L"*.txt"), 4);
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].FilePath(), Folder() + L"/C.TXT");
  EXPECT_EQ(found[1].Name(), L"a.txt");
  EXPECT_EQ(found[2].Name(), L"b.txt");
  EXPECT_EQ(found[3].Name(), L"\u8bbe.txt");
}

TEST_F(FileUtilitiesTest, AppendsAndHonoursSingleCharacterWildcards) {
  CFileUtilities utilities;
  std::vector<LongFileName> found{LongFileName(L"kept")};
  // One character, not one byte: the CJK name matches too.
  EXPECT_EQ(utilities.SimpleFind(&found, Folder() + L"/", L"?.txt"), 4);
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found[0].FilePath(), L"kept");
  EXPECT_EQ(found[1].FilePath(), Folder() + L"/C.TXT");
  EXPECT_EQ(found[4].Name(), L"\u8bbe.txt");
  EXPECT_EQ(utilities.SimpleFind(&found, Folder(), L"nothing*"), 0);
  EXPECT_EQ(found.size(), 5u);
}

TEST_F(FileUtilitiesTest, UnreadableFolderOrNullListIsMinusOne) {
  CFileUtilities utilities;
  std::vector<LongFileName> found;
  EXPECT_EQ(utilities.SimpleFind(&found, Folder() + L"/absent", L"*"), -1);
  EXPECT_EQ(utilities.SimpleFind(&found, Folder() + L"/a.txt", L"*"), -1);
  EXPECT_EQ(utilities.SimpleFind(nullptr, Folder(), L"*"), -1);
  EXPECT_TRUE(found.empty());
}

// Tests run in their source directory, which holds this directory's CMake file.
TEST(FileUtilitiesCurrentFolderTest, EmptyFolderIsTheCurrentDirectory) {
  CFileUtilities utilities;
  std::vector<LongFileName> found;
  EXPECT_EQ(utilities.SimpleFind(&found, L"", L"cmakelists.TXT"), 1);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].FilePath(), L"CMakeLists.txt");
}

}  // namespace
