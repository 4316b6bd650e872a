#include "datalink/source/DataLinkConfiguration.h"

#include <gtest/gtest.h>

#include <memory>

#include "datalink/source/DataLink.h"
#include "platform/basalt/VariableValues.h"
#include "platform/basalt/io/DataExchange.h"
#include "tests/datalink/source/DataLinkTestSupport.h"

namespace {

using datalinktest::BlockText;
using datalinktest::ItemNames;

void FillLink(DataLink& link) {
  link.SetID(21);
  link.SetPartnerProject(L"C:/work/partner.prj", DataLink::kRelativeToSourceProduct);
  link.SetPartnerDesign(L"Horn");
  link.SetPartnerSoln(L"Setup2 : LastAdaptive");
  link.GetPartnerParamsForEdit()[L"len"] = Value(L"10mm", Units::kNoUnit);
  link.SetPreservePartnerSoln(true);
}

void FillCaller(DataLinkConfiguration& config) {
  config.SetCallerProjectPath(L"C:/work/caller.prj");
  config.SetCallerDesign(L"Array");
  config.SetCallerDesignType(L"Modal");
  config.SetCallerSoln(L"Setup1 : Sweep");
  config.SetMachineName(L"node7");
}

TEST(DataLinkConfigurationTest, NewConfigurationHoldsTheLinkAndTheFlag) {
  DataLink link;
  DataLinkConfiguration config(&link, true);
  EXPECT_EQ(config.GetLink(), &link);
  EXPECT_EQ(config.GetEditableLink(), &link);
  EXPECT_TRUE(config.GetIgnoreLockFile());
  EXPECT_FALSE(config.GetForceSolve());
  EXPECT_TRUE(config.GetCallerProjectPath().empty());
  EXPECT_TRUE(config.GetCallerDesign().empty());
  EXPECT_TRUE(config.GetCallerDesignType().empty());
  EXPECT_TRUE(config.GetCallerSoln().empty());
  EXPECT_TRUE(config.GetMachineName().empty());
  EXPECT_EQ(config.GetEditable(), &config);
}

TEST(DataLinkConfigurationTest, CopiesAndClonesShareTheLinkAndNeverDeleteIt) {
  auto link = std::make_unique<DataLink>();
  FillLink(*link);
  {
    DataLinkConfiguration config(link.get(), true);
    FillCaller(config);
    DataLinkConfiguration copy(config);
    EXPECT_EQ(copy.GetLink(), link.get());
    EXPECT_EQ(copy.GetMachineName(), L"node7");
    EXPECT_TRUE(copy.GetIgnoreLockFile());

    DataLink otherLink;
    DataLinkConfiguration assigned(&otherLink, false);
    assigned = config;
    EXPECT_EQ(assigned.GetLink(), link.get());
    EXPECT_TRUE(assigned.GetIgnoreLockFile());

    std::unique_ptr<DataLinkConfiguration> clone(config.Clone());
    EXPECT_EQ(clone->GetLink(), config.GetLink());
    EXPECT_EQ(clone->GetCallerDesign(), L"Array");
    EXPECT_EQ(clone->GetCallerDesignType(), L"Modal");
    EXPECT_EQ(clone->GetCallerSoln(), L"Setup1 : Sweep");
    EXPECT_TRUE(clone->GetIgnoreLockFile());
  }
  // All configurations are gone; the link is intact (the sanitizer would
  // catch a delete).
  EXPECT_EQ(link->GetPartnerDesign(), L"Horn");
  EXPECT_EQ(link->GetID(), 21);
}

TEST(DataLinkConfigurationTest, CopyFromKeepsEachConfigurationsOwnLink) {
  DataLink first;
  DataLink second;
  DataLinkConfiguration a(&first, false);
  FillCaller(a);
  DataLinkConfiguration b(&second, true);
  b.CopyFrom(&a);
  EXPECT_EQ(b.GetLink(), &second);
  EXPECT_EQ(b.GetCallerProjectPath(), L"C:/work/caller.prj");
  EXPECT_EQ(b.GetMachineName(), L"node7");
  EXPECT_FALSE(b.GetIgnoreLockFile());
  b.CopyFrom(&b);
  EXPECT_EQ(b.GetCallerDesign(), L"Array");
}

TEST(DataLinkConfigurationTest, WritesFourteenEntriesAndReadsThemAllBack) {
  DataLink link;
  FillLink(link);
  DataLinkConfiguration config(&link, true);
  FillCaller(config);
  io::CBlock block(L"DataLinkConfiguration");
  EXPECT_EQ(config.DoDataExchange(block, false, nullptr), 0);
  EXPECT_EQ(ItemNames(block),
            (std::vector<AString>{L"CallerProject", L"CallerDesign", L"CallerDesignType",
                                  L"CallerSoln", L"MachineName", L"IgnoreLockFile", L"LinkID",
                                  L"Project", L"Design", L"Soln", L"Params", L"ForceSourceToSolve",
                                  L"PreservePartnerSoln", L"PathRelativeTo"}));

  DataLink otherLink;
  otherLink.SetID(5);
  otherLink.SetPartnerDesign(L"Other");
  otherLink.SetForceSourceToSolve(true);
  DataLinkConfiguration read(&otherLink, false);
  read.SetMachineName(L"old");
  EXPECT_EQ(read.DoDataExchange(block, true, nullptr), 0);
  EXPECT_EQ(read.GetCallerProjectPath(), L"C:/work/caller.prj");
  EXPECT_EQ(read.GetCallerDesign(), L"Array");
  EXPECT_EQ(read.GetCallerDesignType(), L"Modal");
  EXPECT_EQ(read.GetCallerSoln(), L"Setup1 : Sweep");
  EXPECT_EQ(read.GetMachineName(), L"node7");
  EXPECT_TRUE(read.GetIgnoreLockFile());
  EXPECT_EQ(otherLink.GetID(), 21);
  EXPECT_EQ(otherLink.GetRelativePathType(), 0);
  EXPECT_FALSE(otherLink.GetForceSourceToSolve());
  EXPECT_TRUE(otherLink == link);

  io::CBlock again(L"DataLinkConfiguration");
  read.DoDataExchange(again, false, nullptr);
  EXPECT_EQ(BlockText(again), BlockText(block));
}

TEST(DataLinkConfigurationTest, MissingEntriesKeepEarlierValues) {
  DataLink link;
  FillLink(link);
  DataLinkConfiguration config(&link, true);
  FillCaller(config);
  io::CBlock block(L"DataLinkConfiguration");
  config.DoDataExchange(block, false, nullptr);
  io::CBlock lacking(L"DataLinkConfiguration");
  for (const io::CBlock_item_ptr& item : block) {
    if (item->Name() != L"MachineName") {
      lacking.Append(item->CloneItem());
    }
  }

  DataLink other;
  DataLinkConfiguration read(&other, false);
  read.SetMachineName(L"kept");
  EXPECT_EQ(read.DoDataExchange(lacking, true, nullptr), 1);
  EXPECT_EQ(read.GetMachineName(), L"kept");
  EXPECT_EQ(read.GetCallerDesign(), L"Array");
  EXPECT_TRUE(other == link);
}

TEST(DataLinkConfigurationTest, LinkEntriesAreReadEvenWhenOwnEntriesFail) {
  DataLink link;
  FillLink(link);
  io::CBlock block(L"Config");
  link.DoDataExchange(block, false, nullptr, false);

  DataLink other;
  DataLinkConfiguration read(&other, true);
  EXPECT_EQ(read.DoDataExchange(block, true, nullptr), 1);
  EXPECT_TRUE(read.GetIgnoreLockFile());
  EXPECT_EQ(other.GetID(), 21);
  EXPECT_TRUE(other == link);
}

TEST(DataLinkConfigurationTest, WithoutALinkOnlyItsOwnEntriesAreExchanged) {
  DataLinkConfiguration config(nullptr, true);
  FillCaller(config);
  io::CBlock block(L"Config");
  EXPECT_EQ(config.DoDataExchange(block, false, nullptr), 1);
  EXPECT_EQ(block.Size(), 6u);

  DataLinkConfiguration read(nullptr, false);
  EXPECT_EQ(read.DoDataExchange(block, true, nullptr), 1);
  EXPECT_EQ(read.GetMachineName(), L"node7");
  EXPECT_TRUE(read.GetIgnoreLockFile());
  std::unique_ptr<DataLinkConfiguration> clone(read.Clone());
  EXPECT_EQ(clone->GetLink(), nullptr);
}

TEST(DataLinkConfigurationTest, VariableValuesReachTheLink) {
  DataLink link;
  link.ReMapParams({L"w"});
  DataLinkConfiguration config(&link, false);
  VariableValues variables;
  variables.SetVariable(L"w", Value(L"2mm", Units::kNoUnit));
  io::CBlock block(L"Config");
  config.DoDataExchange(block, false, &variables);
  io::CBlockPtr params(L"Params");
  block >> params;
  ASSERT_TRUE(params);
  AString w;
  io::DoDataExchange(*params, true, L"w", w, 0);
  EXPECT_EQ(w, L"2mm");
}

// A richer link of a host: it carries the kind of data it takes and puts it
// with the solution and parameters.
class MeshDataLink : public DataLink {
 public:
  io::ReadError DoDataExchangeDataConfig(io::CBlock& block, bool reading,
                                         const VariableValues* values) override {
    int result = DataLink::DoDataExchangeDataConfig(block, reading, values);
    if (io::DoDataExchange(block, reading, L"DataKind", mDataKind, 0) != 0) {
      result = 1;
    }
    return result;
  }

  AString mDataKind = L"mesh";
};

TEST(DataLinkConfigurationTest, ADerivedLinkPutsItsEntriesBeforeTheSolveFlags) {
  MeshDataLink link;
  FillLink(link);
  link.mDataKind = L"farfield";
  DataLinkConfiguration config(&link, false);
  io::CBlock block(L"Config");
  EXPECT_EQ(config.DoDataExchange(block, false, nullptr), 0);
  EXPECT_EQ(
      ItemNames(block),
      (std::vector<AString>{L"CallerProject", L"CallerDesign", L"CallerDesignType", L"CallerSoln",
                            L"MachineName", L"IgnoreLockFile", L"LinkID", L"Project", L"Design",
                            L"Soln", L"Params", L"DataKind", L"ForceSourceToSolve",
                            L"PreservePartnerSoln", L"PathRelativeTo"}));

  MeshDataLink read;
  DataLinkConfiguration readConfig(&read, false);
  EXPECT_EQ(readConfig.DoDataExchange(block, true, nullptr), 0);
  EXPECT_EQ(read.mDataKind, L"farfield");
  EXPECT_TRUE(read == link);
}

}  // namespace
