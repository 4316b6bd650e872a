#include <gtest/gtest.h>

#include "datalink/source/DataLink.h"
#include "platform/basalt/VariableValues.h"
#include "platform/basalt/VelmorAssert.h"
#include "platform/basalt/VelmorIDServer.h"
#include "platform/basalt/io/DataExchange.h"
#include "tests/datalink/source/DataLinkTestSupport.h"

namespace {

using datalinktest::BlockText;
using datalinktest::ItemNames;

DataLink MakeFilledLink() {
  DataLink link;
  link.SetID(12);
  link.SetPartnerProject(L"../partner/partner.prj", DataLink::kRelativeToSourceProduct);
  link.SetPartnerDesign(L"Antenna");
  link.SetPartnerSoln(L"Setup1 : Sweep");
  // Parameters come back with no unit type of their own, so only those compare
  // equal after a round trip.
  link.GetPartnerParamsForEdit()[L"w"] = Value(L"3mm", Units::kNoUnit);
  link.GetPartnerParamsForEdit()[L"gap"] = Value(L"2*w", Units::kNoUnit);
  link.SetForceSourceToSolve(true);
  link.SetPreservePartnerSoln(true);
  return link;
}

AString TextOf(io::CBlock& block, const AString& key) {
  AString text;
  EXPECT_EQ(io::DoDataExchange(block, true, key, text, 0), 0) << key.ToUtf8();
  return text;
}

io::CBlockPtr ParamsOf(io::CBlock& block) {
  io::CBlockPtr params(L"Params");
  block >> params;
  return params;
}

TEST(DataLinkExchangeTest, WritesEightEntriesInOrderOrSevenWithoutTheId) {
  DataLink link = MakeFilledLink();
  io::CBlock withId(L"Link");
  EXPECT_EQ(link.DoDataExchange(withId, false, nullptr, false), 0);
  EXPECT_EQ(ItemNames(withId), (std::vector<AString>{L"LinkID", L"Project", L"Design", L"Soln",
                                                     L"Params", L"ForceSourceToSolve",
                                                     L"PreservePartnerSoln", L"PathRelativeTo"}));
  long id = 0;
  EXPECT_EQ(io::DoDataExchange(withId, true, L"LinkID", id, 0), 0);
  EXPECT_EQ(id, 12);
  EXPECT_EQ(TextOf(withId, L"PathRelativeTo"), L"SourceProduct");
  EXPECT_EQ(TextOf(withId, L"Soln"), L"Setup1 : Sweep");
  // Parameters in key order, as their stored texts.
  io::CBlockPtr params = ParamsOf(withId);
  ASSERT_TRUE(params);
  EXPECT_EQ(ItemNames(*params), (std::vector<AString>{L"gap", L"w"}));
  EXPECT_EQ(TextOf(*params, L"gap"), L"2*w");

  io::CBlock withoutId(L"Link");
  link.SetPartnerProject(link.GetPartnerProject(), DataLink::kRelativeToTargetProject);
  EXPECT_EQ(link.DoDataExchange(withoutId, false, nullptr, true), 0);
  std::vector<AString> names = ItemNames(withoutId);
  ASSERT_EQ(names.size(), 7u);
  EXPECT_EQ(names.front(), L"Project");
  EXPECT_EQ(TextOf(withoutId, L"PathRelativeTo"), L"TargetProject");
}

TEST(DataLinkExchangeTest, WriteReadWriteGivesTheSameText) {
  DataLink link = MakeFilledLink();
  io::CBlock first(L"Link");
  ASSERT_EQ(link.DoDataExchange(first, false, nullptr, false), 0);

  DataLink read;
  ASSERT_EQ(read.DoDataExchange(first, true, nullptr, false), 0);
  EXPECT_EQ(read.GetID(), 12);
  EXPECT_EQ(read.GetRelativePathType(), 0);
  EXPECT_TRUE(read.GetForceSourceToSolve());
  EXPECT_TRUE(read == link);
  EXPECT_EQ(read.GetPartnerParams().at(L"w").GetUnits(), Units::kMillimeter);

  io::CBlock second(L"Link");
  ASSERT_EQ(read.DoDataExchange(second, false, nullptr, false), 0);
  EXPECT_EQ(BlockText(second), BlockText(first));

  // The same through the text form.
  io::CBlock parsed;
  ASSERT_EQ(io::ReadBlockText(BlockText(first), parsed), 0);
  DataLink fromText;
  ASSERT_EQ(fromText.DoDataExchange(parsed, true, nullptr, false), 0);
  io::CBlock third(L"Link");
  fromText.DoDataExchange(third, false, nullptr, false);
  EXPECT_EQ(BlockText(third), BlockText(first));
}

TEST(DataLinkExchangeTest, ReadingAnEmptyBlockGivesDefaultsAndKeepsTheId) {
  DataLink link = MakeFilledLink();
  link.SetID(7);
  io::CBlock empty(L"Link");
  EXPECT_EQ(link.DoDataExchange(empty, true, nullptr, false), 1);
  EXPECT_EQ(link.GetID(), 7);
  EXPECT_TRUE(link == DataLink());
  EXPECT_EQ(link.GetRelativePathType(), 1);
  EXPECT_FALSE(link.GetForceSourceToSolve());
}

TEST(DataLinkExchangeTest, SkipIdReadsEverythingButTheId) {
  io::CBlock block(L"Link");
  MakeFilledLink().DoDataExchange(block, false, nullptr, false);
  DataLink link;
  link.SetID(3);
  EXPECT_EQ(link.DoDataExchange(block, true, nullptr, true), 0);
  EXPECT_EQ(link.GetID(), 3);
  EXPECT_TRUE(link == MakeFilledLink());
}

TEST(DataLinkExchangeTest, OneBadEntryGivesAWarningAndTheRestIsRead) {
  io::CBlock block(L"Link");
  MakeFilledLink().DoDataExchange(block, false, nullptr, false);
  io::CBlock damaged(L"Link");
  for (const io::CBlock_item_ptr& item : block) {
    if (item->Name() == L"Design") {
      damaged << io::CBlock_named_value(L"Design", io::CBlock_value(42L));  // not a text
    } else {
      damaged.Append(item->CloneItem());
    }
  }
  DataLink link;
  EXPECT_EQ(link.DoDataExchange(damaged, true, nullptr, false), 1);
  EXPECT_TRUE(link.GetPartnerDesign().empty());
  EXPECT_EQ(link.GetPartnerProject(), L"../partner/partner.prj");
  EXPECT_EQ(link.GetPartnerParams().size(), 2u);
  EXPECT_TRUE(link.GetPreservePartnerSoln());
}

TEST(DataLinkExchangeTest, PathRelativeToIsReadExactly) {
  AssertReportRecorder asserts;
  for (const auto& [text, type, reports] :
       {std::tuple<const wchar_t*, int, int>{L"SourceProduct", 0, 0},
        {L"TargetProject", 1, 0},
        {L"sourceproduct", 1, 1},
        {L"Elsewhere", 1, 2}}) {
    io::CBlock block(L"Link");
    AString value = text;
    io::DoDataExchange(block, false, L"PathRelativeTo", value, 0);
    DataLink link;
    link.SetPartnerProject(L"", DataLink::kRelativeToSourceProduct);
    link.DoDataExchange(block, true, nullptr, true);
    EXPECT_EQ(link.GetRelativePathType(), type) << value.ToUtf8();
    EXPECT_EQ(asserts.GetCount(), reports) << value.ToUtf8();
  }
  ASSERT_EQ(asserts.GetCount(), 2);
  EXPECT_EQ(asserts.GetReports()[0].mExpression, "0");
  EXPECT_EQ(asserts.GetReports()[0].mFile, "datalink/source/DataLink");
  EXPECT_EQ(asserts.GetReports()[0].mLine, 124);
}

TEST(DataLinkExchangeTest, DataConfigAloneMergesWhileTheFullReadReplaces) {
  io::CBlock block(L"Link");
  DataLink source;
  source.GetPartnerParamsForEdit()[L"a"] = Value(L"1", Units::kNoUnit);
  source.GetPartnerParamsForEdit()[L"b"] = Value(L"2", Units::kNoUnit);
  source.DoDataExchange(block, false, nullptr, false);

  DataLink merged;
  merged.GetPartnerParamsForEdit()[L"c"] = Value(L"3", Units::kNoUnit);
  merged.GetPartnerParamsForEdit()[L"a"] = Value(L"9", Units::kNoUnit);
  EXPECT_EQ(merged.DoDataExchangeDataConfig(block, true, nullptr), 0);
  ASSERT_EQ(merged.GetPartnerParams().size(), 3u);
  EXPECT_EQ(merged.GetPartnerParams().at(L"a").GetValueText(), L"1");
  EXPECT_EQ(merged.GetPartnerParams().at(L"c").GetValueText(), L"3");

  DataLink replaced;
  replaced.GetPartnerParamsForEdit()[L"c"] = Value(L"3", Units::kNoUnit);
  replaced.DoDataExchange(block, true, nullptr, false);
  EXPECT_EQ(replaced.GetPartnerParams().size(), 2u);
  EXPECT_EQ(replaced.GetPartnerParams().count(L"c"), 0u);
}

TEST(DataLinkExchangeTest, DataConfigAloneKeepsEarlierValuesForMissingEntries) {
  DataLink link = MakeFilledLink();
  io::CBlock noParams(L"Link");
  AString soln = L"Other";
  io::DoDataExchange(noParams, false, L"Soln", soln, 0);
  EXPECT_EQ(link.DoDataExchangeDataConfig(noParams, true, nullptr), 1);
  EXPECT_EQ(link.GetPartnerSoln(), L"Other");
  EXPECT_EQ(link.GetPartnerParams().size(), 2u);

  io::CBlock noSoln(L"Link");
  io::CBlockPtr params(L"Params");
  io::DoDataExchange(noSoln, false, L"Params", params, 0);
  EXPECT_EQ(link.DoDataExchangeDataConfig(noSoln, true, nullptr), 1);
  EXPECT_EQ(link.GetPartnerSoln(), L"Other");
}

TEST(DataLinkExchangeTest, ParamsItemsOfOtherKindsAreSkippedAndReadWithNoUnitType) {
  io::CBlock block(L"Link");
  io::CBlockPtr params(L"Params");
  io::DoDataExchange(block, false, L"Params", params, 0);
  *params << io::CBlock_named_value(L"len", io::CBlock_value(L"5mm"));
  *params << io::CBlock(L"nested");
  *params << io::CBlock_func(L"f");
  *params << io::CBlock_named_value(L"flag", io::CBlock_value(true));  // not a text: left out

  DataLink link;
  EXPECT_EQ(link.DoDataExchangeDataConfig(block, true, nullptr), 1);  // "Soln" is missing
  ASSERT_EQ(link.GetPartnerParams().size(), 1u);
  const Value& len = link.GetPartnerParams().at(L"len");
  EXPECT_EQ(len, Value(L"5mm", Units::kNoUnit));
  EXPECT_DOUBLE_EQ(len.GetValue(), 5.0);
  EXPECT_EQ(len.GetUnits(), Units::kMillimeter);
}

TEST(DataLinkExchangeTest, VariableSetTurnsExpressionsIntoNumbersWithUnits) {
  DataLink link;
  link.ReMapParams({L"w"});
  link.GetPartnerParamsForEdit()[L"h"] = Value(L"2*w", Units::kNoUnit);
  link.GetPartnerParamsForEdit()[L"f"] = Value(L"2.4", Units::kGigahertz);

  io::CBlock plain(L"Link");
  link.DoDataExchangeDataConfig(plain, false, nullptr);
  io::CBlockPtr plainParams = ParamsOf(plain);
  ASSERT_TRUE(plainParams);
  EXPECT_EQ(TextOf(*plainParams, L"w"), L"w");
  EXPECT_EQ(TextOf(*plainParams, L"h"), L"2*w");
  EXPECT_EQ(TextOf(*plainParams, L"f"), L"2.4");

  VariableValues variables;
  variables.SetVariable(L"w", Value(L"3mm", Units::kNoUnit));
  io::CBlock evaluated(L"Link");
  link.DoDataExchangeDataConfig(evaluated, false, &variables);
  io::CBlockPtr evaluatedParams = ParamsOf(evaluated);
  ASSERT_TRUE(evaluatedParams);
  EXPECT_EQ(ItemNames(*evaluatedParams), (std::vector<AString>{L"f", L"h", L"w"}));
  EXPECT_EQ(TextOf(*evaluatedParams, L"w"), L"3mm");
  EXPECT_EQ(TextOf(*evaluatedParams, L"h"), L"6mm");
  EXPECT_EQ(TextOf(*evaluatedParams, L"f"), L"2.4GHz");
  // The context is gone after the call: the stored expressions are unchanged.
  EXPECT_EQ(link.GetPartnerParams().at(L"w").GetValueText(), L"w");

  // The partner reads the numbers back with their units.
  DataLink partner;
  partner.DoDataExchangeDataConfig(evaluated, true, nullptr);
  EXPECT_DOUBLE_EQ(partner.GetPartnerParams().at(L"h").GetValue(), 6.0);
  EXPECT_EQ(partner.GetPartnerParams().at(L"h").GetUnits(), Units::kMillimeter);
}

TEST(DataLinkExchangeTest, AParameterTheSetCannotEvaluateMakesTheWriteAWarning) {
  VelmorMessageHandler& queue = datalinktest::FreshMessageQueue();
  DataLink link;
  link.ReMapParams({L"missing"});
  link.GetPartnerParamsForEdit()[L"n"] = Value(L"2", Units::kNoUnit);
  VariableValues variables;
  io::CBlock block(L"Link");
  EXPECT_EQ(link.DoDataExchangeDataConfig(block, false, &variables), 1);
  EXPECT_EQ(queue.GetMessageCount(), 1);  // the core says why
  io::CBlockPtr params = ParamsOf(block);
  ASSERT_TRUE(params);
  EXPECT_EQ(ItemNames(*params), (std::vector<AString>{L"missing", L"n"}));
  EXPECT_EQ(TextOf(*params, L"n"), L"2");
  queue.ClearMessages();
}

}  // namespace
