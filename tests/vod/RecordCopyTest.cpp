#include "vod/RecordCopy.h"

#include <gtest/gtest.h>

#include "tests/vod/StoreBackend.h"
#include "tests/vod/VodTestSupport.h"
#include "vod/BaseShapes.h"
#include "vod/RavelinSchema.h"

namespace vod {
namespace {

class RecordCopyTest : public ::testing::TestWithParam<test::Backend> {
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

  test::ScratchStore mStore{GetParam()};
  dao::BaseLinkPtr mLink;
};

TEST_P(RecordCopyTest, WriteReadsKeyAtOnceAndTrimsAndUpperCases) {
  const StatementShapes shapes(mLink);
  std::int32_t key = 0;
  {
    RecordsetScope rs =
        shapes.OpenQuery("SELECT * FROM Room WHERE lngRoomID=0", dao::dbOpenDynaset);
    rs->AddNew();
    ASSERT_TRUE(CopySteps([&] {
      ReadKey(*rs, "lngRoomID", key);
      WriteText(*rs, "strRoomName", "  Room 1  ");
      WriteText(*rs, "strRoomHost", "host");
      WriteText(*rs, "strMac", " aa-bb ", TextCase::kUpper);
      WriteLong(*rs, "lngFinityTime", 90);
      WriteByte(*rs, "bytRoomStatus", 2);
    }));
    rs->Update();
  }
  EXPECT_GT(key, 0);
  RecordsetScope rs = shapes.OpenQuery("SELECT * FROM Room", dao::dbOpenSnapshot);
  std::string name, mac, code;
  std::int32_t finity = 0;
  std::uint8_t status = 0;
  ASSERT_TRUE(CopySteps([&] {
    ReadText(*rs, "strRoomName", name, NullRule::kRaise);
    ReadText(*rs, "strMac", mac, NullRule::kNeutral);
    ReadText(*rs, "strRoomCode", code, NullRule::kNeutral);
    ReadLong(*rs, "lngFinityTime", finity, NullRule::kNeutral);
    ReadByte(*rs, "bytRoomStatus", status, NullRule::kRaise);
  }));
  EXPECT_EQ(name, "Room 1");
  EXPECT_EQ(mac, "AA-BB");
  EXPECT_EQ(code, "");  // Null read as ""
  EXPECT_EQ(finity, 90);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(rs->GetField("lngRoomID").ToLong(), key);
}

TEST_P(RecordCopyTest, NullWithoutTestStopsTheCopyKeepingEarlierFields) {
  ASSERT_TRUE(mLink->ExecuteSQL("INSERT INTO Room (strRoomName) VALUES ('only name')"));
  const StatementShapes shapes(mLink);
  RecordsetScope rs = shapes.OpenQuery("SELECT * FROM Room", dao::dbOpenSnapshot);
  std::string name;
  std::string host = "before";
  std::int32_t finity = 5;
  EXPECT_FALSE(CopySteps([&] {
    ReadText(*rs, "strRoomName", name, NullRule::kRaise);
    ReadText(*rs, "strRoomHost", host, NullRule::kRaise);
    ReadLong(*rs, "lngFinityTime", finity, NullRule::kNeutral);
  }));
  EXPECT_EQ(name, "only name");
  EXPECT_EQ(host, "before");
  EXPECT_EQ(finity, 5);
}

TEST_P(RecordCopyTest, ReadingCanTrimAndUpperCase) {
  ASSERT_TRUE(mLink->ExecuteSQL(
      "INSERT INTO DefaultSong (strSongName, strFileName) VALUES ('x', ' song.mpg ')"));
  RecordsetScope rs =
      StatementShapes(mLink).OpenQuery("SELECT * FROM DefaultSong", dao::dbOpenSnapshot);
  std::string file;
  ReadText(*rs, "strFileName", file, NullRule::kNeutral, TextCase::kUpper, true);
  EXPECT_EQ(file, "SONG.MPG");
}

TEST(RecordCopyNothingTest, MissingRecordsetIsUnsetObjectReference) {
  EXPECT_FALSE(CopySteps([] { RequireRecordset(dao::RecordsetPtr()); }));
  try {
    RequireRecordset(dao::RecordsetPtr());
    FAIL();
  } catch (const automation::AutomationError& error) {
    EXPECT_EQ(error.GetNumber(), automation::kErrObjectNotSet);
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, RecordCopyTest, ::testing::ValuesIn(test::Backends()),
                         test::BackendName);

}  // namespace
}  // namespace vod
