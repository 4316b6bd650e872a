#include "datalink/source/DataLinkPartnerInfo.h"

#include <gtest/gtest.h>

#include "datalink/source/DataLink.h"
#include "datalink/source/DataLinkConfiguration.h"
#include "tests/datalink/source/DataLinkTestSupport.h"

namespace {

using datalinktest::BlockText;
using datalinktest::ItemNames;
using Names = std::vector<AString>;

// Arguments of a function item as texts.
Names ArgTexts(const io::CBlock_func& func) {
  Names texts;
  for (std::size_t i = 0; i < func.Size(); ++i) {
    texts.push_back(func.Item(i).FormatText());
  }
  return texts;
}

Names Solutions(const DataLinkPartnerInfo& info, const AString& design) {
  Names out;
  info.GetSolutions(design, out);
  return out;
}

DataLinkPartnerInfo MakeCatalogue() {
  DataLinkPartnerInfo info;
  info.AddDesign(L"D1");
  info.AddSolution(L"D1", L"S1");
  info.AddSolution(L"D1", L"S2");
  info.SetParameters(L"D1", {{L"w", Value(L"3mm", Units::kNoUnit)}});
  info.AddDesign(L"D2");
  return info;
}

TEST(DataLinkPartnerInfoTest, DuplicateDesignsAndRemovingTheFirstOnly) {
  DataLinkPartnerInfo info;
  info.AddDesign(L"D");
  info.AddDesign(L"D");
  info.AddSolution(L"D", L"S");
  info.SetParameters(L"D", {{L"a", Value(L"1", Units::kNoUnit)}});
  EXPECT_EQ(info.GetDesigns(), (Names{L"D", L"D"}));

  info.RemoveDesign(L"D");
  EXPECT_EQ(info.GetDesigns(), (Names{L"D"}));
  EXPECT_TRUE(info.HasDesign(L"D"));
  EXPECT_EQ(info.GetSolutions().count(L"D"), 0u);
  EXPECT_EQ(info.GetParameters().count(L"D"), 0u);
  EXPECT_FALSE(info.HasDesign(L"d"));
}

TEST(DataLinkPartnerInfoTest, RemovingAnUnlistedDesignLeavesItsTables) {
  DataLinkPartnerInfo info;
  info.AddSolution(L"Ghost", L"S");
  info.RemoveDesign(L"Ghost");
  EXPECT_EQ(Solutions(info, L"Ghost"), (Names{L"S"}));
}

TEST(DataLinkPartnerInfoTest, LookUpsOfAbsentDesigns) {
  DataLinkPartnerInfo info = MakeCatalogue();
  Names out{L"untouched"};
  EXPECT_EQ(info.GetSolutions(L"D2", out), -1);
  EXPECT_EQ(out, (Names{L"untouched"}));
  EXPECT_EQ(info.GetSolutions(L"D1", out), 2);
  EXPECT_EQ(out, (Names{L"S1", L"S2"}));

  info.GetParameters(L"D2", out);
  EXPECT_TRUE(out.empty());
  info.SetParameters(L"D2", {{L"z", Value()}, {L"b", Value()}, {L"a", Value()}});
  info.GetParameters(L"D2", out);
  EXPECT_EQ(out, (Names{L"a", L"b", L"z"}));

  // Writing gives every listed design its (empty) solution list.
  io::CBlock block(L"DataLinkConfig");
  info.DoDataExchange(block, false);
  EXPECT_EQ(info.GetSolutions(L"D2", out), 0);
  EXPECT_TRUE(out.empty());
}

TEST(DataLinkPartnerInfoTest, RemoveSolutionMatchesWildcards) {
  DataLinkPartnerInfo info;
  for (const wchar_t* soln : {L"A : x", L"B : x", L"A : y", L"A : x"}) {
    info.AddSolution(L"D", soln);
  }
  info.RemoveSolution(L"D", L"A : x");
  EXPECT_EQ(Solutions(info, L"D"), (Names{L"B : x", L"A : y"}));
  info.RemoveSolution(L"D", L"* : *");
  EXPECT_TRUE(Solutions(info, L"D").empty());
  info.RemoveSolution(L"Absent", L"*");
  EXPECT_EQ(info.GetSolutions().size(), 1u);
}

TEST(DataLinkPartnerInfoTest, WritesOneSubBlockPerListedDesign) {
  DataLinkPartnerInfo info = MakeCatalogue();
  info.AddSolution(L"Unlisted", L"S");  // tables of unlisted designs are not written
  io::CBlock block(info.GetItemName());
  EXPECT_EQ(info.DoDataExchange(block, false), 0);
  EXPECT_EQ(block.Name(), L"DataLinkConfig");
  ASSERT_EQ(ItemNames(block), (Names{L"D1", L"D2"}));

  const io::CBlock& d1 = *block.Item(0)->AsBlock();
  ASSERT_EQ(d1.Size(), 2u);
  const io::CBlock_func* s = d1.Item(0)->AsFunc();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Name(), L"s");
  EXPECT_EQ(ArgTexts(*s), (Names{L"S1", L"S2"}));
  const io::CBlock_func* p = d1.Item(1)->AsFunc();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Name(), L"p");
  EXPECT_EQ(ArgTexts(*p), (Names{L"w", L"3mm"}));

  const io::CBlock& d2 = *block.Item(1)->AsBlock();
  ASSERT_EQ(d2.Size(), 1u);
  EXPECT_EQ(d2.Item(0)->Name(), L"s");
  EXPECT_EQ(d2.Item(0)->AsFunc()->Size(), 0u);
}

TEST(DataLinkPartnerInfoTest, ParametersAreWrittenInKeyOrder) {
  DataLinkPartnerInfo info;
  info.AddDesign(L"D");
  std::map<AString, Value> params;
  params[L"b"] = Value(L"2", Units::kNoUnit);
  params[L"B"] = Value(L"3", Units::kNoUnit);
  params[L"a"] = Value(L"1", Units::kNoUnit);
  info.SetParameters(L"D", params);
  io::CBlock block(L"DataLinkConfig");
  info.DoDataExchange(block, false);
  const io::CBlock& d = *block.Item(0)->AsBlock();
  ASSERT_EQ(d.Size(), 4u);
  EXPECT_EQ(d.Item(1)->AsFunc()->Item(0).FormatText(), L"B");
  EXPECT_EQ(d.Item(2)->AsFunc()->Item(0).FormatText(), L"a");
  EXPECT_EQ(d.Item(3)->AsFunc()->Item(0).FormatText(), L"b");
}

TEST(DataLinkPartnerInfoTest, WriteReadWriteKeepsOrderAndValues) {
  DataLinkPartnerInfo info = MakeCatalogue();
  info.AddDesign(L"A0");
  info.AddSolution(L"A0", L"Z : last");
  info.AddSolution(L"A0", L"A : first");
  info.SetParameters(L"A0", {{L"f", Value(L"2.4", Units::kGigahertz)}});
  io::CBlock first(L"DataLinkConfig");
  ASSERT_TRUE(info.Write(first));

  io::CBlock parsed;
  ASSERT_EQ(io::ReadBlockText(BlockText(first), parsed), 0);
  DataLinkPartnerInfo read;
  read.AddDesign(L"Stale");
  EXPECT_EQ(read.Read(parsed), 0);
  EXPECT_EQ(read.GetDesigns(), (Names{L"D1", L"D2", L"A0"}));
  EXPECT_EQ(Solutions(read, L"A0"), (Names{L"Z : last", L"A : first"}));
  EXPECT_EQ(read.GetParameters().at(L"D1").at(L"w"), Value(L"3mm", Units::kNoUnit));
  // Values come back as texts re-parsed with no unit type of their own.
  EXPECT_EQ(read.GetParameters().at(L"A0").at(L"f"), Value(L"2.4", Units::kNoUnit));
  EXPECT_EQ(read.GetSolutions().count(L"Stale"), 0u);

  io::CBlock second(L"DataLinkConfig");
  ASSERT_TRUE(read.Write(second));
  EXPECT_EQ(BlockText(second), BlockText(first));
}

TEST(DataLinkPartnerInfoTest, ReadingKeepsTheLastSubBlockOfADesignAndSkipsStrayItems) {
  io::CBlock block(L"DataLinkConfig");
  block << io::CBlock_named_value(L"stray", io::CBlock_value(L"x"));
  io::CBlock first(L"D");
  first << (io::CBlock_func(L"s") << io::CBlock_value(L"S1"));
  first << (io::CBlock_func(L"p") << io::CBlock_value(L"a") << io::CBlock_value(L"1"));
  block << first;
  block << io::CBlock_vec(L"strayVector");
  io::CBlock second(L"D");
  second << io::CBlock_named_value(L"s", io::CBlock_value(L"not a function"));
  second << io::CBlock(L"nested");
  second << (io::CBlock_func(L"s") << io::CBlock_value(L"S2") << io::CBlock_value(L"S3"));
  second << (io::CBlock_func(L"p") << io::CBlock_value(L"b") << io::CBlock_value(L"1"));
  second << (io::CBlock_func(L"p") << io::CBlock_value(L"b") << io::CBlock_value(L"2"));
  block << second;

  DataLinkPartnerInfo info;
  EXPECT_EQ(info.Read(block), 0);
  EXPECT_EQ(info.GetDesigns(), (Names{L"D", L"D"}));
  EXPECT_EQ(Solutions(info, L"D"), (Names{L"S2", L"S3"}));
  const std::map<AString, Value>& params = info.GetParameters().at(L"D");
  ASSERT_EQ(params.size(), 1u);
  EXPECT_EQ(params.at(L"b").GetValueText(), L"2");
}

// A catalogue that keeps one more function item per design and changes what
// removing a design means.
class TaggedPartnerInfo : public DataLinkPartnerInfo {
 public:
  void RemoveDesign(const AString& design) override { mRemoved.push_back(design); }
  int SolnIndex(const AString& design, const AString& soln) const {
    return GetSolnIndex(design, soln);
  }

  std::map<AString, AString> mTags;
  Names mRemoved;

 private:
  void CustomRead(const AString& design, io::CBlock_ptr<io::CBlock_func> func) override {
    AString tag;
    if (func->Name() == L"tag" && func->Size() == 1 && func->Item(0).Query(tag)) {
      mTags[design] = tag;
    } else {
      mReadError = 1;
    }
  }
  void CustomWrite(const AString& design, io::CBlock& designBlock) const override {
    auto found = mTags.find(design);
    if (found != mTags.end()) {
      designBlock << (io::CBlock_func(L"tag") << io::CBlock_value(found->second));
    }
  }
};

TEST(DataLinkPartnerInfoTest, DerivedCataloguesCarryTheirOwnItems) {
  TaggedPartnerInfo info;
  info.AddDesign(L"D");
  info.AddSolution(L"D", L"S1");
  info.AddSolution(L"D", L"S2");
  info.mTags[L"D"] = L"horn";
  io::CBlock block(L"DataLinkConfig");
  info.DoDataExchange(block, false);
  EXPECT_EQ(ItemNames(*block.Item(0)->AsBlock()), (Names{L"s", L"tag"}));

  TaggedPartnerInfo read;
  EXPECT_EQ(read.DoDataExchange(block, true), 0);
  EXPECT_EQ(read.mTags.at(L"D"), L"horn");
  EXPECT_EQ(read.SolnIndex(L"D", L"S2"), 1);
  EXPECT_EQ(read.SolnIndex(L"D", L"S3"), -1);
  EXPECT_EQ(read.SolnIndex(L"E", L"S1"), -1);

  block.Item(0)->AsBlock()->operator<<(io::CBlock_func(L"unknown"));
  EXPECT_EQ(read.DoDataExchange(block, true), 1);
  EXPECT_EQ(read.DoDataExchange(block, false), 0);  // each exchange starts clean
}

TEST(DataLinkPartnerInfoTest, CopiesAreDeepAndCarryTheStreamState) {
  DataLinkPartnerInfo info = MakeCatalogue();
  info.mReadError = 3;
  info.mIsInScripting = true;
  DataLinkPartnerInfo copy(info);
  info.AddSolution(L"D1", L"S3");
  EXPECT_EQ(Solutions(copy, L"D1"), (Names{L"S1", L"S2"}));
  EXPECT_EQ(copy.mReadError, 3);
  EXPECT_TRUE(copy.IsInScripting());

  DataLinkPartnerInfo assigned;
  assigned = info;
  EXPECT_EQ(Solutions(assigned, L"D1"), (Names{L"S1", L"S2", L"S3"}));
  EXPECT_EQ(assigned.GetDesigns(), info.GetDesigns());
  assigned = assigned;
  EXPECT_EQ(assigned.GetParameters().size(), 1u);
}

class PartnerFilterTest : public ::testing::Test {
 protected:
  PartnerFilterTest() : mConfig(&mLink, false) {
    mConfig.SetCallerProjectPath(L"C:\\Work\\caller.prj");
    mConfig.SetCallerDesign(L"Caller");
    mInfo.AddDesign(L"Caller");
    mInfo.AddDesign(L"Other");
    for (const wchar_t* soln : {L"A : x", L"A : y", L"B : x"}) {
      mInfo.AddSolution(L"Caller", soln);
      mInfo.AddSolution(L"Other", soln);
    }
  }

  DataLink mLink;
  DataLinkConfiguration mConfig;
  DataLinkPartnerInfo mInfo;
  const LongFileName mOwnProject{L"c:/work/sub/../caller.prj"};
  const LongFileName mOtherProject{L"C:/Work/partner.prj"};
};

TEST_F(PartnerFilterTest, SetupFilterRemovesEverySolutionOfTheSetup) {
  DataLinkPartnerSolutionSetupFilter filter(L"A");
  filter.Filter(&mConfig, mOtherProject, &mInfo);
  EXPECT_EQ(Solutions(mInfo, L"Caller").size(), 3u);

  filter.Filter(&mConfig, mOwnProject, &mInfo);
  EXPECT_EQ(Solutions(mInfo, L"Caller"), (Names{L"B : x"}));
  EXPECT_EQ(Solutions(mInfo, L"Other").size(), 3u);
}

TEST_F(PartnerFilterTest, SolutionFilterRemovesTheMatchingSolution) {
  DataLinkPartnerSolutionFilter filter(L"A : x");
  filter.Filter(&mConfig, mOtherProject, &mInfo);
  EXPECT_EQ(Solutions(mInfo, L"Caller").size(), 3u);

  DataLinkPartnerSolutionFilter copy(filter);
  const DataLinkPartnerInfoFilter& asBase = copy;
  asBase.Filter(&mConfig, mOwnProject, &mInfo);
  EXPECT_EQ(Solutions(mInfo, L"Caller"), (Names{L"A : y", L"B : x"}));
  asBase.Filter(&mConfig, mOwnProject, &mInfo);  // filters can be applied again
  EXPECT_EQ(Solutions(mInfo, L"Caller").size(), 2u);
}

TEST_F(PartnerFilterTest, DesignFilterRemovesTheCallersDesignOnlyFromItsOwnProject) {
  DataLinkPartnerDesignFilter filter;
  filter.Filter(&mConfig, mOtherProject, &mInfo);
  EXPECT_TRUE(mInfo.HasDesign(L"Caller"));

  filter.Filter(&mConfig, mOwnProject, &mInfo);
  EXPECT_EQ(mInfo.GetDesigns(), (Names{L"Other"}));
  EXPECT_EQ(mInfo.GetSolutions().count(L"Caller"), 0u);

  // The link plays no part, and missing pointers do nothing.
  mLink.SetPartnerProject(L"C:/Work/partner.prj", 1);
  filter.Filter(nullptr, mOwnProject, &mInfo);
  filter.Filter(&mConfig, mOwnProject, nullptr);
  EXPECT_EQ(mInfo.GetDesigns(), (Names{L"Other"}));
}

TEST_F(PartnerFilterTest, FiltersCallTheCataloguesOwnOperations) {
  TaggedPartnerInfo info;
  info.AddDesign(L"Caller");
  DataLinkPartnerDesignFilter filter;
  filter.Filter(&mConfig, mOwnProject, &info);
  EXPECT_EQ(info.mRemoved, (Names{L"Caller"}));
  EXPECT_TRUE(info.HasDesign(L"Caller"));
}

}  // namespace
