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
#include <functional>
#include <string>
#include <string_view>

#include "platform/automation/ClassFactory.h"
#include "platform/automation/Collection.h"
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
// An argument read when it is needed (see Room_GetAll).
using VariantSource = std::function<automation::Variant()>;

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
  // Record family: clears the record (numbers 0, texts ""). Passed on.
  void Room_ClearStruct(RoomInfoStruct& sttRoomInfo);
  // Writes the record into the current row of recTmp (already in add or edit mode): the
  // record's lngRoomID takes the row's key first, texts are trimmed, strMac and strFloor
  // upper-cased. No Update. False at the first error.
  bool Room_Struct2Base(const dao::RecordsetPtr& recTmp, RoomInfoStruct& sttRoomInfo);
  // Reads the current row of recTmp into the record. A Null name, host or status is an error
  // (False, fields copied so far kept); the other columns read Null as "" or 0.
  bool Room_Base2Struct(const dao::RecordsetPtr& recTmp, RoomInfoStruct& sttRoomInfo);

  // Adds a room unless another has its name or machine name (compared untrimmed); the new key,
  // also left in sttRoomInfo.lngRoomID, or 0. Trapped.
  std::int32_t Room_AddNewInfo(RoomInfoStruct& sttRoomInfo);
  // Copies every room into RoomBackup under the name; a second backup under one name adds a
  // second set of rows. Trapped.
  bool Room_CreateBackup(const std::string& strBackupName);
  // lngBackupID of a backup row of that name (case ignored), or 0. Trapped.
  std::int32_t Room_HaveBackup(const std::string& strBackupName);
  // The distinct backup names, trimmed and sorted; Nothing on error. Trapped.
  automation::CollectionPtr Room_ReferBackup();
  // Replaces every room by the rooms of the backup (new keys; a name without backup rows
  // empties the list). Both statements run in one transaction: on failure the rooms stay as
  // they were and the result is False. Trapped.
  bool Room_Restore(const std::string& strBackupName);
  // Deletes the backup's rows. Trapped.
  bool Room_DelBackup(const std::string& strBackupName);
  // Overwrites room lngRoomID with the record unless its name or machine name belongs to
  // another room. False when taken, missing or on error. Trapped.
  bool Room_UpdateInfo(std::int32_t lngRoomID, RoomInfoStruct& sttRoomInfo);
  // The link's ExecuteSQL result. Ignored.
  bool Room_DeleteInfo(std::int32_t lngRoomID);
  bool Room_ClearAllInfo();
  // Clears the record, then reads room lngRoomID into it; False when there is none. Trapped.
  bool Room_GetInfo(std::int32_t lngRoomID, RoomInfoStruct& sttRoomInfo);
  // Key of the room of that name (case ignored), or 0. Trapped.
  std::int32_t Room_HaveInfo(const std::string& strRoomName);
  // The rooms that meet the search, as RoomInfoStruct items in the engine's order. Always a
  // collection: empty when the search cannot be built or run.
  automation::CollectionPtr Room_GetAll(
      RoomSearchModes bytSearchMode = rsmAll,
      const automation::Variant& varData = automation::Variant::Missing());
  // The same rooms, one OnRoomBrowseInfo event each with the progress in percent.
  void Room_BrowseInfo(RoomSearchModes bytSearchMode = rsmAll,
                       const automation::Variant& varData = automation::Variant::Missing());
  // The same two, with varData read only inside the member's trap, when the mode needs it: a
  // host's argument that does not convert, or an object whose value must be asked for, fails
  // there like any other error of the search.
  automation::CollectionPtr Room_GetAllFrom(RoomSearchModes bytSearchMode,
                                            const VariantSource& varData);
  void Room_BrowseInfoFrom(RoomSearchModes bytSearchMode, const VariantSource& varData);
  // One-based position of the first item equal to varData, 0 for none or a Nothing
  // collection. Passed on (an item that cannot be compared raises).
  std::int32_t Room_ReferOrder(const automation::CollectionPtr& collRef,
                               const automation::Variant& varData);
  // New collections of the status and search-mode captions, in value order. Passed on.
  automation::CollectionPtr Room_ReferStatus();
  automation::CollectionPtr Room_ReferSearchMode();

 private:
  // Condition of Room_GetAll and Room_BrowseInfo, "" for none; raises when varData does not
  // fit the mode (omitted, Null, or not a number for the status).
  std::string Room_SearchWhere(RoomSearchModes bytSearchMode,
                               const automation::Variant& varData) const;

 public:
  // ---- Default songs, selections and counts (BaseSong.cpp) -------------------------------
  // Record family DefaultSong: clearing passes errors on; the copies give False at the first
  // error. Writing stores the file name trimmed and upper-cased; reading upper-cases and trims
  // it too.
  void DefaultSong_ClearStruct(DefaultSongStruct& sttDefaultSong);
  bool DefaultSong_Struct2Base(const dao::RecordsetPtr& recTmp, DefaultSongStruct& sttDefaultSong);
  bool DefaultSong_Base2Struct(const dao::RecordsetPtr& recTmp, DefaultSongStruct& sttDefaultSong);
  // Adds a default song unless its file name (as given, any letter case) is listed already.
  // The new key, also left in the record; 0 when listed, when the copy fails or on error.
  // Trapped.
  std::int32_t DefaultSong_AddNew(DefaultSongStruct& sttDefaultSong);
  // Every default song as a DefaultSongStruct item; an empty collection (never Nothing) when
  // there are none or the table cannot be read.
  automation::CollectionPtr DefaultSong_GetAll();
  // Errors ignored: ExecuteSQL's result, False when it raised.
  bool DefaultSong_Delete(std::int32_t lngDefaultSongID);
  bool DefaultSong_Clear();
  // Number of singers: 0 and values above 2 count all, 1 those whose bytShow is 0, 2 those
  // whose bytShow is 1. Trapped.
  std::int32_t Singer_Count(std::uint8_t bytShow = 0);
  // Number of songs in the library. Trapped.
  std::int32_t Song_Count();
  // Record family SelectSong: writing upper-cases and trims the file name; reading keeps it.
  void SelectSong_ClearStruct(SelectSongStruct& sttSelectSong);
  bool SelectSong_Struct2Base(const dao::RecordsetPtr& recTmp, SelectSongStruct& sttSelectSong);
  bool SelectSong_Base2Struct(const dao::RecordsetPtr& recTmp, SelectSongStruct& sttSelectSong);
  // Empties the selection log. Passed on.
  bool SelectSong_Clear();
  // Number of rows of the selection log. Trapped.
  std::int32_t SelectSong_Count();
  // Appends one selection with its values exactly as the record holds them (no trimming, no
  // case change). True once stored. Trapped. The record is not changed.
  bool SelectSong_AddNew(const SelectSongStruct& sttSelectSong);
  // Deletes the log rows whose date (first ten characters of strDateTime) sorts before the
  // first ten characters of strDate; rows of that date stay. Errors ignored.
  bool SelectSong_ClearFrom(const std::string& strDate);

  // ---- Song ranking (BaseTaxis.cpp) ------------------------------------------------------
  // Record family Taxis: writing upper-cases and trims the file name.
  void Taxis_ClearStruct(SongTaxisStruct& sttSong);
  bool Taxis_Struct2Base(const dao::RecordsetPtr& recTmp, SongTaxisStruct& sttSong);
  // Delete one or all ranking rows. Passed on.
  bool Taxis_Delete(std::int32_t lngSongTaxisID);
  bool Taxis_Clear();
  // Replaces the ranking by the one for the selections dated strBeginDate to strEndDate (first
  // ten characters of each, both ends included), most chosen first. False when clearing or
  // building failed; the ranking is then empty. Passed on.
  bool Taxis_Build(const std::string& strBeginDate, const std::string& strEndDate);
  bool Taxis_Base2Struct(const dao::RecordsetPtr& recTmp, SongTaxisStruct& sttSong);
  // Raises OnTaxisBrowse for each ranking row, in ranking order, with the percent walked. No
  // event when the ranking cannot be read.
  void Taxis_Browse();
  // The ranking's file titles, one per line, joined by CR LF. A limit of N other than -1 yields
  // at most N - 1 lines, as the interface has always counted; -1 yields all.
  // "" when the ranking cannot be read.
  std::string Taxis_Text(std::int32_t lngLimitQuantity = -1);

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
