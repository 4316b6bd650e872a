// Every internal inconsistency the setup classes report names its site by the file text and
// line a host's assertion log knows them by, whatever the source file is called.
#include <list>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "TestProduct.h"
#include "platform/basalt/VelmorAssert.h"
#include "setups/ListDeltaState.h"
#include "setups/SolveSetupCmdInfo.h"

namespace {

using setups_test::CDrivenSetup;
using setups_test::CTestGlobalData;
using setups_test::CTestSetupMgr;

using Site = std::tuple<std::string, int, std::string>;

std::vector<Site> SitesOf(const AssertReportRecorder& reports) {
  std::vector<Site> sites;
  for (const AssertReport& report : reports.GetReports()) {
    sites.emplace_back(report.mFile, report.mLine, report.mExpression);
  }
  return sites;
}

class PlainNode {
 public:
  virtual ~PlainNode() = default;
};

TEST(AssertionSitesTest, EverySiteReportsItsFileTextLineAndExpression) {
  AssertReportRecorder reports;

  // The solve setup: copying from something that is no setup.
  {
    CDrivenSetup target;
    CTestGlobalData notASetup;
    target.CopyFrom(&notASetup);
  }
  // The manager: a type added twice, a factory that gives nothing, null setups.
  {
    CTestSetupMgr manager;
    manager.AddSetupType(CDrivenSetup::kType, AString(L"Again"));
    EXPECT_EQ(manager.CreateSetup(99, AString(L"Named")), nullptr);
    EXPECT_EQ(manager.CreateSetup(99, true), nullptr);
    manager.AddSetup(nullptr, nullptr);
    manager.DeleteSetup(nullptr, nullptr);
  }
  // The change record: positions past the end and a node that is not at its place.
  {
    std::list<PlainNode*> list;
    PlainNode first;
    PlainNode second;
    list.push_back(&first);
    ListDeltaState<PlainNode*> delta(list, true, false);
    delta.InsertNodeAt(&second, 5);  // past the end: appended
    delta.RemoveNodeAt(&first, 9);   // past the end: nothing removed
    delta.RemoveNodeAt(&second, 0);  // the first node is there, not this one
    EXPECT_EQ(list, std::list<PlainNode*>{&first});
  }
  // The command info: a second sweeps info.
  {
    CSolveSetupCmdInfo info;
    info.SetCommandInfoForSweeps(new VelmorCommandInfo());
    info.SetCommandInfoForSweeps(new VelmorCommandInfo());
  }

  const std::vector<Site> expected = {
      {"SolveSetup", 50, "theSetup"},
      {"SolveSetupMgr", 50, "0"},
      {"SolveSetupMgr", 83, "theSetup"},
      {"SolveSetupMgr", 96, "theSetup"},
      {"SolveSetupMgr", 106, "theSetup"},
      {"SolveSetupMgr", 127, "theSetup"},
      {"ListDeltaState", 120, "nodePos <= m_srcList.size()"},
      {"ListDeltaState", 143, "nodePos < m_srcList.size()"},
      {"ListDeltaState", 152, "listIter != m_srcList.end()"},
      {"ListDeltaState", 153, "node == (*listIter)"},
      {"SolveSetupCmdInfo", 31, "mCmdInfoForSweeps == NULL"},
  };
  EXPECT_EQ(SitesOf(reports), expected);
}

}  // namespace
