#include "datalink/source/DataLink.h"

#include <gtest/gtest.h>

#include <memory>

#include "datalink/source/DataLinkStrings.h"
#include "platform/basalt/VelmorIDServer.h"
#include "platform/basalt/VelmorMessage.h"
#include "tests/datalink/source/DataLinkTestSupport.h"

namespace {

using datalinktest::FreshMessageQueue;

DataLink MakeFilledLink() {
  DataLink link;
  link.SetID(12);
  link.SetPartnerProject(L"C:/work/partner.prj", DataLink::kRelativeToSourceProduct);
  link.SetPartnerDesign(L"Antenna");
  link.SetPartnerSoln(L"Setup1 : Sweep");
  link.GetPartnerParamsForEdit()[L"w"] = Value(L"3mm", Units::kMillimeter);
  link.GetPartnerParamsForEdit()[L"n"] = Value(L"4", Units::kNoUnit);
  link.SetForceSourceToSolve(true);
  link.SetPreservePartnerSoln(true);
  return link;
}

void ExpectSameFields(const DataLink& actual, const DataLink& expected) {
  EXPECT_EQ(actual.GetID(), expected.GetID());
  EXPECT_EQ(actual.GetRelativePathType(), expected.GetRelativePathType());
  EXPECT_EQ(actual.GetPartnerProject(), expected.GetPartnerProject());
  EXPECT_EQ(actual.GetPartnerDesign(), expected.GetPartnerDesign());
  EXPECT_EQ(actual.GetPartnerSoln(), expected.GetPartnerSoln());
  EXPECT_EQ(actual.GetPartnerParams(), expected.GetPartnerParams());
  EXPECT_EQ(actual.GetForceSourceToSolve(), expected.GetForceSourceToSolve());
  EXPECT_EQ(actual.GetPreservePartnerSoln(), expected.GetPreservePartnerSoln());
}

TEST(DataLinkTest, DefaultLinkAndSetDefaultsKeepTheId) {
  DataLink link;
  EXPECT_EQ(link.GetID(), id::invalidID);
  EXPECT_EQ(link.GetRelativePathType(), 1);
  EXPECT_EQ(link.GetPartnerSoln(), L"Default*");
  EXPECT_TRUE(link.GetPartnerProject().empty());
  EXPECT_TRUE(link.GetPartnerDesign().empty());
  EXPECT_TRUE(link.GetPartnerParams().empty());
  EXPECT_FALSE(link.GetForceSourceToSolve());
  EXPECT_FALSE(link.GetPreservePartnerSoln());

  DataLink filled = MakeFilledLink();
  filled.SetID(7);
  filled.SetDefaults();
  EXPECT_EQ(filled.GetID(), 7);
  EXPECT_EQ(filled.GetRelativePathType(), 1);
  EXPECT_EQ(filled.GetPartnerSoln(), DataLinkStrings::kDefaultSoln);
  EXPECT_TRUE(filled.GetPartnerProject().empty());
  EXPECT_TRUE(filled.GetPartnerParams().empty());
  EXPECT_FALSE(filled.GetForceSourceToSolve());
  EXPECT_FALSE(filled.GetPreservePartnerSoln());
}

TEST(DataLinkTest, CopyAssignAndCloneTakeAllEightFields) {
  const DataLink original = MakeFilledLink();
  DataLink copy(original);
  ExpectSameFields(copy, original);

  DataLink assigned;
  assigned = original;
  ExpectSameFields(assigned, original);
  assigned = assigned;
  ExpectSameFields(assigned, original);

  std::unique_ptr<DataLink> clone(original.Clone());
  ASSERT_NE(clone.get(), &original);
  ExpectSameFields(*clone, original);

  // The copies are independent of the original.
  clone->GetPartnerParamsForEdit().clear();
  EXPECT_EQ(original.GetPartnerParams().size(), 2u);

  EXPECT_EQ(original.GetEditable(), &original);
}

TEST(DataLinkTest, SetPartnerParamsReplacesTheMapAndToleratesItsOwn) {
  DataLink link = MakeFilledLink();
  link.SetPartnerParams(link.GetPartnerParams());
  EXPECT_EQ(link.GetPartnerParams().size(), 2u);

  std::map<AString, Value> other{{L"h", Value(L"1", Units::kNoUnit)}};
  link.SetPartnerParams(other);
  EXPECT_EQ(link.GetPartnerParams(), other);
}

TEST(DataLinkTest, GetPartnerParamValueMatchesNamesExactly) {
  DataLink link = MakeFilledLink();
  Value out(L"untouched", Units::kNoUnit);
  EXPECT_FALSE(link.GetPartnerParamValue(L"W", out));
  EXPECT_EQ(out.GetValueText(), L"untouched");
  EXPECT_TRUE(link.GetPartnerParamValue(L"w", out));
  EXPECT_EQ(out, Value(L"3mm", Units::kMillimeter));
}

TEST(DataLinkTest, ReMapParamsMakesEachNamedParameterItsOwnName) {
  DataLink link;
  link.ReMapParams({L"w"});
  ASSERT_EQ(link.GetPartnerParams().size(), 1u);
  const Value& w = link.GetPartnerParams().at(L"w");
  EXPECT_EQ(w.GetValueText(), L"w");
  EXPECT_EQ(w.GetUnitType(), Units::kNoUnit);

  DataLink filled = MakeFilledLink();
  filled.ReMapParams({L"w", L"h"});
  EXPECT_EQ(filled.GetPartnerParams().at(L"w").GetValueText(), L"w");
  // An existing entry keeps its unit type; only its text changes.
  EXPECT_EQ(filled.GetPartnerParams().at(L"w").GetUnitType(), Units::kMillimeter);
  EXPECT_EQ(filled.GetPartnerParams().at(L"h").GetValueText(), L"h");
  EXPECT_EQ(filled.GetPartnerParams().at(L"n").GetValueText(), L"4");
}

TEST(DataLinkTest, ReMapParamsLeavesTheMessageQueueAsItFoundIt) {
  VelmorMessageHandler& queue = FreshMessageQueue();
  VelmorMessage earlier(kInfoMessage, 0, 1, 0, 6, L"", L"", false);
  GetGlobalIMessageManager().AddMessage(earlier);
  DataLink link;
  link.ReMapParams({L"a", L"b"});
  ASSERT_EQ(queue.GetMessageCount(), 1);
  EXPECT_EQ(queue.GetMessages()[0], earlier);
  queue.ClearMessages();
}

TEST(DataLinkTest, EqualityIgnoresIdPathBaseAndForceFlag) {
  DataLink a = MakeFilledLink();
  DataLink b = MakeFilledLink();
  b.SetID(99);
  b.SetPartnerProject(a.GetPartnerProject(), DataLink::kRelativeToTargetProject);
  b.SetForceSourceToSolve(false);
  EXPECT_TRUE(a == b);

  DataLink preserve = MakeFilledLink();
  preserve.SetPreservePartnerSoln(false);
  EXPECT_FALSE(a == preserve);

  DataLink design = MakeFilledLink();
  design.SetPartnerDesign(L"antenna");
  EXPECT_FALSE(a == design);

  DataLink soln = MakeFilledLink();
  soln.SetPartnerSoln(L"Other");
  EXPECT_FALSE(a == soln);
}

TEST(DataLinkTest, EqualityComparesParameterValuesBothWays) {
  DataLink a = MakeFilledLink();
  DataLink value = MakeFilledLink();
  value.GetPartnerParamsForEdit()[L"w"] = Value(L"4mm", Units::kMillimeter);
  EXPECT_FALSE(a == value);

  DataLink unit = MakeFilledLink();
  unit.GetPartnerParamsForEdit()[L"w"] = Value(L"3mm", Units::kNoUnit);
  EXPECT_FALSE(a == unit);

  DataLink renamed = MakeFilledLink();
  renamed.GetPartnerParamsForEdit().erase(L"w");
  renamed.GetPartnerParamsForEdit()[L"W"] = Value(L"3mm", Units::kMillimeter);
  EXPECT_FALSE(a == renamed);
  EXPECT_FALSE(renamed == a);

  DataLink fewer = MakeFilledLink();
  fewer.GetPartnerParamsForEdit().erase(L"n");
  EXPECT_FALSE(a == fewer);
  EXPECT_FALSE(fewer == a);
}

struct ExpectedMessage {
  MessageSeverity severity;
  int category;
  int id;
  int help;
};

void ExpectOneMessage(VelmorMessageHandler& queue, const ExpectedMessage& expected,
                      const AString* argument) {
  std::vector<VelmorMessage> messages = queue.GetMessages();
  ASSERT_EQ(messages.size(), 1u);
  const VelmorMessage& message = messages[0];
  EXPECT_EQ(message.GetSeverity(), expected.severity);
  EXPECT_EQ(message.GetCategory(), expected.category);
  EXPECT_EQ(message.GetMessageID(), expected.id);
  EXPECT_EQ(message.GetHelpID(), expected.help);
  EXPECT_EQ(message.GetModuleID(), 6);
  EXPECT_EQ(message.GetPrefixText(), MessageManagerStrings::kNullStr);
  EXPECT_EQ(message.GetSuffixText(), MessageManagerStrings::kNullStr);
  EXPECT_FALSE(message.GetNeedsAcknowledge());
  if (argument == nullptr) {
    EXPECT_EQ(message.GetArgCount(), 0);
  } else {
    ASSERT_EQ(message.GetArgCount(), 1);
    EXPECT_EQ(message.GetArg(0), *argument);
  }
}

TEST(DataLinkTest, IsValidPostsOneMessageForTheFirstProblem) {
  VelmorMessageHandler& queue = FreshMessageQueue();
  DataLink link;
  EXPECT_FALSE(link.IsValid());
  ExpectOneMessage(queue, {kErrorMessage, 0, 24694, 59}, nullptr);

  queue.ClearMessages();
  link.SetPartnerProject(L" \t ", 1);
  EXPECT_FALSE(link.IsValid());
  ExpectOneMessage(queue, {kErrorMessage, 0, 24694, 59}, nullptr);

  queue.ClearMessages();
  link.SetPartnerProject(L"C:/work/a*b.prj", 1);
  link.SetPartnerDesign(L"");  // the project is reported first
  EXPECT_FALSE(link.IsValid());
  const AString project = L"C:/work/a*b.prj";
  ExpectOneMessage(queue, {kFatalMessage, 2, 61600, 0}, &project);

  queue.ClearMessages();
  link.SetPartnerProject(L"C:/work/a?b/partner.prj", 1);  // only the file name counts
  EXPECT_FALSE(link.IsValid());
  ExpectOneMessage(queue, {kErrorMessage, 0, 24693, 60}, nullptr);

  queue.ClearMessages();
  link.SetPartnerProject(L"This Project*", 1);
  link.SetPartnerDesign(L"Antenna");
  link.SetPartnerSoln(L"  ");
  EXPECT_FALSE(link.IsValid());
  ExpectOneMessage(queue, {kErrorMessage, 0, 24701, 61}, nullptr);

  queue.ClearMessages();
  link.SetPartnerSoln(L"Default*");
  EXPECT_TRUE(link.IsValid());
  EXPECT_EQ(queue.GetMessageCount(), 0);
}

TEST(DataLinkTest, IsValidRefusesForbiddenCharactersAtEitherEndOfTheName) {
  VelmorMessageHandler& queue = FreshMessageQueue();
  DataLink link;
  link.SetPartnerDesign(L"D");
  for (const wchar_t* project :
       {L"C:/work/partner*.prj", L"C:/work/|partner.prj", L"partner<x>.prj", L"This Project"}) {
    link.SetPartnerProject(project, 1);
    const bool forbidden = AString(project) != L"This Project";
    EXPECT_EQ(link.IsValid(), !forbidden) << AString(project).ToUtf8();
    EXPECT_EQ(queue.GetMessageCount(), forbidden ? 1 : 0);
    queue.ClearMessages();
  }
  // The special name is not a file name and is not checked.
  link.SetPartnerProject(L"  This Project*  ", 1);
  EXPECT_TRUE(link.IsValid());
  EXPECT_EQ(queue.GetMessageCount(), 0);
}

}  // namespace
