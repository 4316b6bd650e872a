#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "platform/basalt/io/BlockText.h"

namespace {

using io::CBlock;
using io::CBlock_named_value;
using io::ReadError;

class BlockFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mDir = std::filesystem::temp_directory_path() /
           (std::string("ravelin_block_file_") + info->name() + "_" +
            std::to_string(std::random_device{}()));
    std::filesystem::create_directories(mDir);
  }
  void TearDown() override { std::filesystem::remove_all(mDir); }

  AString PathOf(const std::u8string& name) const {
    const std::u8string full = (mDir / name).u8string();
    return AString::FromUtf8(std::string(full.begin(), full.end()));
  }

  std::filesystem::path mDir;
};

TEST_F(BlockFileTest, SavesAndReadsBackUnderANonAsciiName) {
  CBlock block(L"Design");
  block << CBlock_named_value(L"Name", L"Ω 中");
  const AString path = PathOf(u8"設計 1.blk");
  ASSERT_EQ(io::WriteBlockFile(path, block), 0);
  CBlock back;
  ASSERT_EQ(io::ReadBlockFile(path, back), 0);
  EXPECT_EQ(back, block);

  // Overwriting replaces the content and leaves no temporary file behind.
  block << CBlock_named_value(L"More", 1);
  ASSERT_EQ(io::WriteBlockFile(path, block), 0);
  ASSERT_EQ(io::ReadBlockFile(path, back), 0);
  EXPECT_EQ(back, block);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mDir),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(BlockFileTest, FileProblemsAreFailuresNamingThePath) {
  CBlock block(L"Kept");
  ReadError missing = io::ReadBlockFile(PathOf(u8"absent.blk"), block);
  EXPECT_EQ(missing, ReadError::kFile);
  EXPECT_NE(missing.GetMessage().find(L"absent.blk"), AString::npos);
  EXPECT_EQ(block.Name(), L"Kept");

  EXPECT_EQ(io::ReadBlockFile(PathOf(u8""), block), ReadError::kFile) << "a directory";

  ReadError noDir = io::WriteBlockFile(PathOf(u8"no/such/dir.blk"), block);
  EXPECT_EQ(noDir, ReadError::kFile);
  EXPECT_NE(noDir.GetMessage().find(L"dir.blk"), AString::npos);
}

TEST_F(BlockFileTest, ParseErrorsNameFileLineAndColumn) {
  const AString path = PathOf(u8"bad.blk");
  {
    std::ofstream out(mDir / "bad.blk", std::ios::binary);
    out << "Top {\n  a = ?\n}\n";
  }
  CBlock block;
  ReadError result = io::ReadBlockFile(path, block);
  EXPECT_EQ(result, ReadError::kSyntax);
  EXPECT_EQ(result.GetLine(), 2);
  EXPECT_EQ(result.GetColumn(), 7);
  EXPECT_NE(result.GetMessage().find(L"bad.blk: line 2, column 7"), AString::npos) << result.what();
}

TEST_F(BlockFileTest, SampleFileInTestDataReads) {
  CBlock block;
  const AString path =
      AString::FromUtf8(RAVELIN_TEST_DATA_DIR) + AString(L"/platform/basalt/io/design.blk");
  ReadError result = io::ReadBlockFile(path, block);
  ASSERT_EQ(result, 0) << result.what();
  EXPECT_EQ(block.Name(), L"Design 1");
  io::CBlockPtr setups(L"SolveSetups");
  block >> setups;
  ASSERT_TRUE(block.mGood);
  EXPECT_EQ(setups->Size(), 3u);

  // Our own writer reproduces the file byte for byte.
  std::string text;
  ASSERT_EQ(io::WriteBlockText(block, text), 0);
  std::ifstream in(std::string(RAVELIN_TEST_DATA_DIR) + "/platform/basalt/io/design.blk",
                   std::ios::binary);
  const std::string stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, stored);
}

}  // namespace
