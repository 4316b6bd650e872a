#include "platform/dao/Recordset.h"

#include <gtest/gtest.h>

#include "tests/platform/dao/DaoTestSupport.h"
#include "tests/vod/StoreBackend.h"

namespace dao {
namespace {

using automation::Variant;
using automation::VariantType;
using test::ErrorOf;

// The store's tables in a file or a server database, by the test's parameter.
class RecordsetTest : public ::testing::TestWithParam<vod::test::Backend> {
 protected:
  void SetUp() override {
    if (vod::test::NoServerFor(GetParam())) {
      GTEST_SKIP() << "RAVELIN_TEST_PG names no test server";
    }
    mLocation = mStore.Create();
    mDb = Database::Open(mLocation);
  }

  std::int32_t AddRoom(const std::string& name, const std::string& host) {
    RecordsetPtr set = mDb->OpenRecordset("SELECT * FROM Room WHERE lngRoomID=0", dbOpenDynaset);
    set->AddNew();
    set->SetField("strRoomName", Variant(name));
    set->SetField("strRoomHost", Variant(host));
    const std::int32_t key = set->GetField("lngRoomID").ToLong();
    set->Update();
    set->Close();
    return key;
  }

  vod::test::ScratchStore mStore{GetParam()};
  std::string mLocation;
  DatabasePtr mDb;
};

TEST_P(RecordsetTest, AddNewAssignsTheKeyBeforeUpdateAndNeverReusesIt) {
  RecordsetPtr set = mDb->OpenRecordset("SELECT * FROM Room WHERE strRoomName='x'");
  ASSERT_TRUE(set->IsBOF());
  ASSERT_TRUE(set->IsEOF());
  set->AddNew();
  EXPECT_EQ(set->GetEditMode(), dbEditAdd);
  const Variant key = set->GetField("LNGROOMID");  // names match without regard to case
  ASSERT_EQ(key.GetType(), VariantType::Long);
  EXPECT_EQ(key.ToLong(), 1);
  EXPECT_TRUE(set->GetField("strRoomName").IsNull());
  EXPECT_EQ(set->GetField("lngFinityTime").ToLong(), 0);  // the column's default
  set->SetField("strRoomName", Variant("A"));
  set->SetField("bytRoomStatus", Variant(std::int32_t{3}));
  set->Update();
  EXPECT_EQ(set->GetRecordCount(), 1);
  set->Close();

  RecordsetPtr check = mDb->OpenRecordset("SELECT * FROM Room", dbOpenSnapshot);
  ASSERT_FALSE(check->IsEOF());
  EXPECT_EQ(check->GetField("lngRoomID").ToLong(), 1);
  EXPECT_EQ(check->GetField("strRoomName").ToString(), "A");
  const Variant status = check->GetField("bytRoomStatus");
  EXPECT_EQ(status.GetType(), VariantType::Byte);
  EXPECT_EQ(status.ToByte(), 3);
  EXPECT_TRUE(check->GetField("strRoomCode").IsNull());

  // A deleted last row does not give its key away again.
  mDb->Execute("DELETE FROM Room");
  EXPECT_EQ(AddRoom("B", "h"), 2);
}

TEST_P(RecordsetTest, CloseAndReleaseDropARowBegunAndNotStored) {
  {
    RecordsetPtr set = mDb->OpenRecordset("SELECT * FROM Room");
    set->AddNew();
    set->SetField("strRoomName", Variant("lost"));
    set->Close();
    EXPECT_EQ(ErrorOf([&] { set->IsEOF(); }), kDaoErrObjectClosed);
  }
  {
    RecordsetPtr set = mDb->OpenRecordset("SELECT * FROM Room");
    set->AddNew();
    set->SetField("strRoomName", Variant("lost too"));
  }  // released without Close
  {
    RecordsetPtr set = mDb->OpenRecordset("SELECT * FROM Room");
    set->AddNew();
    set->CancelUpdate();
    EXPECT_EQ(ErrorOf([&] { set->Update(); }), kDaoErrUpdateWithoutEdit);
  }
  RecordsetPtr count = mDb->OpenRecordset("SELECT COUNT(*) AS n FROM Room", dbOpenSnapshot);
  EXPECT_EQ(count->GetField("n").ToLong(), 0);
}

TEST_P(RecordsetTest, MovingAndCountingWalkTheRowsInAppendOrder) {
  for (const char* name : {"c", "a", "b"}) {
    AddRoom(name, name);
  }
  RecordsetPtr set = mDb->OpenRecordset("SELECT strRoomName FROM Room", dbOpenSnapshot);
  set->MoveLast();
  set->MoveFirst();
  EXPECT_EQ(set->GetRecordCount(), 3);
  std::string names;
  while (!set->IsEOF()) {
    names += set->GetField("strRoomName").ToString();
    set->MoveNext();
  }
  EXPECT_EQ(names, "cab");
  EXPECT_FALSE(set->IsBOF());
  EXPECT_EQ(ErrorOf([&] { set->MoveNext(); }), kDaoErrNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { set->GetField("strRoomName"); }), kDaoErrNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { set->GetField("nope"); }), kDaoErrItemNotFound);
  set->MoveFirst();
  set->MovePrevious();
  EXPECT_TRUE(set->IsBOF());

  RecordsetPtr empty = mDb->OpenRecordset("SELECT * FROM Room WHERE 1=0", dbOpenSnapshot);
  EXPECT_EQ(empty->GetRecordCount(), 0);
  EXPECT_EQ(ErrorOf([&] { empty->MoveLast(); }), kDaoErrNoCurrentRecord);
}

TEST_P(RecordsetTest, EditChangesOnlyTheCurrentRow) {
  const std::int32_t first = AddRoom("one", "h1");
  const std::int32_t second = AddRoom("two", "h2");
  RecordsetPtr set =
      mDb->OpenRecordset("SELECT * FROM Room WHERE lngRoomID=" + std::to_string(second));
  set->Edit();
  EXPECT_EQ(set->GetField("lngRoomID").ToLong(), second);
  set->SetField("strRoomName", Variant("TWO"));
  set->SetField("lngFinityTime", Variant("42"));  // converted to the column's type
  EXPECT_EQ(ErrorOf([&] { set->SetField("lngRoomID", Variant(std::int32_t{9})); }),
            kDaoErrFieldNotUpdatable);
  EXPECT_EQ(ErrorOf([&] { set->SetField("bytRoomStatus", Variant(std::int32_t{300})); }),
            automation::kErrOverflow);
  set->Update();
  EXPECT_EQ(set->GetField("strRoomName").ToString(), "TWO");
  set->Close();

  RecordsetPtr check = mDb->OpenRecordset("SELECT * FROM Room", dbOpenSnapshot);
  EXPECT_EQ(check->GetField("lngRoomID").ToLong(), first);
  EXPECT_EQ(check->GetField("strRoomName").ToString(), "one");
  check->MoveNext();
  EXPECT_EQ(check->GetField("strRoomName").ToString(), "TWO");
  EXPECT_EQ(check->GetField("lngFinityTime").ToLong(), 42);

  // Nothing to edit at EOF; no editing of a row someone else deleted.
  RecordsetPtr none = mDb->OpenRecordset("SELECT * FROM Room WHERE lngRoomID=0");
  EXPECT_EQ(ErrorOf([&] { none->Edit(); }), kDaoErrNoCurrentRecord);
  RecordsetPtr gone = mDb->OpenRecordset("SELECT * FROM Room");
  mDb->Execute("DELETE FROM Room WHERE lngRoomID=" + std::to_string(first));
  gone->Edit();
  gone->SetField("strRoomName", Variant("ghost"));
  EXPECT_EQ(ErrorOf([&] { gone->Update(); }), kDaoErrRecordDeleted);
}

TEST_P(RecordsetTest, SnapshotsAndComplexQueriesAreReadOnly) {
  AddRoom("one", "h1");
  for (auto [sql, type] : std::vector<std::pair<std::string, std::int32_t>>{
           {"SELECT * FROM Room", dbOpenSnapshot},
           {"SELECT DISTINCT strRoomName FROM Room", dbOpenDynaset},
           {"SELECT COUNT(*) AS n FROM Room", dbOpenDynaset}}) {
    RecordsetPtr set = mDb->OpenRecordset(sql, type);
    EXPECT_FALSE(set->IsUpdatable()) << sql;
    EXPECT_EQ(ErrorOf([&] { set->AddNew(); }), kDaoErrReadOnly) << sql;
    EXPECT_EQ(ErrorOf([&] { set->Edit(); }), kDaoErrReadOnly) << sql;
  }
  // A computed column of an updatable set cannot be written.
  RecordsetPtr set = mDb->OpenRecordset("SELECT UCASE(strRoomName) AS u, strRoomHost FROM Room");
  ASSERT_TRUE(set->IsUpdatable());
  set->Edit();
  EXPECT_EQ(ErrorOf([&] { set->SetField("u", Variant("x")); }), kDaoErrFieldNotUpdatable);
  EXPECT_EQ(set->GetField("u").ToString(), "ONE");
  EXPECT_EQ(ErrorOf([&] { set->SetField("strRoomName", Variant("x")); }), kDaoErrItemNotFound);
  EXPECT_EQ(ErrorOf([&] { mDb->OpenRecordset("SELECT * FROM Room", 7); }), kDaoErrInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { mDb->OpenRecordset("DELETE FROM Room"); }), kDaoErrInvalidOperation);
}

TEST_P(RecordsetTest, TableTypeOpensTheWholeTable) {
  AddRoom("one", "h1");
  RecordsetPtr set = mDb->OpenRecordset("Room", dbOpenTable);
  EXPECT_TRUE(set->IsUpdatable());
  EXPECT_EQ(set->GetRecordCount(), 1);
  EXPECT_EQ(set->GetFieldCount(), 10);
  EXPECT_EQ(set->GetFieldName(0), "lngRoomID");
}

TEST_P(RecordsetTest, ARecordsetKeepsItsConnectionWhenTheDatabaseObjectGoes) {
  AddRoom("one", "h1");
  RecordsetPtr set = mDb->OpenRecordset("SELECT * FROM Room");
  mDb.Reset();
  set->Edit();
  set->SetField("strRoomName", Variant("uno"));
  set->Update();
  set->Close();
  EXPECT_EQ(Database::Open(mLocation)
                ->OpenRecordset("SELECT * FROM Room", dbOpenSnapshot)
                ->GetField("strRoomName")
                .ToString(),
            "uno");
}

TEST_P(RecordsetTest, AClosedDatabaseFailsItsRecordsetsCleanly) {
  AddRoom("one", "h1");
  RecordsetPtr set = mDb->OpenRecordset("SELECT * FROM Room");
  mDb->Close();
  EXPECT_EQ(set->GetField("strRoomName").ToString(), "one");  // rows already read stay
  set->Edit();
  set->SetField("strRoomName", Variant("x"));
  EXPECT_EQ(ErrorOf([&] { set->Update(); }), kDaoErrObjectClosed);
}

INSTANTIATE_TEST_SUITE_P(Backends, RecordsetTest, ::testing::ValuesIn(vod::test::Backends()),
                         vod::test::BackendName);

}  // namespace
}  // namespace dao
