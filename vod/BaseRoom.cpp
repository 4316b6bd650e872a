// The room family of Base: room rows, searches, captions for the host's lists and named backups
// of the room list.
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/automation/AutomationError.h"
#include "platform/automation/Collection.h"
#include "platform/dao/Database.h"
#include "vod/Base.h"
#include "vod/BaseMembers.h"
#include "vod/BaseShapes.h"
#include "vod/RecordCopy.h"
#include "vod/mdlStr.h"

namespace vod {

RAVELIN_BASE_MEMBER(4, Room_ClearStruct, "Room_ClearStruct", kMethod, "sttRoomInfo");
RAVELIN_BASE_MEMBER(5, Room_Struct2Base, "Room_Struct2Base", kMethod, "recTmp,sttRoomInfo");
RAVELIN_BASE_MEMBER(6, Room_Base2Struct, "Room_Base2Struct", kMethod, "recTmp,sttRoomInfo");
RAVELIN_BASE_MEMBER(7, Room_AddNewInfo, "Room_AddNewInfo", kMethod, "sttRoomInfo");
RAVELIN_BASE_MEMBER(8, Room_CreateBackup, "Room_CreateBackup", kMethod, "strBackupName");
RAVELIN_BASE_MEMBER(9, Room_HaveBackup, "Room_HaveBackup", kMethod, "strBackupName");
RAVELIN_BASE_MEMBER(10, Room_ReferBackup, "Room_ReferBackup", kMethod, "");
RAVELIN_BASE_MEMBER(11, Room_Restore, "Room_Restore", kMethod, "strBackupName");
RAVELIN_BASE_MEMBER(12, Room_DelBackup, "Room_DelBackup", kMethod, "strBackupName");
RAVELIN_BASE_MEMBER(13, Room_UpdateInfo, "Room_UpdateInfo", kMethod, "lngRoomID,sttRoomInfo");
RAVELIN_BASE_MEMBER(14, Room_DeleteInfo, "Room_DeleteInfo", kMethod, "lngRoomID");
RAVELIN_BASE_MEMBER(15, Room_ClearAllInfo, "Room_ClearAllInfo", kMethod, "");
RAVELIN_BASE_MEMBER(16, Room_GetInfo, "Room_GetInfo", kMethod, "lngRoomID,sttRoomInfo");
RAVELIN_BASE_MEMBER(17, Room_HaveInfo, "Room_HaveInfo", kMethod, "strRoomName");
RAVELIN_BASE_MEMBER(18, Room_GetAll, "Room_GetAll", kMethod, "bytSearchMode,varData");
RAVELIN_BASE_MEMBER(19, Room_BrowseInfo, "Room_BrowseInfo", kMethod, "bytSearchMode,varData");
RAVELIN_BASE_MEMBER(20, Room_ReferOrder, "Room_ReferOrder", kMethod, "collRef,varData");
RAVELIN_BASE_MEMBER(21, Room_ReferStatus, "Room_ReferStatus", kMethod, "");
RAVELIN_BASE_MEMBER(22, Room_ReferSearchMode, "Room_ReferSearchMode", kMethod, "");

namespace {

using automation::Collection;
using automation::CollectionPtr;
using automation::MakeObject;
using automation::Variant;

// Captions in value order; the two-character ones carry four ASCII spaces between them so that
// they line up with the four-character ones in the host's lists.
constexpr const char* kRoomStatusCaptions[] = {
    "未    用", "正常使用", "有限使用", "买    断", "停止使用",
    "维    护", "预    订", "清    洁", "其    他",
};

constexpr const char* kRoomSearchModeCaptions[] = {
    "全部房间", "房间名称", "房间编码", "机器名称", "房间状态",
};

// "LEFT$(column,n)='text'": the first n characters of the column equal varData, n being its
// length in characters; "" when varData is "".
std::string StartsWithCondition(const std::string& column, const Variant& varData) {
  if (automation::VariantEqualsText(varData, "")) {
    return {};
  }
  const std::string text = varData.ToString();
  return "LEFT$(" + column + "," + std::to_string(automation::TextLength(text)) +
         ")=" + Str_Quote(Variant(text));
}

// The decimal text of a status value. The status search puts it into the statement without
// quotes, so anything that is not a number (Empty, Null, omitted, a text such as "1 OR 1=1")
// raises here instead of reaching the statement.
std::string StatusNumberText(const Variant& varData) {
  if (!varData.IsNumeric() && varData.GetType() != automation::VariantType::String) {
    automation::RaiseRuntimeError(varData.IsNull() ? automation::kErrInvalidUseOfNull
                                                   : automation::kErrTypeMismatch);
  }
  const double value = varData.ToDouble();  // a text that is no number raises 13
  if (!std::isfinite(value)) {
    automation::RaiseRuntimeError(automation::kErrTypeMismatch);
  }
  char text[40];
  if (value == std::trunc(value) && std::fabs(value) < 1e15) {
    std::snprintf(text, sizeof text, "%.0f", value);
  } else {
    std::snprintf(text, sizeof text, "%.17g", value);
  }
  return text;
}

CollectionPtr CaptionCollection(const auto& captions) {
  CollectionPtr collection = MakeObject<Collection>();
  for (const char* caption : captions) {
    collection->Add(Variant(caption));
  }
  return collection;
}

// The statement of Room_GetAll and Room_BrowseInfo for a condition ("" for all rooms).
std::string RoomSearchSql(const std::string& condition) {
  std::string sql = "SELECT * FROM Room" + LF;
  if (!condition.empty()) {
    sql += " WHERE " + condition;
  }
  return sql;
}

}  // namespace

void Base::Room_ClearStruct(RoomInfoStruct& sttRoomInfo) {
  sttRoomInfo.lngRoomID = 0;
  sttRoomInfo.strRoomName.clear();
  sttRoomInfo.strRoomCode.clear();
  sttRoomInfo.strRoomHost.clear();
  sttRoomInfo.strUseTime.clear();
  sttRoomInfo.lngFinityTime = 0;
  sttRoomInfo.bytRoomStatus = 0;
  sttRoomInfo.strRoomIP.clear();
  sttRoomInfo.strMac.clear();
  sttRoomInfo.strFloor.clear();
}

bool Base::Room_Struct2Base(const dao::RecordsetPtr& recTmp, RoomInfoStruct& sttRoomInfo) {
  return CopySteps([&] {
    dao::Recordset& rs = RequireRecordset(recTmp);
    ReadKey(rs, "lngRoomID", sttRoomInfo.lngRoomID);
    WriteText(rs, "strRoomName", sttRoomInfo.strRoomName);
    WriteText(rs, "strRoomCode", sttRoomInfo.strRoomCode);
    WriteText(rs, "strRoomHost", sttRoomInfo.strRoomHost);
    WriteText(rs, "strRoomIP", sttRoomInfo.strRoomIP);
    WriteText(rs, "strUseTime", sttRoomInfo.strUseTime);
    WriteLong(rs, "lngFinityTime", sttRoomInfo.lngFinityTime);
    WriteByte(rs, "bytRoomStatus", sttRoomInfo.bytRoomStatus);
    WriteText(rs, "strMac", sttRoomInfo.strMac, TextCase::kUpper);
    WriteText(rs, "strFloor", sttRoomInfo.strFloor, TextCase::kUpper);
  });
}

bool Base::Room_Base2Struct(const dao::RecordsetPtr& recTmp, RoomInfoStruct& sttRoomInfo) {
  return CopySteps([&] {
    dao::Recordset& rs = RequireRecordset(recTmp);
    ReadLong(rs, "lngRoomID", sttRoomInfo.lngRoomID, NullRule::kRaise);
    ReadText(rs, "strRoomName", sttRoomInfo.strRoomName, NullRule::kRaise);
    ReadText(rs, "strRoomCode", sttRoomInfo.strRoomCode, NullRule::kNeutral);
    ReadText(rs, "strRoomHost", sttRoomInfo.strRoomHost, NullRule::kRaise);
    ReadText(rs, "strRoomIP", sttRoomInfo.strRoomIP, NullRule::kNeutral);
    ReadText(rs, "strUseTime", sttRoomInfo.strUseTime, NullRule::kNeutral);
    ReadLong(rs, "lngFinityTime", sttRoomInfo.lngFinityTime, NullRule::kNeutral);
    ReadByte(rs, "bytRoomStatus", sttRoomInfo.bytRoomStatus, NullRule::kRaise);
    ReadText(rs, "strMac", sttRoomInfo.strMac, NullRule::kNeutral);
    ReadText(rs, "strFloor", sttRoomInfo.strFloor, NullRule::kNeutral);
  });
}

std::int32_t Base::Room_AddNewInfo(RoomInfoStruct& sttRoomInfo) {
  return Trapped(std::int32_t{0}, [&] {
    const StatementShapes shapes(mBaseLink);
    std::int32_t key = 0;
    // The look-up and the add are one serializable piece of work: of two processes adding one
    // name at once, one adds and the other, done again, finds the room.
    dao::RunSerializable(shapes.GetDatabase(), [&] {
      key = 0;
      // The look-up takes the values as the caller gave them, while the stored ones are trimmed.
      RecordsetScope rs = shapes.OpenQuery(
          "SELECT * FROM Room WHERE strRoomName=" + Str_Quote(Variant(sttRoomInfo.strRoomName)) +
              " OR strRoomHost=" + Str_Quote(Variant(sttRoomInfo.strRoomHost)),
          dao::dbOpenDynaset);
      if (rs->IsEOF()) {
        rs->AddNew();
        if (Room_Struct2Base(rs.Get(), sttRoomInfo)) {
          rs->Update();
          key = sttRoomInfo.lngRoomID;
        }
      }
    });
    return key;
  });
}

bool Base::Room_UpdateInfo(std::int32_t lngRoomID, RoomInfoStruct& sttRoomInfo) {
  return Trapped(false, [&] {
    const StatementShapes shapes(mBaseLink);
    bool updated = false;
    // The checks and the edit are one serializable piece of work, so that a room another
    // process adds or edits meanwhile cannot slip past the checks.
    dao::RunSerializable(shapes.GetDatabase(), [&] {
      updated = false;
      const std::string name = Str_Quote(Variant(sttRoomInfo.strRoomName));
      const std::string host = Str_Quote(Variant(sttRoomInfo.strRoomHost));
      const std::string self = std::to_string(lngRoomID);
      const auto anyRow = [&](const std::string& where) {
        RecordsetScope rs =
            shapes.OpenQuery("SELECT lngRoomID FROM Room WHERE " + where, dao::dbOpenSnapshot);
        return !rs->IsEOF();
      };
      bool mayUpdate = true;
      {
        RecordsetScope owner = shapes.OpenQuery(
            "SELECT lngRoomID FROM Room WHERE strRoomName=" + name + " OR strRoomHost=" + host,
            dao::dbOpenDynaset);
        bool othersHoldOne = false;
        for (; !othersHoldOne && !owner->IsEOF(); owner->MoveNext()) {
          othersHoldOne = owner->GetField("lngRoomID").ToLong() != lngRoomID;
        }
        if (othersHoldOne) {
          // Another room holds the name or the machine name. That stops the update only where
          // this room does not hold the same already: a room with a twin (one name and host,
          // as a backup made twice restores them) must still take its own name and host.
          const std::string other = " AND lngRoomID<>" + self;
          const std::string mine = "lngRoomID=" + self + " AND ";
          mayUpdate =
              !(anyRow("strRoomName=" + name + other) && !anyRow(mine + "strRoomName=" + name)) &&
              !(anyRow("strRoomHost=" + host + other) && !anyRow(mine + "strRoomHost=" + host));
        }
      }
      if (!mayUpdate) {
        return;
      }
      RecordsetScope rs = shapes.OpenQuery(
          "SELECT * FROM Room WHERE lngRoomID=" + std::to_string(lngRoomID), dao::dbOpenDynaset);
      if (rs->IsEOF()) {
        return;
      }
      rs->Edit();
      if (!Room_Struct2Base(rs.Get(), sttRoomInfo)) {
        return;
      }
      rs->Update();
      updated = true;
    });
    return updated;
  });
}

bool Base::Room_DeleteInfo(std::int32_t lngRoomID) {
  bool done = false;
  IgnoreErrors([&] {
    done = StatementShapes(mBaseLink).ExecuteLink("DELETE FROM Room WHERE lngRoomID=" +
                                                  std::to_string(lngRoomID));
  });
  return done;
}

bool Base::Room_ClearAllInfo() {
  bool done = false;
  IgnoreErrors([&] { done = StatementShapes(mBaseLink).ExecuteLink("DELETE FROM Room"); });
  return done;
}

bool Base::Room_GetInfo(std::int32_t lngRoomID, RoomInfoStruct& sttRoomInfo) {
  Room_ClearStruct(sttRoomInfo);
  return Trapped(false, [&] {
    RecordsetScope rs = StatementShapes(mBaseLink).OpenQuery(
        "SELECT * FROM Room WHERE lngRoomID=" + std::to_string(lngRoomID), dao::dbOpenSnapshot);
    return !rs->IsEOF() && Room_Base2Struct(rs.Get(), sttRoomInfo);
  });
}

std::int32_t Base::Room_HaveInfo(const std::string& strRoomName) {
  return Trapped(std::int32_t{0}, [&] {
    RecordsetScope rs = StatementShapes(mBaseLink).OpenQuery(
        "SELECT lngRoomID FROM Room WHERE UCASE(strRoomName)=" +
            Str_Quote(Variant(automation::TextUpper(strRoomName))),
        dao::dbOpenSnapshot);
    return rs->IsEOF() ? std::int32_t{0} : rs->GetField("lngRoomID").ToLong();
  });
}

std::string Base::Room_SearchWhere(RoomSearchModes bytSearchMode,
                                   const automation::Variant& varData) const {
  switch (bytSearchMode) {
    case rsmName:
      return StartsWithCondition("Room.strRoomName", varData);
    case rsmCode:
      // An empty code searches the rooms that have none stored (Null); a stored "" is a code.
      if (automation::VariantEqualsText(varData, "")) {
        return "IsNull(Room.strRoomCode)";
      }
      return StartsWithCondition("Room.strRoomCode", varData);
    case rsmHost:
      return StartsWithCondition("Room.strRoomHost", varData);
    case rsmStatus:
      return "Room.bytRoomStatus=" + StatusNumberText(varData);
    case rsmAll:
    default:
      return {};
  }
}

automation::CollectionPtr Base::Room_GetAll(RoomSearchModes bytSearchMode,
                                            const automation::Variant& varData) {
  return Room_GetAllFrom(bytSearchMode, VariantSource([&] { return varData; }));
}

void Base::Room_BrowseInfo(RoomSearchModes bytSearchMode, const automation::Variant& varData) {
  Room_BrowseInfoFrom(bytSearchMode, VariantSource([&] { return varData; }));
}

namespace {

// varData as the search of that mode sees it: read only when the mode uses it.
Variant SearchData(RoomSearchModes bytSearchMode, const VariantSource& varData) {
  switch (bytSearchMode) {
    case rsmName:
    case rsmCode:
    case rsmHost:
    case rsmStatus:
      return varData();
    default:
      return Variant::Missing();
  }
}

}  // namespace

automation::CollectionPtr Base::Room_GetAllFrom(RoomSearchModes bytSearchMode,
                                                const VariantSource& varData) {
  RoomInfoStruct room;
  Room_ClearStruct(room);
  CollectionPtr rooms = MakeObject<Collection>();
  IgnoreErrors([&] {
    const std::string sql =
        RoomSearchSql(Room_SearchWhere(bytSearchMode, SearchData(bytSearchMode, varData)));
    WalkHandlers handlers;
    handlers.mCopy = [&](const dao::RecordsetPtr& rs) { return Room_Base2Struct(rs, room); };
    handlers.mUse = [&](std::int32_t, std::int32_t) { rooms->Add(Variant(room)); };
    StatementShapes(mBaseLink).Walk(sql, handlers);
  });
  return rooms;
}

void Base::Room_BrowseInfoFrom(RoomSearchModes bytSearchMode, const VariantSource& varData) {
  RoomInfoStruct room;
  Room_ClearStruct(room);
  IgnoreErrors([&] {
    const std::string sql =
        RoomSearchSql(Room_SearchWhere(bytSearchMode, SearchData(bytSearchMode, varData)));
    WalkHandlers handlers;
    handlers.mCopy = [&](const dao::RecordsetPtr& rs) { return Room_Base2Struct(rs, room); };
    handlers.mUse = [&](std::int32_t row, std::int32_t count) {
      RaiseOnRoomBrowseInfo(room, BrowseRate(row, count));
    };
    StatementShapes(mBaseLink).Walk(sql, handlers);
  });
}

std::int32_t Base::Room_ReferOrder(const automation::CollectionPtr& collRef,
                                   const automation::Variant& varData) {
  if (!collRef) {
    return 0;
  }
  const std::int32_t count = collRef->Count();
  for (std::int32_t i = 1; i <= count; ++i) {
    const Variant item = collRef->Item(Variant(i));
    // In the runtime a comparison with Null gives Null, which a condition takes as False: no
    // item matches a Null, and a Null item matches nothing.
    if (varData.IsNull() || item.IsNull()) {
      continue;
    }
    if (automation::VariantEquals(varData, item)) {
      return i;
    }
  }
  return 0;
}

automation::CollectionPtr Base::Room_ReferStatus() {
  return CaptionCollection(kRoomStatusCaptions);
}

automation::CollectionPtr Base::Room_ReferSearchMode() {
  return CaptionCollection(kRoomSearchModeCaptions);
}

bool Base::Room_CreateBackup(const std::string& strBackupName) {
  return Trapped(false, [&] {
    // The alias names the backup column; the other columns are matched by name.
    StatementShapes(mBaseLink).ExecuteDirect(
        "INSERT INTO RoomBackup SELECT " + Str_Quote(Variant(strBackupName)) +
        " AS strBackupName, " +
        "strRoomName, strRoomHost, strRoomCode, bytRoomStatus, strRoomIP, strMac," +
        " strFloor From Room ");
    return true;
  });
}

std::int32_t Base::Room_HaveBackup(const std::string& strBackupName) {
  return Trapped(std::int32_t{0}, [&] {
    RecordsetScope rs = StatementShapes(mBaseLink).OpenQuery(
        "SELECT lngBackupID FROM RoomBackup WHERE UCASE(strBackupName)=" +
            Str_Quote(Variant(automation::TextUpper(strBackupName))),
        dao::dbOpenSnapshot);
    return rs->IsEOF() ? std::int32_t{0} : rs->GetField("lngBackupID").ToLong();
  });
}

automation::CollectionPtr Base::Room_ReferBackup() {
  return Trapped(CollectionPtr{}, [&] {
    CollectionPtr names = MakeObject<Collection>();
    RecordsetScope rs = StatementShapes(mBaseLink).OpenQuery(
        "SELECT DISTINCT strBackupName FROM RoomBackup ORDER BY strBackupName", dao::dbOpenDynaset);
    while (!rs->IsEOF()) {
      names->Add(Variant(automation::TextTrim(rs->GetField("strBackupName").ToString())));
      rs->MoveNext();
    }
    return names;
  });
}

bool Base::Room_Restore(const std::string& strBackupName) {
  return Trapped(false, [&] {
    const StatementShapes shapes(mBaseLink);
    const std::string where = " WHERE strBackupName=" + Str_Quote(Variant(strBackupName));
    const dao::DatabasePtr database = shapes.GetDatabase();
    bool restored = false;
    // One serializable transaction: should the copy fail after the delete, the room list must
    // not be lost; other readers see the old list or the new one, never an empty one; and a
    // room added meanwhile by another process cannot end up beside a restored twin.
    dao::RunSerializable(database, [&] {
      restored = false;
      {
        // A name without backup rows (a listed name is trimmed, the stored one may not be)
        // would otherwise replace every room by nothing.
        RecordsetScope found =
            shapes.OpenQuery("SELECT lngBackupID FROM RoomBackup" + where, dao::dbOpenSnapshot);
        if (found->IsEOF()) {
          return;
        }
      }
      database->Execute("DELETE FROM Room");
      database->Execute("INSERT INTO Room SELECT  " +
                        std::string("strRoomName, strRoomHost, strRoomCode, bytRoomStatus, "
                                    "strRoomIP, strMac,") +
                        " strFloor From RoomBackup" + where);
      restored = true;
    });
    return restored;
  });
}

bool Base::Room_DelBackup(const std::string& strBackupName) {
  return Trapped(false, [&] {
    StatementShapes(mBaseLink).ExecuteDirect("DELETE FROM RoomBackup WHERE strBackupName=" +
                                             Str_Quote(Variant(strBackupName)));
    return true;
  });
}

}  // namespace vod
