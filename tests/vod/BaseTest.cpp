#include "vod/Base.h"

#include <gtest/gtest.h>

#include "platform/automation/Collection.h"
#include "tests/vod/VodTestSupport.h"
#include "vod/RavelinSchema.h"

namespace vod {
namespace {

using automation::MakeObject;
using automation::ObjectPtr;
using test::RecordingLink;
using test::ScopedLinkClass;

// Every Base made under this scope gets a new RecordingLink; the last one made is kept.
class BaseLifeCycleTest : public ::testing::Test {
 protected:
  ScopedLinkClass mLinkClass{[this] {
    mLastLink = MakeObject<RecordingLink>();
    return ObjectPtr<automation::Object>(mLastLink);
  }};
  ObjectPtr<RecordingLink> mLastLink;
};

TEST_F(BaseLifeCycleTest, CreationMakesTheLinkAndTerminationClosesIt) {
  auto base = MakeObject<Base>();
  ASSERT_TRUE(mLastLink);
  EXPECT_EQ(base->GetBase().Get(), mLastLink.Get());
  auto link = mLastLink;
  base.Reset();
  EXPECT_EQ(link->mCloseCount, 1);
  EXPECT_EQ(link->GetRefCount(), 2u);  // the test's two pointers only
}

TEST_F(BaseLifeCycleTest, InitInterfacePassesPathPasswordAndFalseFlag) {
  auto base = MakeObject<Base>();
  EXPECT_TRUE(base->InitInterface("/data/vod.mdb", "secret", true));
  EXPECT_EQ(mLastLink->mOpenPath, "/data/vod.mdb");
  EXPECT_EQ(mLastLink->mOpenPassword, "secret");
  EXPECT_EQ(mLastLink->mOpenFlag, false);
  // blnLoadCache False passes the same flag.
  mLastLink->mOpenFlag.reset();
  EXPECT_TRUE(base->InitInterface("/data/vod.mdb", "secret", false));
  EXPECT_EQ(mLastLink->mOpenFlag, false);
  // Defaults: empty password.
  EXPECT_TRUE(base->InitInterface("/other.mdb"));
  EXPECT_EQ(mLastLink->mOpenPassword, "");
  EXPECT_EQ(mLastLink->mOpenCount, 3);
}

TEST_F(BaseLifeCycleTest, InitInterfaceReportsLinkFailureWithoutRaising) {
  auto base = MakeObject<Base>();
  mLastLink->mOpenResult = false;
  EXPECT_FALSE(base->InitInterface("/missing.mdb"));
  mLastLink->mThrowOnOpen = true;
  EXPECT_NO_THROW(EXPECT_FALSE(base->InitInterface("/missing.mdb")));
}

TEST_F(BaseLifeCycleTest, SetBaseReplacesLinkWithoutClosingTheOldOne) {
  auto base = MakeObject<Base>();
  auto created = mLastLink;
  auto injected = MakeObject<RecordingLink>();
  base->SetBase(injected);
  EXPECT_EQ(base->GetBase().Get(), injected.Get());
  EXPECT_EQ(created->mCloseCount, 0);
  EXPECT_EQ(created->GetRefCount(), 2u);  // released by the Base object
  base.Reset();
  // The injected link is closed on termination, also for its other holders.
  EXPECT_EQ(injected->mCloseCount, 1);
  EXPECT_EQ(created->mCloseCount, 0);
}

TEST_F(BaseLifeCycleTest, SharedLinkIsClosedByTheFirstObjectToEnd) {
  auto first = MakeObject<Base>();
  auto second = MakeObject<Base>();
  second->SetBase(first->GetBase());
  auto shared = first->GetBase();
  first.Reset();
  EXPECT_EQ(mLastLink->mCloseCount, 0);  // the second object's own link was replaced
  EXPECT_EQ(static_cast<RecordingLink*>(shared.Get())->mCloseCount, 1);
  second.Reset();
  EXPECT_EQ(static_cast<RecordingLink*>(shared.Get())->mCloseCount, 2);
}

TEST_F(BaseLifeCycleTest, SetBaseToObjectWithoutLinkInterfaceIsTypeMismatch) {
  auto base = MakeObject<Base>();
  auto original = base->GetBase();
  try {
    base->SetBase(MakeObject<automation::Collection>());
    FAIL() << "accepted an object without the link interface";
  } catch (const automation::AutomationError& error) {
    EXPECT_EQ(error.GetNumber(), automation::kErrTypeMismatch);
  }
  EXPECT_EQ(base->GetBase().Get(), original.Get());
}

TEST_F(BaseLifeCycleTest, SetBaseToNothingDropsLinkAndTerminationClosesNothing) {
  auto base = MakeObject<Base>();
  auto link = mLastLink;
  base->SetBase(nullptr);
  EXPECT_FALSE(base->GetBase());
  EXPECT_FALSE(base->InitInterface("/data/vod.mdb"));
  base.Reset();
  EXPECT_EQ(link->mCloseCount, 0);
  EXPECT_EQ(link->mOpenCount, 0);
}

TEST(BaseWithoutLinkTest, LinkThatCannotBeCreatedLeavesNothing) {
  ScopedLinkClass noLinkClass{nullptr};
  auto base = MakeObject<Base>();
  EXPECT_FALSE(base->GetBase());
  EXPECT_NO_THROW(EXPECT_FALSE(base->InitInterface("/data/vod.mdb", "pw")));
}

TEST(BaseWithoutLinkTest, LinkClassWithoutTheInterfaceLeavesNothing) {
  ScopedLinkClass wrongClass{
      [] { return ObjectPtr<automation::Object>(MakeObject<automation::Collection>()); }};
  auto base = MakeObject<Base>();
  EXPECT_FALSE(base->GetBase());
}

TEST(BaseWithoutLinkTest, FailingFactoryLeavesNothing) {
  ScopedLinkClass failingClass{
      []() -> ObjectPtr<automation::Object> { throw std::runtime_error("no"); }};
  auto base = MakeObject<Base>();
  EXPECT_FALSE(base->GetBase());
}

// Exposes the event raisers to the test.
class EventSource final : public Base {
 public:
  using Base::RaiseOnRoomBrowseInfo;
  using Base::RaiseOnTaxisBrowse;
};

class RecordingSink final : public BaseEvents {
 public:
  void OnRoomBrowseInfo(RoomInfoStruct& sttRoom, std::int32_t& lngRate) override {
    mRooms.push_back(sttRoom.strRoomName);
    mRates.push_back(lngRate);
    sttRoom.strRoomName = "changed by sink";
    lngRate = -5;
  }
  void OnTaxisBrowse(SongTaxisStruct& sttTaxisSong, std::int32_t& lngRate) override {
    mRooms.push_back(sttTaxisSong.strSongFile);
    mRates.push_back(lngRate);
  }
  std::vector<std::string> mRooms;
  std::vector<std::int32_t> mRates;
};

TEST_F(BaseLifeCycleTest, EventsReachConnectedSinksInOrderWithCopies) {
  auto source = MakeObject<EventSource>();
  auto first = MakeObject<RecordingSink>();
  auto second = MakeObject<RecordingSink>();
  const auto cookie = source->Advise(first);
  source->Advise(second);
  RoomInfoStruct room;
  room.strRoomName = "A1";
  source->RaiseOnRoomBrowseInfo(room, 50);
  EXPECT_EQ(room.strRoomName, "A1");
  // The second sink sees the raiser's values, not what the first sink wrote.
  EXPECT_EQ(second->mRooms, std::vector<std::string>{"A1"});
  EXPECT_EQ(second->mRates, std::vector<std::int32_t>{50});

  EXPECT_TRUE(source->Unadvise(cookie));
  EXPECT_FALSE(source->Unadvise(cookie));
  SongTaxisStruct song;
  song.strSongFile = "S.MPG";
  source->RaiseOnTaxisBrowse(song, 100);
  EXPECT_EQ(first->mRooms.size(), 1u);
  EXPECT_EQ(second->mRooms.back(), "S.MPG");
}

TEST(BaseRecordsTest, RecordsTravelInVariantsAndCollections) {
  RoomInfoStruct room;
  room.lngRoomID = 4;
  room.strRoomName = "VIP";
  auto coll = MakeObject<automation::Collection>();
  coll->Add(room);
  room.strRoomName = "changed";
  const auto& stored = coll->Item(1).GetRecord<RoomInfoStruct>();
  EXPECT_EQ(stored.strRoomName, "VIP");
  EXPECT_EQ(stored.lngRoomID, 4);
  EXPECT_FALSE(coll->Item(1).HoldsRecord<SongTaxisStruct>());
}

}  // namespace
}  // namespace vod

namespace vod {
namespace {

// With the connection component this library ships with.
TEST(BaseWithDefaultLinkTest, OpensExistingStoreOnlyWithItsPassword) {
  test::TempDir dir;
  const std::string path = dir.File("store.db");
  vod::CreateRavelinDatabase(path, "pw");
  auto base = automation::MakeObject<Base>();
  ASSERT_TRUE(base->GetBase());
  EXPECT_FALSE(base->InitInterface(dir.File("missing.db"), "pw"));
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing.db")));
  EXPECT_FALSE(base->InitInterface(path, "wrong"));
  EXPECT_TRUE(base->InitInterface(path, "pw", false));
  EXPECT_TRUE(base->GetBase()->IsOpen());
  auto link = base->GetBase();
  base.Reset();
  EXPECT_FALSE(link->IsOpen());  // closed on termination
}

}  // namespace
}  // namespace vod
