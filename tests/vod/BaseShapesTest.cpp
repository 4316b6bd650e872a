#include "vod/BaseShapes.h"

#include <gtest/gtest.h>

#include "tests/vod/StoreBackend.h"
#include "tests/vod/VodTestSupport.h"
#include "vod/RavelinSchema.h"
#include "vod/RecordCopy.h"

namespace vod {
namespace {

using automation::AutomationError;

using test::ErrorOf;

class StatementShapesTest : public ::testing::TestWithParam<test::Backend> {
 protected:
  void SetUp() override {
    if (test::NoServerFor(GetParam())) {
      GTEST_SKIP() << "RAVELIN_TEST_PG names no test server";
    }
    const std::string path = mStore.Create();
    mLink = dao::CreateBaseLink();
    std::string password;
    bool readOnly = false;
    ASSERT_TRUE(mLink->OpenBase(path, password, readOnly));
  }

  void AddRooms(int count) {
    for (int i = 1; i <= count; ++i) {
      const std::string n = std::to_string(i);
      ASSERT_TRUE(mLink->ExecuteSQL(
          "INSERT INTO Room (strRoomName, strRoomHost, bytRoomStatus) VALUES ('R" + n + "', 'H" +
          n + "', 1)"));
    }
  }

  // Walks the rooms, copying the name and host (read without a Null test).
  std::vector<std::int32_t> WalkRates(std::vector<std::string>* names = nullptr) {
    std::vector<std::int32_t> rates;
    std::string name;
    std::string host;
    WalkHandlers handlers;
    handlers.mCopy = [&](const dao::RecordsetPtr& rs) {
      return CopySteps([&] {
        ReadText(RequireRecordset(rs), "strRoomName", name, NullRule::kRaise);
        ReadText(RequireRecordset(rs), "strRoomHost", host, NullRule::kRaise);
      });
    };
    handlers.mUse = [&](std::int32_t row, std::int32_t count) {
      rates.push_back(BrowseRate(row, count));
      if (names) {
        names->push_back(name);
      }
    };
    StatementShapes(mLink).Walk("SELECT * FROM Room\n", handlers);
    return rates;
  }

  test::ScratchStore mStore{GetParam()};
  dao::BaseLinkPtr mLink;
};

TEST_P(StatementShapesTest, WalkRatesRoundHalfToEven) {
  AddRooms(3);
  std::vector<std::string> names;
  EXPECT_EQ(WalkRates(&names), (std::vector<std::int32_t>{33, 67, 100}));
  EXPECT_EQ(names, (std::vector<std::string>{"R1", "R2", "R3"}));  // append order
  AddRooms(5);
  const auto rates = WalkRates();
  ASSERT_EQ(rates.size(), 8u);
  EXPECT_EQ(rates[0], 12);
  EXPECT_EQ(rates[1], 25);
  EXPECT_EQ(rates[2], 38);
  EXPECT_EQ(rates[7], 100);
}

TEST_P(StatementShapesTest, WalkOverNoRowsUsesNothing) {
  EXPECT_TRUE(WalkRates().empty());
}

TEST_P(StatementShapesTest, RowThatFailsToCopyIsCountedButNotUsed) {
  AddRooms(1);
  ASSERT_TRUE(mLink->ExecuteSQL("INSERT INTO Room (strRoomName) VALUES ('no host')"));
  AddRooms(1);
  std::vector<std::string> names;
  EXPECT_EQ(WalkRates(&names), (std::vector<std::int32_t>{33, 100}));
  EXPECT_EQ(names, (std::vector<std::string>{"R1", "R1"}));
}

TEST_P(StatementShapesTest, WalkStopsOnFurtherConditionAndCanSkipCount) {
  AddRooms(4);
  std::vector<std::int32_t> seen;
  WalkHandlers handlers;
  handlers.mReadRecordCount = false;
  handlers.mCopy = [](const dao::RecordsetPtr&) { return true; };
  handlers.mUse = [&](std::int32_t row, std::int32_t count) {
    seen.push_back(row);
    EXPECT_EQ(count, 0);
  };
  handlers.mStopBefore = [](std::int32_t row) { return row >= 3; };
  StatementShapes(mLink).Walk("SELECT * FROM Room", handlers);
  EXPECT_EQ(seen, (std::vector<std::int32_t>{1, 2}));
}

TEST_P(StatementShapesTest, FailingUseDoesNotEndTheWalk) {
  AddRooms(3);
  int uses = 0;
  WalkHandlers handlers;
  handlers.mCopy = [](const dao::RecordsetPtr&) { return true; };
  handlers.mUse = [&](std::int32_t, std::int32_t) {
    ++uses;
    throw AutomationError(5, "sink trouble");
  };
  EXPECT_NO_THROW(StatementShapes(mLink).Walk("SELECT * FROM Room", handlers));
  EXPECT_EQ(uses, 3);
}

TEST_P(StatementShapesTest, WalkOnBadStatementRaisesBeforeTheWalk) {
  WalkHandlers handlers;
  handlers.mCopy = [](const dao::RecordsetPtr&) { return true; };
  EXPECT_THROW(StatementShapes(mLink).Walk("SELECT * FROM NoSuchTable", handlers), AutomationError);
}

TEST_P(StatementShapesTest, MissingLinkOrDatabaseIsUnsetObjectReference) {
  const StatementShapes noLink{dao::BaseLinkPtr()};
  EXPECT_EQ(ErrorOf([&] { noLink.ExecuteLink("DELETE FROM Room"); }), automation::kErrObjectNotSet);
  EXPECT_EQ(ErrorOf([&] { noLink.OpenQuery("SELECT * FROM Room", dao::dbOpenSnapshot); }),
            automation::kErrObjectNotSet);
  EXPECT_EQ(ErrorOf([&] { noLink.Walk("SELECT * FROM Room", {}); }), automation::kErrObjectNotSet);
  mLink->CloseBase();
  EXPECT_EQ(ErrorOf([&] { StatementShapes(mLink).ExecuteDirect("DELETE FROM Room"); }),
            automation::kErrObjectNotSet);
  EXPECT_FALSE(StatementShapes(mLink).ExecuteLink("DELETE FROM Room"));
}

TEST_P(StatementShapesTest, DirectAndLinkStatementsReportFailureTheirOwnWay) {
  const StatementShapes shapes(mLink);
  EXPECT_THROW(shapes.ExecuteDirect("DELETE FROM NoSuchTable"), AutomationError);
  EXPECT_FALSE(shapes.ExecuteLink("DELETE FROM NoSuchTable"));
  EXPECT_TRUE(shapes.ExecuteLink("DELETE FROM Room"));
  EXPECT_NO_THROW(shapes.ExecuteDirect("DELETE FROM Room"));
}

TEST_P(StatementShapesTest, ScopeClosesRecordsetAndDropsUnstoredRow) {
  const StatementShapes shapes(mLink);
  std::int32_t key = 0;
  {
    RecordsetScope rs =
        shapes.OpenQuery("SELECT * FROM Room WHERE lngRoomID=0", dao::dbOpenDynaset);
    rs->AddNew();
    ReadKey(*rs, "lngRoomID", key);
    WriteText(*rs, "strRoomName", "never stored");
  }
  EXPECT_GT(key, 0);
  RecordsetScope check =
      shapes.OpenQuery("SELECT COUNT(*) AS lngCount FROM Room", dao::dbOpenSnapshot);
  EXPECT_EQ(check->GetField("lngCount").ToLong(), 0);
}

TEST(FailureClassesTest, TrappedGivesNeutralAndIgnoreReportsFailure) {
  EXPECT_EQ(Trapped(std::int32_t{0}, []() -> std::int32_t { throw AutomationError(91, "x"); }), 0);
  EXPECT_EQ(Trapped(std::int32_t{0}, [] { return std::int32_t{7}; }), 7);
  EXPECT_EQ(Trapped(std::string(), []() -> std::string { throw std::runtime_error("x"); }), "");
  EXPECT_FALSE(IgnoreErrors([] { throw AutomationError(13, "x"); }));
  EXPECT_TRUE(IgnoreErrors([] {}));
}

TEST(BrowseRateTest, RoundsHalvesToEvenAndRefusesEmptyCount) {
  EXPECT_EQ(BrowseRate(1, 3), 33);
  EXPECT_EQ(BrowseRate(2, 3), 67);
  EXPECT_EQ(BrowseRate(3, 3), 100);
  EXPECT_EQ(BrowseRate(1, 8), 12);
  EXPECT_EQ(BrowseRate(3, 8), 38);
  EXPECT_EQ(BrowseRate(5, 8), 62);
  EXPECT_EQ(ErrorOf([] { BrowseRate(1, 0); }), 11);
}

INSTANTIATE_TEST_SUITE_P(Backends, StatementShapesTest, ::testing::ValuesIn(test::Backends()),
                         test::BackendName);

}  // namespace
}  // namespace vod
