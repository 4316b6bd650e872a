#include "vod/Base.h"

#include <algorithm>

#include "platform/automation/ClassRegistry.h"
#include "vod/BaseMembers.h"
#include "vod/BaseShapes.h"

namespace vod {

RAVELIN_BASE_MEMBER(1, GetBase, "Base", kPropertyGet, "");
RAVELIN_BASE_MEMBER(2, SetBase, "Base", kPropertyPutRef, "varObj");
RAVELIN_BASE_MEMBER(3, InitInterface, "InitInterface", kMethod,
                    "strBasePath,strBasePassword,blnLoadCache");

namespace {

std::vector<BaseMemberInfo>& MemberEntries() {
  static std::vector<BaseMemberInfo> entries;
  return entries;
}

}  // namespace

void BaseMemberTable::Add(const BaseMemberInfo& info) {
  MemberEntries().push_back(info);
}

std::vector<BaseMemberInfo> BaseMemberTable::Get() {
  std::vector<BaseMemberInfo> entries = MemberEntries();
  std::stable_sort(
      entries.begin(), entries.end(),
      [](const BaseMemberInfo& a, const BaseMemberInfo& b) { return a.mPosition < b.mPosition; });
  return entries;
}

BaseEvents::~BaseEvents() = default;

void BaseEvents::OnRoomBrowseInfo(RoomInfoStruct&, std::int32_t&) {}

void BaseEvents::OnTaxisBrowse(SongTaxisStruct&, std::int32_t&) {}

Base::Base() : mServerCount(GetRavelinServerModule()) {
  // A link that cannot be made leaves mBaseLink Nothing; the object exists all the same and its
  // members fail as they do without an open database.
  IgnoreErrors([&] {
    const auto object = automation::CreateObject(automation::Guid::FromString(dao::kBaseLinkClsid));
    mBaseLink = automation::QueryInterface<dao::BaseLink>(object);
  });
}

Base::~Base() {
  // The link is closed even when a host injected it: the object that ends takes its database
  // connection with it.
  if (mBaseLink) {
    IgnoreErrors([&] { mBaseLink->CloseBase(); });
  }
  mBaseLink.Reset();
}

dao::BaseLinkPtr Base::GetBase() const {
  return mBaseLink;
}

void Base::SetBase(const automation::ObjectPtr<automation::Object>& varObj) {
  if (!varObj) {
    mBaseLink.Reset();
    return;
  }
  dao::BaseLinkPtr link = automation::QueryInterface<dao::BaseLink>(varObj);
  if (!link) {
    automation::RaiseRuntimeError(automation::kErrTypeMismatch);
  }
  mBaseLink = std::move(link);
}

bool Base::InitInterface(const std::string& strBasePath, const std::string& strBasePassword,
                         bool blnLoadCache) {
  (void)blnLoadCache;  // part of the interface; the store keeps no cache
  bool opened = false;
  mBasePath = strBasePath;
  mBasePassword = strBasePassword;
  IgnoreErrors([&] {
    if (!mBaseLink) {
      automation::RaiseRuntimeError(automation::kErrObjectNotSet);
    }
    bool readOnly = false;
    opened = mBaseLink->OpenBase(mBasePath, mBasePassword, readOnly);
  });
  return opened;
}

std::uint32_t Base::Advise(const BaseEventsPtr& sink) {
  return mEvents.Advise(sink);
}

bool Base::Unadvise(std::uint32_t cookie) {
  return mEvents.Unadvise(cookie);
}

void Base::RaiseOnRoomBrowseInfo(const RoomInfoStruct& sttRoom, std::int32_t lngRate) {
  mEvents.Fire([&](BaseEvents& sink) {
    RoomInfoStruct room = sttRoom;
    std::int32_t rate = lngRate;
    sink.OnRoomBrowseInfo(room, rate);
  });
}

void Base::RaiseOnTaxisBrowse(const SongTaxisStruct& sttTaxisSong, std::int32_t lngRate) {
  mEvents.Fire([&](BaseEvents& sink) {
    SongTaxisStruct song = sttTaxisSong;
    std::int32_t rate = lngRate;
    sink.OnTaxisBrowse(song, rate);
  });
}

}  // namespace vod
