// The song ranking of Base: built from the selection log in one statement, kept in SongTaxis in
// ranking order, read back through events or as text.
#include <string>

#include "platform/automation/Variant.h"
#include "platform/dao/Database.h"
#include "vod/Base.h"
#include "vod/BaseMembers.h"
#include "vod/BaseShapes.h"
#include "vod/RecordCopy.h"
#include "vod/mdlFile.h"
#include "vod/mdlStr.h"

namespace vod {

RAVELIN_BASE_MEMBER(39, Taxis_ClearStruct, "Taxis_ClearStruct", kMethod, "sttSong");
RAVELIN_BASE_MEMBER(40, Taxis_Struct2Base, "Taxis_Struct2Base", kMethod, "recTmp,sttSong");
RAVELIN_BASE_MEMBER(41, Taxis_Delete, "Taxis_Delete", kMethod, "lngSongTaxisID");
RAVELIN_BASE_MEMBER(42, Taxis_Clear, "Taxis_Clear", kMethod, "");
RAVELIN_BASE_MEMBER(43, Taxis_Build, "Taxis_Build", kMethod, "strBeginDate,strEndDate");
RAVELIN_BASE_MEMBER(44, Taxis_Base2Struct, "Taxis_Base2Struct", kMethod, "recTmp,sttSong");
RAVELIN_BASE_MEMBER(45, Taxis_Browse, "Taxis_Browse", kMethod, "");
RAVELIN_BASE_MEMBER(46, Taxis_Text, "Taxis_Text", kMethod, "lngLimitQuantity");

namespace {

// Read without ORDER BY: the engine returns the rows in the order Taxis_Build appended them,
// which is the ranking order.
const std::string kReadRanking = "SELECT * FROM SongTaxis" + LF;

// The date part the log is compared by: the first ten characters, all of a shorter text.
std::string DatePart(const std::string& dateTime) {
  return automation::TextLeft(dateTime, 10);
}

}  // namespace

void Base::Taxis_ClearStruct(SongTaxisStruct& sttSong) {
  sttSong.lngSongTaxisID = 0;
  sttSong.strSongName.clear();
  sttSong.strSongFile.clear();
  sttSong.lngClickRate = 0;
}

bool Base::Taxis_Struct2Base(const dao::RecordsetPtr& recTmp, SongTaxisStruct& sttSong) {
  return CopySteps([&] {
    dao::Recordset& recordset = RequireRecordset(recTmp);
    ReadKey(recordset, "lngSongTaxisID", sttSong.lngSongTaxisID);
    WriteText(recordset, "strSongFile", sttSong.strSongFile, TextCase::kUpper);
    WriteText(recordset, "strSongName", sttSong.strSongName);
    WriteLong(recordset, "lngClickRate", sttSong.lngClickRate);
  });
}

bool Base::Taxis_Base2Struct(const dao::RecordsetPtr& recTmp, SongTaxisStruct& sttSong) {
  return CopySteps([&] {
    dao::Recordset& recordset = RequireRecordset(recTmp);
    ReadLong(recordset, "lngSongTaxisID", sttSong.lngSongTaxisID, NullRule::kRaise);
    ReadText(recordset, "strSongFile", sttSong.strSongFile, NullRule::kNeutral);
    ReadText(recordset, "strSongName", sttSong.strSongName, NullRule::kNeutral);
    ReadLong(recordset, "lngClickRate", sttSong.lngClickRate, NullRule::kRaise);
  });
}

bool Base::Taxis_Delete(std::int32_t lngSongTaxisID) {
  return StatementShapes(mBaseLink).ExecuteLink("DELETE FROM SongTaxis WHERE lngSongTaxisID=" +
                                                std::to_string(lngSongTaxisID));
}

bool Base::Taxis_Clear() {
  return StatementShapes(mBaseLink).ExecuteLink("DELETE FROM SongTaxis");
}

bool Base::Taxis_Build(const std::string& strBeginDate, const std::string& strEndDate) {
  // Groups the period's selections by file, joins each group to the library's songs of that
  // file and appends them most chosen first, so a smaller key is a higher place. Files the
  // library lacks drop out; a file two songs share appears twice.
  std::string sql = " INSERT INTO SongTaxis" + LF;
  sql += " SELECT Song.strSongName,ABC.strSongFile,ABC.lngClickRate" + LF;
  sql += " FROM (SELECT SelectSong.strSongFile, Count(selectsong.strSongFile) AS lngClickRate" + LF;
  sql += " FROM SelectSong" + LF;
  sql += " WHERE LEFT$(SelectSong.strDateTime,10)>=" + Str_Quote(DatePart(strBeginDate));
  sql += " AND LEFT$(SelectSong.strDateTime,10)<=" + Str_Quote(DatePart(strEndDate)) + LF;
  sql += " GROUP BY selectsong.strSongFile) ABC" + LF;
  sql += " INNER JOIN Song ON ABC.strSongFile = Song.strSignFile " + LF;
  sql += " Order By ABC.lngClickRate DESC";

  const dao::DatabasePtr database = mBaseLink ? mBaseLink->BaseDatabase() : dao::DatabasePtr();
  if (!database) {
    // A link that hands out no database: its own statements, as they come.
    if (!Taxis_Clear()) {
      return false;
    }
    return StatementShapes(mBaseLink).ExecuteLink(sql);
  }
  // Clearing and filling in one transaction that holds the ranking table: a reader sees the old
  // ranking or the new one, and builds on other PCs take turns, so each replaces the ranking
  // whole instead of adding to another's. A fill that fails leaves the ranking as this build's
  // clear left it (empty), rolling back only the fill.
  bool built = false;
  RunHoldingTable(database, "SongTaxis", [&] {
    built = false;
    if (!Taxis_Clear()) {
      return false;
    }
    dao::Transaction fill(database);
    built = StatementShapes(mBaseLink).ExecuteLink(sql);
    if (built) {
      fill.Commit();
    }
    return true;
  });
  return built;
}

void Base::Taxis_Browse() {
  SongTaxisStruct song;
  WalkHandlers walk;
  walk.mCopy = [&](const dao::RecordsetPtr& recordset) {
    return Taxis_Base2Struct(recordset, song);
  };
  walk.mUse = [&](std::int32_t row, std::int32_t count) {
    RaiseOnTaxisBrowse(song, BrowseRate(row, count));
  };
  IgnoreErrors([&] { StatementShapes(mBaseLink).Walk(kReadRanking, walk); });
}

std::string Base::Taxis_Text(std::int32_t lngLimitQuantity) {
  return Trapped(std::string(), [&] {
    std::string text;
    SongTaxisStruct song;
    WalkHandlers walk;
    walk.mReadRecordCount = false;
    walk.mStopBefore = [&](std::int32_t row) {
      return lngLimitQuantity != -1 && row >= lngLimitQuantity;
    };
    walk.mCopy = [&](const dao::RecordsetPtr& recordset) {
      return Taxis_Base2Struct(recordset, song);
    };
    walk.mUse = [&](std::int32_t, std::int32_t) {
      if (!text.empty()) {
        text += "\r\n";
      }
      text += File_TitleName(song.strSongFile);
    };
    StatementShapes(mBaseLink).Walk(kReadRanking, walk);
    return text;
  });
}

}  // namespace vod
