// The room family of Base against a real store: a file in a scratch folder, or a server database.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/automation/AutomationError.h"
#include "platform/automation/Collection.h"
#include "tests/vod/StoreBackend.h"
#include "tests/vod/VodTestSupport.h"
#include "vod/Base.h"
#include "vod/BaseMembers.h"
#include "vod/RavelinSchema.h"

namespace vod {
namespace {

using automation::CollectionPtr;
using automation::MakeObject;
using automation::Variant;
using Names = std::vector<std::string>;

RoomInfoStruct MakeRoom(const std::string& name, const std::string& host,
                        std::uint8_t status = rsNormalUse, const std::string& code = "") {
  RoomInfoStruct room;
  room.strRoomName = name;
  room.strRoomHost = host;
  room.strRoomCode = code;
  room.bytRoomStatus = status;
  return room;
}

Names RoomNames(const CollectionPtr& rooms) {
  Names names;
  for (std::int32_t i = 1; i <= rooms->Count(); ++i) {
    names.push_back(rooms->Item(Variant(i)).GetRecord<RoomInfoStruct>().strRoomName);
  }
  return names;
}

Names Texts(const CollectionPtr& items) {
  Names texts;
  for (std::int32_t i = 1; i <= items->Count(); ++i) {
    texts.push_back(items->Item(Variant(i)).ToString());
  }
  return texts;
}

// Keeps what OnRoomBrowseInfo delivers, and tampers with the arguments to show that the raising
// member ignores a sink's changes.
class RoomSink final : public BaseEvents {
 public:
  void OnRoomBrowseInfo(RoomInfoStruct& sttRoom, std::int32_t& lngRate) override {
    mRooms.push_back(sttRoom.strRoomName);
    mRates.push_back(lngRate);
    sttRoom.strRoomName = "changed by the sink";
    lngRate = -1;
  }
  Names mRooms;
  std::vector<std::int32_t> mRates;
};

class BaseRoomTest : public ::testing::TestWithParam<test::Backend> {
 protected:
  void SetUp() override {
    if (test::NoServerFor(GetParam())) {
      GTEST_SKIP() << "RAVELIN_TEST_PG names no test server";
    }
    mPath = mStore.Create("vod.db");
    mBase = MakeObject<Base>();
    ASSERT_TRUE(mBase->GetBase()) << "the connection component is not registered";
    ASSERT_TRUE(mBase->InitInterface(mPath));
  }

  std::int32_t Add(const std::string& name, const std::string& host,
                   std::uint8_t status = rsNormalUse, const std::string& code = "") {
    RoomInfoStruct room = MakeRoom(name, host, status, code);
    return mBase->Room_AddNewInfo(room);
  }

  // A row the store's own members would not write (Nulls), put in through the link.
  void InsertRaw(const std::string& values) {
    ASSERT_TRUE(mBase->GetBase()->ExecuteSQL(
        "INSERT INTO Room (strRoomName, strRoomHost, strRoomCode, bytRoomStatus) VALUES (" +
        values + ")"));
  }

  Names All() { return RoomNames(mBase->Room_GetAll()); }

  Names Search(RoomSearchModes mode, const Variant& data) {
    return RoomNames(mBase->Room_GetAll(mode, data));
  }

  test::ScratchStore mStore{GetParam()};
  std::string mPath;
  BasePtr mBase;
};

TEST_P(BaseRoomTest, AddStoresTrimmedUpperCasedRecordAndGetInfoReadsItBack) {
  RoomInfoStruct room = MakeRoom("  Room 1 ", " host1 ", rsFinityUse, " C01 ");
  room.strUseTime = " 2h ";
  room.lngFinityTime = 90;
  room.strRoomIP = " 10.0.0.1 ";
  room.strMac = " aa-bb-cc ";
  room.strFloor = " 3f ";
  const std::int32_t key = mBase->Room_AddNewInfo(room);
  ASSERT_GT(key, 0);
  EXPECT_EQ(room.lngRoomID, key);  // the caller's record holds the new key

  RoomInfoStruct read;
  read.strRoomName = "stale";
  ASSERT_TRUE(mBase->Room_GetInfo(key, read));
  EXPECT_EQ(read.lngRoomID, key);
  EXPECT_EQ(read.strRoomName, "Room 1");
  EXPECT_EQ(read.strRoomHost, "host1");
  EXPECT_EQ(read.strRoomCode, "C01");
  EXPECT_EQ(read.strUseTime, "2h");
  EXPECT_EQ(read.lngFinityTime, 90);
  EXPECT_EQ(read.bytRoomStatus, rsFinityUse);
  EXPECT_EQ(read.strRoomIP, "10.0.0.1");
  EXPECT_EQ(read.strMac, "AA-BB-CC");
  EXPECT_EQ(read.strFloor, "3F");

  // A missing key gives False and a cleared record.
  EXPECT_FALSE(mBase->Room_GetInfo(key + 100, read));
  EXPECT_EQ(read.lngRoomID, 0);
  EXPECT_EQ(read.strRoomName, "");
  EXPECT_EQ(read.bytRoomStatus, 0);
  EXPECT_EQ(read.strMac, "");
}

TEST_P(BaseRoomTest, NullsReadAsEmptyExceptWhereTheyAreErrors) {
  InsertRaw("'R1', 'H1', NULL, 2");
  InsertRaw("NULL, 'H2', 'C2', 1");
  RoomInfoStruct read;
  ASSERT_TRUE(mBase->Room_GetInfo(1, read));
  EXPECT_EQ(read.strRoomCode, "");
  EXPECT_EQ(read.strUseTime, "");
  EXPECT_EQ(read.lngFinityTime, 0);
  // A Null name is an error: False, with the key already copied.
  EXPECT_FALSE(mBase->Room_GetInfo(2, read));
  EXPECT_EQ(read.lngRoomID, 2);
  EXPECT_EQ(read.strRoomCode, "");

  EXPECT_FALSE(mBase->Room_Base2Struct(nullptr, read));
  EXPECT_FALSE(mBase->Room_Struct2Base(nullptr, read));
}

TEST_P(BaseRoomTest, AddRefusesTakenNameOrMachineNameComparingUntrimmedValues) {
  ASSERT_GT(Add("Room1", "Host1"), 0);
  RoomInfoStruct sameName = MakeRoom("Room1", "Host9");
  EXPECT_EQ(mBase->Room_AddNewInfo(sameName), 0);
  EXPECT_EQ(Add("ROOM1", "Host8"), 0);  // the engine ignores case
  EXPECT_EQ(Add("Room7", "Host1"), 0);
  EXPECT_EQ(All(), Names{"Room1"});

  // " Room1" is not "Room1" for the look-up, yet it is stored trimmed: a second Room1.
  EXPECT_GT(Add(" Room1", "Host2"), 0);
  EXPECT_EQ(All(), (Names{"Room1", "Room1"}));
}

TEST_P(BaseRoomTest, UpdateRefusesAnotherRoomsNameAndAcceptsItsOwn) {
  const std::int32_t a = Add("A", "HA");
  const std::int32_t b = Add("B", "HB");
  RoomInfoStruct record = MakeRoom("B", "HA-new");
  EXPECT_FALSE(mBase->Room_UpdateInfo(a, record));
  record = MakeRoom("A-new", "hb");
  EXPECT_FALSE(mBase->Room_UpdateInfo(a, record));
  // A's own name with B's machine name: A is found first, B after it, and B decides.
  record = MakeRoom("A", "HB");
  EXPECT_FALSE(mBase->Room_UpdateInfo(a, record));

  record = MakeRoom("A", "HA", rsStopUse);
  record.strFloor = "b1";
  record.lngRoomID = 0;
  EXPECT_TRUE(mBase->Room_UpdateInfo(a, record));
  EXPECT_EQ(record.lngRoomID, a);
  record = MakeRoom(" A2 ", "HA2");
  EXPECT_TRUE(mBase->Room_UpdateInfo(a, record));

  RoomInfoStruct read;
  ASSERT_TRUE(mBase->Room_GetInfo(a, read));
  EXPECT_EQ(read.strRoomName, "A2");
  EXPECT_EQ(read.strRoomHost, "HA2");
  ASSERT_TRUE(mBase->Room_GetInfo(b, read));
  EXPECT_EQ(read.strRoomName, "B");

  // A key that names no room.
  record = MakeRoom("Z", "HZ");
  EXPECT_FALSE(mBase->Room_UpdateInfo(b + 10, record));
  EXPECT_EQ(All(), (Names{"A2", "B"}));
}

TEST_P(BaseRoomTest, DeleteClearAndLookUpWithoutRegardToCase) {
  const std::int32_t first = Add("ROOM1", "H1");
  const std::int32_t second = Add("Room2", "H2");
  EXPECT_EQ(mBase->Room_HaveInfo("room1"), first);
  EXPECT_EQ(mBase->Room_HaveInfo("ROOM2"), second);
  EXPECT_EQ(mBase->Room_HaveInfo("room3"), 0);
  const std::int32_t cafe = Add("Café Été", "H3");
  EXPECT_EQ(mBase->Room_HaveInfo("Café Été"), cafe);
  EXPECT_EQ(mBase->Room_HaveInfo("CAFÉ ÉTÉ"), cafe);

  EXPECT_TRUE(mBase->Room_DeleteInfo(first));
  EXPECT_EQ(All(), (Names{"Room2", "Café Été"}));
  EXPECT_TRUE(mBase->Room_ClearAllInfo());
  EXPECT_EQ(All(), Names{});
}

TEST_P(BaseRoomTest, NamesOfEveryScriptCompareWithoutRegardToCase) {
  const std::int32_t lodz = Add("Łódź", "H1");
  ASSERT_GT(lodz, 0);
  EXPECT_EQ(Add("łódź", "H2"), 0);
  EXPECT_EQ(Add("Other", "h1"), 0);
  EXPECT_EQ(mBase->Room_HaveInfo("ŁÓDŹ"), lodz);
  EXPECT_EQ(mBase->Room_HaveInfo("łódź"), lodz);
  EXPECT_EQ(Search(rsmName, Variant("łó")), Names{"Łódź"});
  ASSERT_TRUE(mBase->Room_CreateBackup("Święto"));
  EXPECT_GT(mBase->Room_HaveBackup("ŚWIĘTO"), 0);
  EXPECT_EQ(All(), Names{"Łódź"});
}

TEST_P(BaseRoomTest, TextsWithQuotesAreStoredAndFoundAsData) {
  const std::int32_t key = Add("O'Hara's", "pc'1");
  ASSERT_GT(key, 0);
  EXPECT_GT(Add("x' OR '1'='1", "pc2"), 0);
  EXPECT_EQ(Add("x' OR '1'='1", "pc3"), 0);  // the name is taken, not a condition that holds
  EXPECT_EQ(mBase->Room_HaveInfo("o'hara's"), key);
  EXPECT_EQ(mBase->Room_HaveInfo("' OR ''='"), 0);
  EXPECT_EQ(Search(rsmName, Variant("O'H")), Names{"O'Hara's"});
  EXPECT_EQ(Search(rsmHost, Variant("pc'")), Names{"O'Hara's"});
  EXPECT_EQ(Search(rsmName, Variant("x' OR '1'='1")), Names{"x' OR '1'='1"});

  RoomInfoStruct record = MakeRoom("O'Hara's", "pc'1");
  record.strFloor = "2'f";
  EXPECT_TRUE(mBase->Room_UpdateInfo(key, record));

  ASSERT_TRUE(mBase->Room_CreateBackup("Tom's"));
  EXPECT_GT(mBase->Room_HaveBackup("TOM'S"), 0);
  EXPECT_EQ(Texts(mBase->Room_ReferBackup()), Names{"Tom's"});
  ASSERT_TRUE(mBase->Room_Restore("Tom's"));
  EXPECT_EQ(All(), (Names{"O'Hara's", "x' OR '1'='1"}));
  EXPECT_TRUE(mBase->Room_DelBackup("Tom's"));
  EXPECT_EQ(mBase->Room_HaveBackup("Tom's"), 0);
}

TEST_P(BaseRoomTest, SearchModesFilterByStartsOfTextNullCodeAndStatus) {
  Add("Apple", "pc-a1", rsNormalUse, "C10");
  Add("berry", "PC-B1", rsStopUse, "c20");
  Add("avocado", "pc-a2", rsNormalUse, "");  // stored "", which is a code
  InsertRaw("'Cherry', 'pc-c1', NULL, 2");   // no code at all
  const Names all{"Apple", "berry", "avocado", "Cherry"};

  EXPECT_EQ(Search(rsmAll, Variant::Missing()), all);
  EXPECT_EQ(All(), all);  // engine order: as appended
  EXPECT_EQ(Search(rsmName, Variant("")), all);
  EXPECT_EQ(Search(rsmName, Variant("A")), (Names{"Apple", "avocado"}));
  EXPECT_EQ(Search(rsmCode, Variant("")), Names{"Cherry"});
  EXPECT_EQ(Search(rsmCode, Variant("C")), (Names{"Apple", "berry"}));
  EXPECT_EQ(Search(rsmCode, Variant("c2")), Names{"berry"});
  EXPECT_EQ(Search(rsmHost, Variant("pc-A")), (Names{"Apple", "avocado"}));
  EXPECT_EQ(Search(rsmHost, Variant("")), all);
  EXPECT_EQ(Search(rsmStatus, Variant(std::int32_t{1})), (Names{"Apple", "avocado"}));
  EXPECT_EQ(Search(rsmStatus, Variant("4")), Names{"berry"});
  EXPECT_EQ(Search(rsmStatus, Variant(std::uint8_t{2})), Names{"Cherry"});
  EXPECT_EQ(Search(static_cast<RoomSearchModes>(7), Variant("ignored")), all);
}

TEST_P(BaseRoomTest, SearchThatCannotBeBuiltGivesEmptyCollectionAndNoEvents) {
  Add("Apple", "pc-a1");
  Add("berry", "pc-b1");
  auto sink = MakeObject<RoomSink>();
  mBase->Advise(sink);
  const std::vector<std::pair<RoomSearchModes, Variant>> broken = {
      {rsmName, Variant::Missing()},
      {rsmCode, Variant::Missing()},
      {rsmHost, Variant::Null()},
      {rsmStatus, Variant::Missing()},
      {rsmStatus, Variant::Null()},
      {rsmStatus, Variant()},
      {rsmStatus, Variant("")},
      {rsmStatus, Variant("1 OR 1=1")},
      {rsmStatus, Variant("0) OR (1=1")},
      {rsmStatus, Variant(MakeObject<automation::Collection>())},
  };
  for (const auto& [mode, data] : broken) {
    SCOPED_TRACE(static_cast<int>(mode));
    const CollectionPtr rooms = mBase->Room_GetAll(mode, data);
    ASSERT_TRUE(rooms);
    EXPECT_EQ(rooms->Count(), 0);
    mBase->Room_BrowseInfo(mode, data);
  }
  EXPECT_TRUE(sink->mRates.empty());
}

TEST_P(BaseRoomTest, SearchDataFromASourceIsReadInsideTheTrapAndOnlyWhenTheModeUsesIt) {
  Add("Room 1", "host1");
  Add("Room 2", "host2");
  int reads = 0;
  const VariantSource failing = [&]() -> Variant {
    ++reads;
    automation::RaiseRuntimeError(automation::kErrTypeMismatch);
  };
  EXPECT_EQ(mBase->Room_GetAllFrom(rsmName, failing)->Count(), 0);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(mBase->Room_GetAllFrom(rsmAll, failing)->Count(), 2);
  EXPECT_EQ(mBase->Room_GetAllFrom(static_cast<RoomSearchModes>(7), failing)->Count(), 2);
  EXPECT_EQ(reads, 1);
  auto sink = MakeObject<RoomSink>();
  mBase->Advise(sink);
  mBase->Room_BrowseInfoFrom(rsmHost, failing);
  EXPECT_TRUE(sink->mRates.empty());
  EXPECT_EQ(reads, 2);
  mBase->Room_BrowseInfoFrom(rsmHost, [] { return Variant("host2"); });
  EXPECT_EQ(sink->mRates.size(), 1u);
}

TEST_P(BaseRoomTest, BrowseRaisesOneEventPerRoomWithItsRate) {
  auto sink = MakeObject<RoomSink>();
  mBase->Advise(sink);
  mBase->Room_BrowseInfo();
  EXPECT_TRUE(sink->mRates.empty());  // no rooms, no events

  Add("R1", "H1");
  Add("R2", "H2");
  Add("R3", "H3");
  mBase->Room_BrowseInfo(rsmAll, Variant::Missing());
  EXPECT_EQ(sink->mRates, (std::vector<std::int32_t>{33, 67, 100}));
  EXPECT_EQ(sink->mRooms, (Names{"R1", "R2", "R3"}));

  // A row that cannot be copied is counted, neither listed nor reported.
  sink->mRates.clear();
  sink->mRooms.clear();
  ASSERT_TRUE(
      mBase->GetBase()->ExecuteSQL("UPDATE Room SET strRoomHost=NULL WHERE strRoomName='R2'"));
  mBase->Room_BrowseInfo(rsmName, Variant("r"));
  EXPECT_EQ(sink->mRates, (std::vector<std::int32_t>{33, 100}));
  EXPECT_EQ(sink->mRooms, (Names{"R1", "R3"}));
  EXPECT_EQ(All(), (Names{"R1", "R3"}));
}

TEST_P(BaseRoomTest, CaptionsAndTheirOrder) {
  const CollectionPtr statuses = mBase->Room_ReferStatus();
  EXPECT_EQ(Texts(statuses), (Names{"未    用", "正常使用", "有限使用", "买    断", "停止使用",
                                    "维    护", "预    订", "清    洁", "其    他"}));
  const CollectionPtr modes = mBase->Room_ReferSearchMode();
  EXPECT_EQ(Texts(modes), (Names{"全部房间", "房间名称", "房间编码", "机器名称", "房间状态"}));
  EXPECT_NE(mBase->Room_ReferSearchMode(), modes);  // a new collection each time

  EXPECT_EQ(mBase->Room_ReferOrder(modes, Variant("房间状态")), rsmStatus + 1);
  EXPECT_EQ(mBase->Room_ReferOrder(statuses, Variant("买    断")), rsPuchaser + 1);
  EXPECT_EQ(mBase->Room_ReferOrder(nullptr, Variant("房间状态")), 0);
  EXPECT_EQ(mBase->Room_ReferOrder(modes, Variant(std::int32_t{1})), 0);  // a number is no text

  // Passed on: an item that cannot be compared reaches the caller.
  try {
    mBase->Room_ReferOrder(modes, Variant::Missing());
    FAIL() << "compared an omitted argument";
  } catch (const automation::AutomationError& error) {
    EXPECT_EQ(error.GetNumber(), automation::kErrTypeMismatch);
  }
}

TEST_P(BaseRoomTest, BackupsRestoreEveryRoomOfTheNameWithNewKeys) {
  RoomInfoStruct room = MakeRoom("R1", "H1", rsFinityUse, "C1");
  room.strUseTime = "2h";
  room.lngFinityTime = 30;
  room.strMac = "aa";
  const std::int32_t firstKey = mBase->Room_AddNewInfo(room);
  Add("R2", "H2");

  EXPECT_EQ(mBase->Room_HaveBackup("night"), 0);
  ASSERT_TRUE(mBase->Room_CreateBackup("night"));
  ASSERT_TRUE(mBase->Room_CreateBackup("night"));  // a second set of rows under one name
  ASSERT_TRUE(mBase->Room_CreateBackup("Day"));
  ASSERT_TRUE(mBase->Room_CreateBackup("evening  "));
  EXPECT_GT(mBase->Room_HaveBackup("NIGHT"), 0);
  // Sorted by the stored names, without regard to case, each once and trimmed.
  EXPECT_EQ(Texts(mBase->Room_ReferBackup()), (Names{"Day", "evening", "night"}));

  ASSERT_TRUE(mBase->Room_Restore("night"));
  EXPECT_EQ(All(), (Names{"R1", "R2", "R1", "R2"}));
  EXPECT_EQ(mBase->Room_HaveInfo("R1") > firstKey + 1, true);
  RoomInfoStruct restored;
  ASSERT_TRUE(mBase->Room_GetInfo(mBase->Room_HaveInfo("R1"), restored));
  EXPECT_EQ(restored.strRoomCode, "C1");
  EXPECT_EQ(restored.bytRoomStatus, rsFinityUse);
  EXPECT_EQ(restored.strMac, "AA");
  EXPECT_EQ(restored.strUseTime, "");  // not backed up
  EXPECT_EQ(restored.lngFinityTime, 0);

  ASSERT_TRUE(mBase->Room_DelBackup("night"));
  EXPECT_EQ(mBase->Room_HaveBackup("night"), 0);
  EXPECT_EQ(Texts(mBase->Room_ReferBackup()), (Names{"Day", "evening"}));

  // A name without backup rows restores nothing and keeps the room list.
  EXPECT_FALSE(mBase->Room_Restore("no such backup"));
  EXPECT_EQ(All(), (Names{"R1", "R2", "R1", "R2"}));
  EXPECT_TRUE(mBase->Room_Restore("day"));  // the engine ignores case
  EXPECT_EQ(All(), (Names{"R1", "R2"}));
}

TEST_P(BaseRoomTest, RestoringAListedNameOfAPaddedBackupKeepsTheRooms) {
  Add("R1", "H1");
  Add("R2", "H2");
  ASSERT_TRUE(mBase->Room_CreateBackup("evening  "));
  // The list shows the name trimmed; the backup's rows carry the spaces.
  const Names listed = Texts(mBase->Room_ReferBackup());
  ASSERT_EQ(listed, Names{"evening"});
  Add("R3", "H3");
  EXPECT_FALSE(mBase->Room_Restore(listed[0]));
  EXPECT_EQ(All(), (Names{"R1", "R2", "R3"}));
  EXPECT_EQ(mBase->GetBase()->BaseDatabase()->GetTransactionDepth(), 0);
  // The exact name still restores.
  EXPECT_TRUE(mBase->Room_Restore("evening  "));
  EXPECT_EQ(All(), (Names{"R1", "R2"}));
}

TEST_P(BaseRoomTest, ARoomWithATwinKeepsItsOwnNameAndHostOnUpdate) {
  Add("A", "HA");
  Add("B", "HB");
  ASSERT_TRUE(mBase->Room_CreateBackup("twice"));
  ASSERT_TRUE(mBase->Room_CreateBackup("twice"));
  ASSERT_TRUE(mBase->Room_Restore("twice"));
  ASSERT_EQ(All(), (Names{"A", "B", "A", "B"}));
  const std::int32_t a = mBase->Room_HaveInfo("A");
  ASSERT_GT(a, 0);

  // Its own name and host, in another letter case too, with a new status: allowed.
  RoomInfoStruct record = MakeRoom("A", "HA", rsStopUse);
  EXPECT_TRUE(mBase->Room_UpdateInfo(a, record));
  record = MakeRoom("a", "ha", rsService);
  EXPECT_TRUE(mBase->Room_UpdateInfo(a, record));
  RoomInfoStruct read;
  ASSERT_TRUE(mBase->Room_GetInfo(a, read));
  EXPECT_EQ(read.bytRoomStatus, rsService);
  EXPECT_EQ(read.strRoomName, "a");

  // Its own name with the other room's host, or the other's name: refused.
  record = MakeRoom("a", "HB");
  EXPECT_FALSE(mBase->Room_UpdateInfo(a, record));
  record = MakeRoom("B", "ha");
  EXPECT_FALSE(mBase->Room_UpdateInfo(a, record));
  // A new name nobody holds, keeping the twin's host that it holds too: allowed.
  record = MakeRoom("A2", "ha");
  EXPECT_TRUE(mBase->Room_UpdateInfo(a, record));
  // Now A2 takes the twin's name, which it no longer holds: refused.
  record = MakeRoom("A", "ha");
  EXPECT_FALSE(mBase->Room_UpdateInfo(a, record));
  EXPECT_EQ(All(), (Names{"A2", "B", "A", "B"}));
}

TEST_P(BaseRoomTest, ReferOrderOfNullIsZeroWithoutAnError) {
  const CollectionPtr modes = mBase->Room_ReferSearchMode();
  EXPECT_EQ(mBase->Room_ReferOrder(modes, Variant::Null()), 0);
  // A Null item is passed over, not compared.
  const CollectionPtr items = MakeObject<automation::Collection>();
  items->Add(Variant::Null());
  items->Add(Variant("x"));
  EXPECT_EQ(mBase->Room_ReferOrder(items, Variant("x")), 2);
  EXPECT_EQ(mBase->Room_ReferOrder(items, Variant::Null()), 0);
}

TEST_P(BaseRoomTest, RestoreThatFailsKeepsTheRoomList) {
  Add("R1", "H1");
  Add("R2", "H2");
  ASSERT_TRUE(mBase->Room_CreateBackup("b"));
  // The copy from the backup table fails once that table is gone; the delete before it must not
  // stay done.
  test::DropStoreTable(GetParam(), mPath, mBase->GetBase()->BaseDatabase(), "RoomBackup");
  EXPECT_FALSE(mBase->Room_Restore("b"));
  EXPECT_EQ(All(), (Names{"R1", "R2"}));
  EXPECT_EQ(mBase->GetBase()->BaseDatabase()->GetTransactionDepth(), 0);
  // The store goes on working.
  EXPECT_GT(Add("R3", "H3"), 0);
  EXPECT_EQ(All(), (Names{"R1", "R2", "R3"}));
}

TEST(BaseRoomWithoutDatabaseTest, TrappedMembersGiveNeutralResults) {
  test::ScopedLinkClass noLinkClass{nullptr};
  for (bool withLink : {false, true}) {
    SCOPED_TRACE(withLink);
    auto base = MakeObject<Base>();
    if (withLink) {
      base->SetBase(dao::CreateBaseLink());  // a link without an open database
    }
    RoomInfoStruct room = MakeRoom("R1", "H1");
    EXPECT_EQ(base->Room_AddNewInfo(room), 0);
    EXPECT_FALSE(base->Room_UpdateInfo(1, room));
    EXPECT_FALSE(base->Room_DeleteInfo(1));
    EXPECT_FALSE(base->Room_ClearAllInfo());
    EXPECT_FALSE(base->Room_GetInfo(1, room));
    EXPECT_EQ(room.strRoomName, "");
    EXPECT_EQ(base->Room_HaveInfo("R1"), 0);
    const CollectionPtr rooms = base->Room_GetAll();
    ASSERT_TRUE(rooms);
    EXPECT_EQ(rooms->Count(), 0);
    EXPECT_NO_THROW(base->Room_BrowseInfo());
    EXPECT_FALSE(base->Room_CreateBackup("b"));
    EXPECT_EQ(base->Room_HaveBackup("b"), 0);
    EXPECT_FALSE(base->Room_ReferBackup());  // Nothing
    EXPECT_FALSE(base->Room_Restore("b"));
    EXPECT_FALSE(base->Room_DelBackup("b"));
    // The captions need no database.
    EXPECT_EQ(base->Room_ReferStatus()->Count(), 9);
  }
}

TEST(BaseRoomMembersTest, EveryRoomMemberHasItsPlaceInTheInterfaceTable) {
  std::vector<int> places;
  for (const auto& entry : BaseMemberTable::Get()) {
    if (entry.mName.starts_with("Room_")) {
      places.push_back(entry.mPosition);
    }
  }
  std::vector<int> expected;
  for (int place = 4; place <= 22; ++place) {
    expected.push_back(place);
  }
  EXPECT_EQ(places, expected);
}

INSTANTIATE_TEST_SUITE_P(Backends, BaseRoomTest, ::testing::ValuesIn(test::Backends()),
                         test::BackendName);

}  // namespace
}  // namespace vod
