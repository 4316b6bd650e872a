#include "vod/mdlStr.h"

#include <gtest/gtest.h>

namespace vod {
namespace {

using automation::Variant;

TEST(mdlStrTest, QuotesValueAsText) {
  EXPECT_EQ(Str_Quote(""), "''");
  EXPECT_EQ(Str_Quote("SONG.MPG"), "'SONG.MPG'");
  EXPECT_EQ(Str_Quote(Variant(12)), "'12'");
  EXPECT_EQ(Str_Quote("房间"), "'房间'");
}

TEST(mdlStrTest, DoublesSingleQuotesSoValuesCannotEndTheText) {
  EXPECT_EQ(Str_Quote("O'Brien"), "'O''Brien'");
  EXPECT_EQ(Str_Quote("'"), "''''");
  EXPECT_EQ(Str_Quote("x' OR '1'='1"), "'x'' OR ''1''=''1'");
  EXPECT_EQ(Str_Quote("'); DROP TABLE Room; --"), "'''); DROP TABLE Room; --'");
}

TEST(mdlStrTest, NonTextValuesGiveEmptyText) {
  EXPECT_EQ(Str_Quote(Variant::Null()), "");
  EXPECT_EQ(Str_Quote(Variant::Missing()), "");
  EXPECT_EQ(Str_Quote(Variant::Nothing()), "");
}

}  // namespace
}  // namespace vod
