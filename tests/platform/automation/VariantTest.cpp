#include "platform/automation/Variant.h"

#include <gtest/gtest.h>

namespace automation {
namespace {

struct PointRecord {
  static constexpr std::string_view kRecordName = "PointRecord";
  std::int32_t lngX = 0;
  std::string strLabel;
};

struct OtherRecord {
  static constexpr std::string_view kRecordName = "OtherRecord";
  std::int32_t lngValue = 0;
};

long ErrorOf(auto&& call) {
  try {
    call();
  } catch (const AutomationError& error) {
    return error.GetNumber();
  }
  return 0;
}

TEST(VariantTest, KindsAreReported) {
  EXPECT_TRUE(Variant().IsEmpty());
  EXPECT_TRUE(Variant::Null().IsNull());
  EXPECT_TRUE(Variant::Missing().IsMissing());
  EXPECT_TRUE(Variant::Nothing().IsNothing());
  EXPECT_EQ(Variant(true).GetType(), VariantType::Boolean);
  EXPECT_EQ(Variant(std::uint8_t{7}).GetType(), VariantType::Byte);
  EXPECT_EQ(Variant(7).GetType(), VariantType::Long);
  EXPECT_EQ(Variant(7.5).GetType(), VariantType::Double);
  EXPECT_EQ(Variant("x").GetType(), VariantType::String);
  EXPECT_EQ(Variant(PointRecord{}).GetType(), VariantType::Record);
}

TEST(VariantTest, ConversionsFollowRuntimeRules) {
  EXPECT_EQ(Variant(2.5).ToLong(), 2);  // halves to even
  EXPECT_EQ(Variant(3.5).ToLong(), 4);
  EXPECT_EQ(Variant(-2.5).ToLong(), -2);
  EXPECT_EQ(Variant(" 42 ").ToLong(), 42);
  EXPECT_EQ(Variant(true).ToLong(), -1);
  EXPECT_EQ(Variant().ToLong(), 0);
  EXPECT_EQ(Variant(true).ToString(), "True");
  EXPECT_EQ(Variant(0.5).ToString(), "0.5");
  EXPECT_EQ(Variant(1e20).ToString(), "1E+20");
  EXPECT_EQ(Variant(-12).ToString(), "-12");
  EXPECT_EQ(Variant().ToString(), "");
  EXPECT_EQ(Variant("255").ToByte(), 255);
  EXPECT_TRUE(Variant("-1").ToBool());
  EXPECT_FALSE(Variant("false").ToBool());
}

TEST(VariantTest, ConversionFailuresRaiseRuntimeErrors) {
  EXPECT_EQ(ErrorOf([] { Variant::Null().ToString(); }), kErrInvalidUseOfNull);
  EXPECT_EQ(ErrorOf([] { Variant::Null().ToLong(); }), kErrInvalidUseOfNull);
  EXPECT_EQ(ErrorOf([] { Variant::Missing().ToString(); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant("abc").ToLong(); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant("").ToLong(); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant("inf").ToDouble(); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant(256).ToByte(); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { Variant(-1).ToByte(); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { Variant(3e9).ToLong(); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { Variant::Nothing().ToLong(); }), kErrObjectNotSet);
  EXPECT_EQ(ErrorOf([] { Variant(PointRecord{}).ToString(); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant(5).ToObject(); }), kErrTypeMismatch);
}

TEST(VariantTest, EqualityBetweenVariants) {
  EXPECT_TRUE(VariantEquals(Variant("abc"), Variant("abc")));
  EXPECT_FALSE(VariantEquals(Variant("abc"), Variant("ABC")));  // binary comparison
  EXPECT_TRUE(VariantEquals(Variant(), Variant("")));
  EXPECT_TRUE(VariantEquals(Variant(), Variant(0)));
  EXPECT_TRUE(VariantEquals(Variant(1), Variant(1.0)));
  EXPECT_TRUE(VariantEquals(Variant(true), Variant(-1)));
  EXPECT_TRUE(VariantEquals(Variant(std::uint8_t{4}), Variant(4)));
  // A number and a text held in Variants never compare equal.
  EXPECT_FALSE(VariantEquals(Variant(1), Variant("1")));
}

TEST(VariantTest, EqualityAgainstTypedText) {
  EXPECT_TRUE(VariantEqualsText(Variant(""), ""));
  EXPECT_TRUE(VariantEqualsText(Variant(), ""));
  EXPECT_FALSE(VariantEqualsText(Variant("A"), ""));
  EXPECT_TRUE(VariantEqualsText(Variant(4), "4"));
  EXPECT_TRUE(VariantEqualsText(Variant(4.0), " 4 "));
  EXPECT_FALSE(VariantEqualsText(Variant(4), ""));
  EXPECT_FALSE(VariantEqualsText(Variant(4), "four"));
}

TEST(VariantTest, ComparingNonValuesRaises) {
  EXPECT_EQ(ErrorOf([] { VariantEqualsText(Variant::Missing(), ""); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { VariantEqualsText(Variant::Null(), ""); }), kErrInvalidUseOfNull);
  EXPECT_EQ(ErrorOf([] { VariantEquals(Variant("x"), Variant::Null()); }), kErrInvalidUseOfNull);
  EXPECT_EQ(ErrorOf([] { VariantEquals(Variant::Missing(), Variant(1)); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { VariantEquals(Variant::Nothing(), Variant(1)); }), kErrObjectNotSet);
  EXPECT_EQ(ErrorOf([] { VariantEquals(Variant(PointRecord{}), Variant(1)); }), kErrTypeMismatch);
}

TEST(VariantTest, RecordsAreCopiedWithTheVariant) {
  PointRecord point;
  point.lngX = 3;
  point.strLabel = "a";
  Variant first(point);
  Variant second = first;
  second.GetRecord<PointRecord>().lngX = 9;
  EXPECT_EQ(first.GetRecord<PointRecord>().lngX, 3);
  EXPECT_EQ(second.GetRecord<PointRecord>().lngX, 9);
  EXPECT_EQ(first.GetRecordName(), "PointRecord");
  EXPECT_TRUE(first.HoldsRecord<PointRecord>());
  EXPECT_FALSE(first.HoldsRecord<OtherRecord>());
  EXPECT_EQ(ErrorOf([&] { first.GetRecord<OtherRecord>(); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant(1).GetRecord<PointRecord>(); }), kErrTypeMismatch);
}

TEST(VariantTest, TextHelpersCountCharactersNotBytes) {
  const std::string caption = "房间名称";
  EXPECT_EQ(TextLength(caption), 4u);
  EXPECT_EQ(TextLeft(caption, 2), "房间");
  EXPECT_EQ(TextLeft("ab", 5), "ab");
  EXPECT_EQ(TextMid("abcdef", 2, 3), "bcd");
  EXPECT_EQ(TextTrim("  a b  "), "a b");
  EXPECT_EQ(TextTrim("\ta "), "\ta");  // only spaces are trimmed
  EXPECT_EQ(TextUpper("room1 é ж"), "ROOM1 É Ж");
  EXPECT_EQ(TextUpper(caption), caption);
  EXPECT_EQ(TextFind("TOP MPG HITS.MPG", "MPG"), 5u);
  EXPECT_EQ(TextFind("房间名称", "名"), 3u);
  EXPECT_EQ(TextFind("abc", ""), 1u);
  EXPECT_EQ(TextFind("abc", "x"), 0u);
}

TEST(VariantTest, RoundToLongHalvesToEven) {
  EXPECT_EQ(RoundToLong(100.0 / 3), 33);
  EXPECT_EQ(RoundToLong(200.0 / 3), 67);
  EXPECT_EQ(RoundToLong(12.5), 12);
  EXPECT_EQ(RoundToLong(37.5), 38);
}

}  // namespace
TEST(VariantTest, UCaseMapsEveryLetterWithAnUpperCase) {
  EXPECT_EQ(TextUpper("łódź"), "ŁÓDŹ");
  EXPECT_EQ(TextUpper("ő-dal.mpg"), "Ő-DAL.MPG");
  EXPECT_EQ(TextUpper("straße"), "STRASSE");
  EXPECT_EQ(TextUpper("ԱՅԲ այբ"), "ԱՅԲ ԱՅԲ");
  EXPECT_EQ(Variant("true").ToDouble(), -1);  // the Boolean texts are read through UCase$ too
}

}  // namespace automation
