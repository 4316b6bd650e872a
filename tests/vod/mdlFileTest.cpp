#include "vod/mdlFile.h"

#include <gtest/gtest.h>

namespace vod {
namespace {

using automation::Variant;

TEST(mdlFileTest, ExtNameIsTextAfterLastDot) {
  EXPECT_EQ(File_ExtName("SONG.MPG"), "MPG");
  EXPECT_EQ(File_ExtName("A.B.MPG"), "MPG");
  EXPECT_EQ(File_ExtName("SONG"), "SONG");
  EXPECT_EQ(File_ExtName("SONG."), "");
  EXPECT_EQ(File_ExtName(""), "");
  EXPECT_EQ(File_ExtName("歌曲.MPG"), "MPG");
}

TEST(mdlFileTest, TitleNameCutsAtFirstOccurrenceOfExtension) {
  EXPECT_EQ(File_TitleName("SONG.MPG"), "SONG");
  EXPECT_EQ(File_TitleName("A.B.MPG"), "A.B");
  EXPECT_EQ(File_TitleName("D:\\MUSIC\\SONG.MPG"), "D:\\MUSIC\\SONG");
  EXPECT_EQ(File_TitleName("SONG"), "");
  EXPECT_EQ(File_TitleName("SONG."), "");
  EXPECT_EQ(File_TitleName(".MPG"), "");
  EXPECT_EQ(File_TitleName("MPG1.MPG"), "");
  EXPECT_EQ(File_TitleName("TOP MPG HITS.MPG"), "TOP");
  EXPECT_EQ(File_TitleName("mpg1.MPG"), "mpg1");
  EXPECT_EQ(File_TitleName("月亮代表我的心.MPG"), "月亮代表我的心");
}

TEST(mdlFileTest, NonTextArgumentsGiveEmptyText) {
  EXPECT_EQ(File_ExtName(Variant::Null()), "");
  EXPECT_EQ(File_TitleName(Variant::Null()), "");
  EXPECT_EQ(File_TitleName(Variant::Missing()), "");
  EXPECT_EQ(File_ExtName(Variant(12.5)), "5");  // numbers are read as their text
}

}  // namespace
}  // namespace vod
