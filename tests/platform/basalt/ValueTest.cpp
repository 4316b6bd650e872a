#include "platform/basalt/Value.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/basalt/MessageCatalogue.h"
#include "platform/basalt/VariableValues.h"
#include "platform/basalt/VelmorMessage.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/DataExchange.h"
#include "platform/basalt/io/ReadError.h"

namespace {

using Units::FullUnitType;

struct Evaluated {
  bool mOk;
  double mNumber;
  FullUnitType mUnit;
  AString mError;
};

Evaluated Eval(const AString& text, FullUnitType unitType = Units::kNoUnit,
               const VariableValues* variables = nullptr) {
  Evaluated result{false, 0.0, Units::kNoUnit, AString()};
  result.mOk =
      Value(text, unitType).Evaluate(result.mNumber, result.mUnit, result.mError, variables);
  return result;
}

class ValueTest : public ::testing::Test {
 protected:
  void SetUp() override { Handler()->ClearMessages(); }
  void TearDown() override { Handler()->ClearMessages(); }
  static VelmorMessageHandler* Handler() { return GetGlobalIMessageManager().GetMessageHandler(); }
};

TEST_F(ValueTest, ConstructorsKeepTextAndUnitType) {
  EXPECT_EQ(Value().GetValueText(), L"0");
  EXPECT_EQ(Value(Units::kNoUnit).GetUnits(), Units::kNoUnit);
  EXPECT_EQ(Value(static_cast<FullUnitType>(90)).GetUnitType(), Units::kNoUnit);
  const Value mm(Units::kMillimeter);
  EXPECT_EQ(mm.GetValue(), 0.0);
  EXPECT_EQ(mm.GetUnits(), Units::kMillimeter);
  EXPECT_EQ(Value(L"2*w", Units::kNoUnit).GetValueText(), L"2*w");
  EXPECT_EQ(Value(3.0, Units::kMillimeter).GetValueText(), L"3mm");
  EXPECT_EQ(Value(0.1, Units::kNoUnit).GetValueText(), L"0.1");
  EXPECT_EQ(Value(-2.5, Units::kGigahertz).GetValueText(), L"-2.5GHz");
  EXPECT_EQ(Value(1e-5, Units::kMeter).GetValueText(), L"1e-05m");
}

TEST_F(ValueTest, NumbersWithUnitSuffixes) {
  const Evaluated plain = Eval(L"42");
  EXPECT_TRUE(plain.mOk);
  EXPECT_EQ(plain.mNumber, 42.0);
  EXPECT_EQ(plain.mUnit, Units::kNoUnit);
  for (const auto& [text, number, unit] : std::vector<std::tuple<AString, double, FullUnitType>>{
           {L"3mm", 3.0, Units::kMillimeter},
           {L"2.4 GHz", 2.4, Units::kGigahertz},
           {L".5in", 0.5, Units::kInch},
           {L"5.mil", 5.0, Units::kMil},
           {L"1e3um", 1000.0, Units::kMicrometer},
           {L"2E-2 m", 0.02, Units::kMeter},
           {L"90deg", 90.0, Units::kDegree},
           {L"1ghz", 1.0, Units::kGigahertz},
           {L"7nm", 7.0, Units::kNanometer},
           {L"10kHz", 10.0, Units::kKilohertz},
       }) {
    const Evaluated got = Eval(text);
    EXPECT_TRUE(got.mOk) << text.ToUtf8() << ": " << got.mError.ToUtf8();
    EXPECT_DOUBLE_EQ(got.mNumber, number) << text.ToUtf8();
    EXPECT_EQ(got.mUnit, unit) << text.ToUtf8();
  }
}

TEST_F(ValueTest, PlainNumberTakesTheUnitType) {
  const Evaluated got = Eval(L"3", Units::kMillimeter);
  EXPECT_EQ(got.mNumber, 3.0);
  EXPECT_EQ(got.mUnit, Units::kMillimeter);
  EXPECT_EQ(Eval(L"2cm", Units::kMillimeter).mUnit, Units::kCentimeter);
}

TEST_F(ValueTest, ArithmeticPrecedenceParenthesesAndUnaryMinus) {
  EXPECT_EQ(Eval(L"1 + 2 * 3").mNumber, 7.0);
  EXPECT_EQ(Eval(L"(1 + 2) * 3").mNumber, 9.0);
  EXPECT_EQ(Eval(L"8 / 4 / 2").mNumber, 1.0);
  EXPECT_EQ(Eval(L"10 - 4 - 3").mNumber, 3.0);
  EXPECT_EQ(Eval(L"-(2 - 5)").mNumber, 3.0);
  EXPECT_EQ(Eval(L"- -2").mNumber, 2.0);
  EXPECT_EQ(Eval(L"+4").mNumber, 4.0);
  EXPECT_EQ(Eval(L"2 * -3").mNumber, -6.0);
}

TEST_F(ValueTest, UnitsConvertWithinAKind) {
  Evaluated got = Eval(L"1cm + 5mm");
  EXPECT_DOUBLE_EQ(got.mNumber, 1.5);
  EXPECT_EQ(got.mUnit, Units::kCentimeter);
  got = Eval(L"1GHz - 500MHz");
  EXPECT_DOUBLE_EQ(got.mNumber, 0.5);
  EXPECT_EQ(got.mUnit, Units::kGigahertz);
  got = Eval(L"3mm + 1");
  EXPECT_EQ(got.mNumber, 4.0);
  EXPECT_EQ(got.mUnit, Units::kMillimeter);
  got = Eval(L"2 * 3mm");
  EXPECT_EQ(got.mNumber, 6.0);
  EXPECT_EQ(got.mUnit, Units::kMillimeter);
  got = Eval(L"6mm / 2mm");
  EXPECT_DOUBLE_EQ(got.mNumber, 3.0);
  EXPECT_EQ(got.mUnit, Units::kNoUnit);
  got = Eval(L"2mm * 3mm / 1cm");
  EXPECT_TRUE(got.mOk) << got.mError.ToUtf8();
  EXPECT_DOUBLE_EQ(got.mNumber, 0.6);
  EXPECT_EQ(got.mUnit, Units::kMillimeter);
  got = Eval(L"180deg + 3.141592653589793rad");
  EXPECT_DOUBLE_EQ(got.mNumber, 360.0);
}

TEST_F(ValueTest, EvaluationErrorsAreReportedNotCrashes) {
  for (const wchar_t* bad : {L"", L"   ", L"1 +", L"(1", L"1)", L"2 ** 3", L"3 parsecs",
                             L"1mm + 1GHz", L"1 / 0", L"1mm * 1mm", L"1e999", L"@", L"2 3", L"w"}) {
    const Evaluated got = Eval(bad);
    EXPECT_FALSE(got.mOk) << AString(bad).ToUtf8();
    EXPECT_FALSE(got.mError.empty()) << AString(bad).ToUtf8();
  }
  EXPECT_NE(Eval(L"1mm + 1GHz").mError.find(L"a length and a frequency"), AString::npos);
  EXPECT_NE(Eval(L"(1").mError.find(L")"), AString::npos);
}

TEST_F(ValueTest, HostileNestingAndLengthAreErrorsNotStackOverflows) {
  const AString deep = AString(100000, L'(') + L"1" + AString(100000, L')');
  EXPECT_FALSE(Eval(deep).mOk);
  EXPECT_FALSE(Eval(AString(100000, L'-') + L"1").mOk);
  AString longSum(L"1");
  for (int i = 0; i < 100000; ++i) {
    longSum += L"+1";
  }
  const Evaluated sum = Eval(longSum);
  EXPECT_TRUE(sum.mOk);
  EXPECT_EQ(sum.mNumber, 100001.0);
}

TEST_F(ValueTest, GetValuePostsTheErrorAndReturnsZero) {
  const Value broken(L"2 * missing", Units::kMillimeter);
  EXPECT_EQ(broken.GetValue(), 0.0);
  EXPECT_EQ(broken.GetUnits(), Units::kMillimeter);
  const std::vector<VelmorMessage> messages = Handler()->GetMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].GetMessageID(), MessageCatalogue::kEvaluationErrorMessage);
  EXPECT_EQ(messages[0].GetArg(0), L"2 * missing");
  EXPECT_NE(messages[0].GetArg(1).find(L"\"missing\""), AString::npos);
  EXPECT_EQ(MessageCatalogue::GetMessageText(messages[0]),
            L"Cannot evaluate \"2 * missing\": the variable \"missing\" is not defined.");
}

TEST_F(ValueTest, VariablesCarryTheirUnitsUnderTheInnermostContext) {
  VariableValues outer;
  outer.SetVariable(L"w", Value(L"3mm", Units::kNoUnit));
  VariableValues inner;
  inner.SetVariable(L"w", Value(L"2", Units::kCentimeter));
  inner.SetVariable(L"h", L"w * 2");

  const Value w(L"w", Units::kNoUnit);
  {
    VariableValuesContext context(outer);
    EXPECT_EQ(w.GetValue(), 3.0);
    EXPECT_EQ(w.GetUnits(), Units::kMillimeter);
    {
      VariableValuesContext nested(inner);
      EXPECT_EQ(w.GetValue(), 2.0);
      EXPECT_EQ(w.GetUnits(), Units::kCentimeter);
      const Value h(L"h + 1mm", Units::kNoUnit);
      EXPECT_DOUBLE_EQ(h.GetValue(), 4.1);
      EXPECT_EQ(h.GetUnits(), Units::kCentimeter);
    }
    EXPECT_EQ(w.GetValue(), 3.0);
  }
  EXPECT_EQ(VariableValuesContext::GetCurrentValues(), nullptr);
  EXPECT_EQ(w.GetValue(), 0.0);
  EXPECT_EQ(Handler()->GetMessageCount(), 1);
}

TEST_F(ValueTest, ContextsDestroyedOutOfOrderLeaveNoDanglingContext) {
  VariableValues a;
  a.SetVariable(L"x", L"1");
  VariableValues b;
  b.SetVariable(L"x", L"2");
  auto first = std::make_unique<VariableValuesContext>(a);
  auto second = std::make_unique<VariableValuesContext>(b);
  first.reset();
  EXPECT_EQ(VariableValuesContext::GetCurrentValues(), &b);
  second.reset();
  EXPECT_EQ(VariableValuesContext::GetCurrentValues(), nullptr);
}

TEST_F(ValueTest, CyclesAreEvaluationErrors) {
  VariableValues cycle;
  cycle.SetVariable(L"a", L"b + 1");
  cycle.SetVariable(L"b", L"c * 2");
  cycle.SetVariable(L"c", L"a");
  cycle.SetVariable(L"self", L"self");
  const Evaluated got = Eval(L"a", Units::kNoUnit, &cycle);
  EXPECT_FALSE(got.mOk);
  EXPECT_NE(got.mError.find(L"depends on itself"), AString::npos);
  EXPECT_FALSE(Eval(L"self", Units::kNoUnit, &cycle).mOk);

  VariableValues chain;  // a long chain ends in an error, not a stack overflow
  for (int i = 0; i < 500; ++i) {
    chain.SetVariable(AString(L"v") + std::to_wstring(i), AString(L"v") + std::to_wstring(i + 1));
  }
  chain.SetVariable(L"v500", L"1");
  EXPECT_FALSE(Eval(L"v0", Units::kNoUnit, &chain).mOk);
  EXPECT_TRUE(Eval(L"v450", Units::kNoUnit, &chain).mOk);

  VariableValues badInside;
  badInside.SetVariable(L"w", L"3 +");
  EXPECT_NE(Eval(L"w", Units::kNoUnit, &badInside).mError.find(L"the variable \"w\""),
            AString::npos);
}

TEST_F(ValueTest, VariableNames) {
  VariableValues values;
  values.SetVariable(L"$len_2", L"4mm");
  values.SetVariable(L"_x", L"1");
  EXPECT_EQ(Eval(L"$len_2 + _x", Units::kNoUnit, &values).mNumber, 5.0);
  EXPECT_FALSE(Eval(L"LEN_2", Units::kNoUnit, &values).mOk);
  EXPECT_EQ(values.GetNames(), (std::vector<AString>{L"$len_2", L"_x"}));
  EXPECT_TRUE(values.RemoveVariable(L"_x"));
  EXPECT_FALSE(values.HasVariable(L"_x"));
}

TEST_F(ValueTest, AssignmentEqualityAndSyntaxCheck) {
  Value value(Units::kNoUnit);
  value = AString(L"w");
  EXPECT_EQ(value.GetValueText(), L"w");
  EXPECT_EQ(value.GetUnitType(), Units::kNoUnit);
  EXPECT_EQ(value, Value(L"w", Units::kNoUnit));
  EXPECT_NE(value, Value(L"w", Units::kMillimeter));
  EXPECT_NE(Value(L"3mm", Units::kNoUnit), Value(L"3 mm", Units::kNoUnit));
  EXPECT_EQ(Value(3.0, Units::kMillimeter), Value(L"3mm", Units::kMillimeter));
  Value copy(L"1", Units::kMeter);
  copy = value;
  EXPECT_EQ(copy, value);
  AString error;
  EXPECT_TRUE(Value(L"undefined * 2mm", Units::kNoUnit).IsSyntaxValid(error));
  EXPECT_FALSE(Value(L"2 +* 3", Units::kNoUnit).IsSyntaxValid(error));
  EXPECT_FALSE(error.empty());
}

TEST_F(ValueTest, DoubleTextsRoundTripExactly) {
  for (double number : {0.1, 1.0 / 3.0, 6.02214076e23, 5e-324, -1.7976931348623157e308}) {
    const Value value(number, Units::kNoUnit);
    EXPECT_EQ(value.GetValue(), number) << value.GetValueText().ToUtf8();
  }
}

TEST_F(ValueTest, ExchangeStoresTheTextAndKeepsTheUnitType) {
  io::CBlock block(L"Params");
  Value written(L"2*w + 1mm", Units::kMillimeter);
  EXPECT_EQ(io::DoDataExchange(block, false, L"a", written, 0).GetCode(), 0);
  AString stored;
  ASSERT_EQ(io::DoDataExchange(block, true, L"a", stored, 0).GetCode(), 0);
  EXPECT_EQ(stored, L"2*w + 1mm");

  Value read(Units::kNoUnit);
  EXPECT_EQ(io::DoDataExchange(block, true, L"a", read, 0).GetCode(), 0);
  EXPECT_EQ(read.GetValueText(), L"2*w + 1mm");
  EXPECT_EQ(read.GetUnitType(), Units::kNoUnit);

  Value untouched(L"7", Units::kNoUnit);
  EXPECT_EQ(io::DoDataExchange(block, true, L"missing", untouched, 0).GetCode(),
            io::ReadError::kMissing);
  EXPECT_EQ(untouched.GetValueText(), L"7");
  EXPECT_THROW(io::DoDataExchange(block, true, L"missing", untouched, 1), io::ReadError);
}

TEST_F(ValueTest, ExchangeRefusesTokensThatAreNotTexts) {
  io::CBlock block(L"Params");
  long whole = -12;
  bool flag = true;
  io::DoDataExchange(block, false, L"n", whole, 0);
  io::DoDataExchange(block, false, L"b", flag, 0);
  Value value(L"w", Units::kMillimeter);
  EXPECT_EQ(io::DoDataExchange(block, true, L"n", value, 0).GetCode(), io::ReadError::kWrongType);
  EXPECT_EQ(io::DoDataExchange(block, true, L"b", value, 0).GetCode(), io::ReadError::kWrongType);
  EXPECT_EQ(value, Value(L"w", Units::kMillimeter));
}

TEST(UnitsTest, TableLookups) {
  FullUnitType unit = Units::kNoUnit;
  EXPECT_TRUE(Units::FindUnit(L"mil", unit));
  EXPECT_EQ(unit, Units::kMil);
  EXPECT_DOUBLE_EQ(Units::GetUnitFactor(Units::kMil), 2.54e-5);
  EXPECT_FALSE(Units::FindUnit(L"furlong", unit));
  EXPECT_EQ(Units::GetUnitName(Units::kNoUnit), L"");
  EXPECT_EQ(Units::GetUnitKind(Units::kDegree), Units::kKindAngle);
  EXPECT_TRUE(Units::IsKnownUnit(90));
  EXPECT_FALSE(Units::IsKnownUnit(91));
  EXPECT_EQ(Units::GetBaseUnit(Units::kKindFrequency), Units::kHertz);
}

}  // namespace

namespace {

// Random texts over the expression alphabet never crash the parser or the
// evaluator, and a text either evaluates to a finite number or says why not.
TEST(ValueRobustnessTest, RandomTextsEvaluateOrFailCleanly) {
  const std::wstring alphabet = L"0123456789.eE+-*/() mMcHzgGdw_$ab\t\x4e2d";
  VariableValues values;
  values.SetVariable(L"w", L"3mm");
  values.SetVariable(L"a", L"b*2");
  values.SetVariable(L"b", L"(w - 1mm)");
  unsigned state = 12345;
  auto next = [&state]() {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7fff;
  };
  int succeeded = 0;
  for (int round = 0; round < 3000; ++round) {
    AString text;
    const unsigned length = next() % 24;
    for (unsigned i = 0; i < length; ++i) {
      text += alphabet[next() % alphabet.size()];
    }
    double number = 0.0;
    Units::FullUnitType unit = Units::kNoUnit;
    AString error;
    const bool ok = Value(text, Units::kNoUnit).Evaluate(number, unit, error, &values);
    if (ok) {
      ++succeeded;
      EXPECT_TRUE(std::isfinite(number)) << text.ToUtf8();
      EXPECT_TRUE(Units::IsKnownUnit(unit)) << text.ToUtf8();
    } else {
      EXPECT_FALSE(error.empty()) << text.ToUtf8();
    }
    AString syntaxError;
    if (ok) {
      EXPECT_TRUE(Value(text, Units::kNoUnit).IsSyntaxValid(syntaxError)) << text.ToUtf8();
    }
  }
  EXPECT_GT(succeeded, 0);
}

}  // namespace

namespace {

TEST(ValueNamesTest, NamesInAnyScriptAreVariables) {
  VariableValues values;
  values.SetVariable(L"\u5bbd\u5ea6", L"2mm");
  values.SetVariable(L"\u00e9paisseur_1", L"3");
  double number = 0.0;
  Units::FullUnitType unit = Units::kNoUnit;
  AString error;
  EXPECT_TRUE(Value(L"\u5bbd\u5ea6 * \u00e9paisseur_1", Units::kNoUnit)
                  .Evaluate(number, unit, error, &values))
      << error.ToUtf8();
  EXPECT_EQ(number, 6.0);
  EXPECT_EQ(unit, Units::kMillimeter);
}

}  // namespace
