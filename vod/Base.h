// Base: the room and song store of the VOD management side, the one creatable class of the
// Ravelin in-process server, with its records, enumerations and event interface.
//
// A host makes a Base (directly, or through the class registry as "Ravelin.Base"), calls
// InitInterface with the database path and password and then the data members. The object
// creates its connection component (dao::BaseLink, by class id) when it is made, holds it in
// mBaseLink, asks it for the open database at the moment each operation needs it and closes it
// when the object ends, also when the host injected it through SetBase. Every recordset a member
// opens is closed before the member returns. Members follow three failure classes: trapped
// (neutral result), ignored (statement by statement) and passed on (AutomationError reaches the
// caller); each member's comment says which.
//
// The members are spread over source files by family: Base.cpp holds the frame (life cycle,
// the property Base, InitInterface, events); the room, default-song/selection and ranking
// families live in files of their own. Each implementation file enters its members in the
// interface table with RAVELIN_BASE_MEMBER (BaseMembers.h), so the table always matches what
// the class implements.
//
// Conventions of the members: parameters a member changes (records, and nothing else) are
// taken by non-const reference, the others by const reference or value; Variant parameters
// are automation::Variant, an omitted optional one being Variant::Missing(); recordsets are
// `const dao::RecordsetPtr& recTmp`; collections are automation::CollectionPtr, Nothing being
// an empty pointer; Boolean results are bool. SQL runs through StatementShapes (BaseShapes.h)
// with caller text quoted by Str_Quote (mdlStr.h), and each member wraps its work in Trapped or
// IgnoreErrors, or lets AutomationError pass, as its failure class says.
//
// Reference-counted (automation::ObjectPtr; make one with automation::MakeObject<Base>()).
// Apartment-threaded: an object is used only on the thread that made it; no locks. Events are
// raised synchronously on that thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/automation/ClassFactory.h"
#include "platform/automation/ConnectionPoint.h"
#include "platform/automation/Object.h"
#include "platform/automation/Variant.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/Recordset.h"
#include "vod/RavelinVodExport.h"

namespace vod {

// Value of bytRoomStatus; Room_ReferStatus lists the captions in this order.
enum RoomStatus : std::int32_t {
  rsNoUse = 0,
  rsNormalUse = 1,
  rsFinityUse = 2,
  rsPuchaser = 3,
  rsStopUse = 4,
  rsService = 5,
  rsReserve = 6,
  rsCleansing = 7,
  rsOther = 8,
};

// Search of Room_GetAll and Room_BrowseInfo.
enum RoomSearchModes : std::int32_t {
  rsmAll = 0,
  rsmName = 1,
  rsmCode = 2,
  rsmHost = 3,
  rsmStatus = 4,
};

// The four records travel by reference in calls, inside Variants in collections, and as event
// arguments. Fields keep the type library's declaration order.
struct RoomInfoStruct {
  static constexpr std::string_view kRecordName = "RoomInfoStruct";
  std::int32_t lngRoomID = 0;
  std::string strRoomName;
  std::string strRoomCode;
  std::string strRoomHost;
  std::string strUseTime;
  std::int32_t lngFinityTime = 0;
  std::uint8_t bytRoomStatus = 0;
  std::string strRoomIP;
  std::string strMac;
  std::string strFloor;
};

struct DefaultSongStruct {
  static constexpr std::string_view kRecordName = "DefaultSongStruct";
  std::int32_t lngDefaultSongID = 0;
  std::string strSongName;
  std::string strFileName;
};

struct SelectSongStruct {
  static constexpr std::string_view kRecordName = "SelectSongStruct";
  std::int32_t lngSelectSongID = 0;
  std::int32_t lngRoomID = 0;
  std::uint8_t bytStatus = 0;
  std::string strDateTime;
  std::string strSongFile;
};

struct SongTaxisStruct {
  static constexpr std::string_view kRecordName = "SongTaxisStruct";
  std::int32_t lngSongTaxisID = 0;
  std::string strSongName;
  std::string strSongFile;
  std::int32_t lngClickRate = 0;
};

// The source interface __Base. A sink implements the events it cares about; both arguments
// are the sink's to change, and the raising member ignores such changes.
class RAVELIN_VOD_EXPORT BaseEvents : public virtual automation::Object {
 public:
  virtual void OnRoomBrowseInfo(RoomInfoStruct& sttRoom, std::int32_t& lngRate);
  virtual void OnTaxisBrowse(SongTaxisStruct& sttTaxisSong, std::int32_t& lngRate);

 protected:
  ~BaseEvents() override;
};

using BaseEventsPtr = automation::ObjectPtr<BaseEvents>;

class RAVELIN_VOD_EXPORT Base : public virtual automation::Object {
 public:
  Base();

  // ---- Frame ---------------------------------------------------------------------------
  // Property Base (get): the connection object, Nothing when there is none. Passed on.
  dao::BaseLinkPtr GetBase() const;
  // Property Base (set by reference): takes an object with the link interface, or Nothing.
  // The previous link is released without being closed. An object without the interface
  // raises AutomationError 13 and keeps the old link. Passed on.
  void SetBase(const automation::ObjectPtr<automation::Object>& varObj);
  // Opens the database through the link. All errors ignored: False when the link is missing,
  // fails or cannot open the file. blnLoadCache is accepted and not used.
  bool InitInterface(const std::string& strBasePath, const std::string& strBasePassword = {},
                     bool blnLoadCache = true);

  // ---- Rooms and room backups (BaseRoom.cpp) ---------------------------------------------

  // ---- Default songs, selections and counts (BaseSong.cpp) -------------------------------

  // ---- Song ranking (BaseTaxis.cpp) ------------------------------------------------------

  // ---- Events (connection point of __Base) -----------------------------------------------
  // Connects a sink; the cookie (never 0) disconnects it again.
  std::uint32_t Advise(const BaseEventsPtr& sink);
  // False when the cookie names no connection.
  bool Unadvise(std::uint32_t cookie);

 protected:
  ~Base() override;

  // Raise the events with copies of the arguments, so sinks cannot change the caller's data.
  void RaiseOnRoomBrowseInfo(const RoomInfoStruct& sttRoom, std::int32_t lngRate);
  void RaiseOnTaxisBrowse(const SongTaxisStruct& sttTaxisSong, std::int32_t lngRate);

 private:
  std::string mBasePath;
  std::string mBasePassword;
  dao::BaseLinkPtr mBaseLink;

  automation::ConnectionPoint<BaseEvents> mEvents;
  // Keeps the server loaded while the object lives.
  automation::ServerObjectCount mServerCount;
};

using BasePtr = automation::ObjectPtr<Base>;

// The server module of this library, whose counts DllCanUnloadNow reports.
RAVELIN_VOD_EXPORT automation::ServerModule& GetRavelinServerModule();

}  // namespace vod
