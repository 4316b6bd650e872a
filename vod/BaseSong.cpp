// Default songs, the selection log and the song and singer counts of Base.
#include <string>

#include "platform/automation/Variant.h"
#include "vod/Base.h"
#include "vod/BaseMembers.h"
#include "vod/BaseShapes.h"
#include "vod/RecordCopy.h"
#include "vod/mdlStr.h"

namespace vod {

RAVELIN_BASE_MEMBER(23, DefaultSong_ClearStruct, "DefaultSong_ClearStruct", kMethod,
                    "sttDefaultSong");
RAVELIN_BASE_MEMBER(24, DefaultSong_Struct2Base, "DefaultSong_Struct2Base", kMethod,
                    "recTmp,sttDefaultSong");
RAVELIN_BASE_MEMBER(25, DefaultSong_Base2Struct, "DefaultSong_Base2Struct", kMethod,
                    "recTmp,sttDefaultSong");
RAVELIN_BASE_MEMBER(26, DefaultSong_AddNew, "DefaultSong_AddNew", kMethod, "sttDefaultSong");
RAVELIN_BASE_MEMBER(27, DefaultSong_GetAll, "DefaultSong_GetAll", kMethod, "");
RAVELIN_BASE_MEMBER(28, DefaultSong_Delete, "DefaultSong_Delete", kMethod, "lngDefaultSongID");
RAVELIN_BASE_MEMBER(29, DefaultSong_Clear, "DefaultSong_Clear", kMethod, "");
RAVELIN_BASE_MEMBER(30, Singer_Count, "Singer_Count", kMethod, "bytShow");
RAVELIN_BASE_MEMBER(31, Song_Count, "Song_Count", kMethod, "");
RAVELIN_BASE_MEMBER(32, SelectSong_ClearStruct, "SelectSong_ClearStruct", kMethod, "sttSelectSong");
RAVELIN_BASE_MEMBER(33, SelectSong_Struct2Base, "SelectSong_Struct2Base", kMethod,
                    "recTmp,sttSelectSong");
RAVELIN_BASE_MEMBER(34, SelectSong_Base2Struct, "SelectSong_Base2Struct", kMethod,
                    "recTmp,sttSelectSong");
RAVELIN_BASE_MEMBER(35, SelectSong_Clear, "SelectSong_Clear", kMethod, "");
RAVELIN_BASE_MEMBER(36, SelectSong_Count, "SelectSong_Count", kMethod, "");
RAVELIN_BASE_MEMBER(37, SelectSong_AddNew, "SelectSong_AddNew", kMethod, "sttSelectSong");
RAVELIN_BASE_MEMBER(38, SelectSong_ClearFrom, "SelectSong_ClearFrom", kMethod, "strDate");

namespace {

// The single lngCount of a COUNT(*) query; 0 when it returns no row. Raises on error.
std::int32_t CountRows(const dao::BaseLinkPtr& link, const std::string& sql) {
  RecordsetScope recordset = StatementShapes(link).OpenQuery(sql, dao::dbOpenSnapshot);
  if (recordset->IsEOF()) {
    return 0;
  }
  return recordset->GetField("lngCount").ToLong();
}

}  // namespace

// ---- Default songs ---------------------------------------------------------------------------

void Base::DefaultSong_ClearStruct(DefaultSongStruct& sttDefaultSong) {
  sttDefaultSong.lngDefaultSongID = 0;
  sttDefaultSong.strSongName.clear();
  sttDefaultSong.strFileName.clear();
}

bool Base::DefaultSong_Struct2Base(const dao::RecordsetPtr& recTmp,
                                   DefaultSongStruct& sttDefaultSong) {
  return CopySteps([&] {
    dao::Recordset& recordset = RequireRecordset(recTmp);
    ReadKey(recordset, "lngDefaultSongID", sttDefaultSong.lngDefaultSongID);
    WriteText(recordset, "strSongName", sttDefaultSong.strSongName);
    WriteText(recordset, "strFileName", sttDefaultSong.strFileName, TextCase::kUpper);
  });
}

bool Base::DefaultSong_Base2Struct(const dao::RecordsetPtr& recTmp,
                                   DefaultSongStruct& sttDefaultSong) {
  return CopySteps([&] {
    dao::Recordset& recordset = RequireRecordset(recTmp);
    ReadLong(recordset, "lngDefaultSongID", sttDefaultSong.lngDefaultSongID, NullRule::kRaise);
    ReadText(recordset, "strSongName", sttDefaultSong.strSongName, NullRule::kNeutral);
    ReadText(recordset, "strFileName", sttDefaultSong.strFileName, NullRule::kNeutral,
             TextCase::kUpper, true);
  });
}

std::int32_t Base::DefaultSong_AddNew(DefaultSongStruct& sttDefaultSong) {
  return Trapped(std::int32_t{0}, [&] {
    // The look-up and the new row in one transaction that holds the table: two PCs adding the
    // same song at once take turns, and the second finds the first one's row.
    std::int32_t key = 0;
    StatementShapes shapes(mBaseLink);
    RunHoldingTable(shapes.GetDatabase(), "DefaultSong", [&] {
      key = 0;
      // The file name is looked up as given: the column compares without regard to case, but
      // a name with surrounding spaces is a different name here although it is stored trimmed.
      RecordsetScope recordset = shapes.OpenQuery(
          "SELECT * FROM DefaultSong WHERE strFileName=" + Str_Quote(sttDefaultSong.strFileName),
          dao::dbOpenDynaset);
      if (recordset->IsEOF()) {
        recordset->AddNew();
        if (DefaultSong_Struct2Base(recordset.Get(), sttDefaultSong)) {
          recordset->Update();
          key = sttDefaultSong.lngDefaultSongID;
        }
        // A row whose copy failed is dropped when the scope closes the recordset.
      }
      return true;
    });
    return key;
  });
}

automation::CollectionPtr Base::DefaultSong_GetAll() {
  auto songs = automation::MakeObject<automation::Collection>();
  DefaultSongStruct song;
  WalkHandlers walk;
  walk.mCopy = [&](const dao::RecordsetPtr& recordset) {
    DefaultSong_ClearStruct(song);
    return DefaultSong_Base2Struct(recordset, song);
  };
  walk.mUse = [&](std::int32_t, std::int32_t) { songs->Add(automation::Variant(song)); };
  // A table that cannot be read leaves the collection empty; the caller gets it all the same.
  IgnoreErrors([&] { StatementShapes(mBaseLink).Walk("SELECT * FROM DefaultSong" + LF, walk); });
  return songs;
}

bool Base::DefaultSong_Delete(std::int32_t lngDefaultSongID) {
  bool deleted = false;
  IgnoreErrors([&] {
    deleted = StatementShapes(mBaseLink).ExecuteLink(
        "DELETE FROM DefaultSong WHERE lngDefaultSongID=" + std::to_string(lngDefaultSongID));
  });
  return deleted;
}

bool Base::DefaultSong_Clear() {
  bool cleared = false;
  IgnoreErrors(
      [&] { cleared = StatementShapes(mBaseLink).ExecuteLink("DELETE FROM DefaultSong"); });
  return cleared;
}

// ---- Counts ----------------------------------------------------------------------------------

std::int32_t Base::Singer_Count(std::uint8_t bytShow) {
  return Trapped(std::int32_t{0}, [&] {
    std::string sql = "SELECT COUNT(*) AS lngCount FROM Singer";
    // The argument is one more than the show flag it selects, leaving 0 for "all singers".
    if (bytShow == 1) {
      sql += " WHERE bytShow=0";
    } else if (bytShow == 2) {
      sql += " WHERE bytShow=1";
    }
    return CountRows(mBaseLink, sql);
  });
}

std::int32_t Base::Song_Count() {
  return Trapped(std::int32_t{0},
                 [&] { return CountRows(mBaseLink, "SELECT COUNT(*) AS lngCount FROM Song"); });
}

// ---- Selection log ---------------------------------------------------------------------------

void Base::SelectSong_ClearStruct(SelectSongStruct& sttSelectSong) {
  sttSelectSong.lngSelectSongID = 0;
  sttSelectSong.lngRoomID = 0;
  sttSelectSong.bytStatus = 0;
  sttSelectSong.strDateTime.clear();
  sttSelectSong.strSongFile.clear();
}

bool Base::SelectSong_Struct2Base(const dao::RecordsetPtr& recTmp,
                                  SelectSongStruct& sttSelectSong) {
  return CopySteps([&] {
    dao::Recordset& recordset = RequireRecordset(recTmp);
    ReadKey(recordset, "lngSelectSongID", sttSelectSong.lngSelectSongID);
    WriteText(recordset, "strSongFile", sttSelectSong.strSongFile, TextCase::kUpper);
    WriteText(recordset, "strDateTime", sttSelectSong.strDateTime);
    WriteLong(recordset, "lngRoomID", sttSelectSong.lngRoomID);
    WriteByte(recordset, "bytStatus", sttSelectSong.bytStatus);
  });
}

bool Base::SelectSong_Base2Struct(const dao::RecordsetPtr& recTmp,
                                  SelectSongStruct& sttSelectSong) {
  return CopySteps([&] {
    dao::Recordset& recordset = RequireRecordset(recTmp);
    ReadLong(recordset, "lngSelectSongID", sttSelectSong.lngSelectSongID, NullRule::kRaise);
    ReadText(recordset, "strSongFile", sttSelectSong.strSongFile, NullRule::kNeutral);
    ReadText(recordset, "strDateTime", sttSelectSong.strDateTime, NullRule::kNeutral);
    ReadLong(recordset, "lngRoomID", sttSelectSong.lngRoomID, NullRule::kRaise);
    ReadByte(recordset, "bytStatus", sttSelectSong.bytStatus, NullRule::kRaise);
  });
}

bool Base::SelectSong_Clear() {
  return StatementShapes(mBaseLink).ExecuteLink("DELETE FROM SelectSong");
}

std::int32_t Base::SelectSong_Count() {
  return Trapped(std::int32_t{0}, [&] {
    return CountRows(mBaseLink, "SELECT COUNT(*) AS lngCount FROM SelectSong");
  });
}

bool Base::SelectSong_AddNew(const SelectSongStruct& sttSelectSong) {
  return Trapped(false, [&] {
    // The host's values go in untouched: its own date text and file name as chosen in the
    // room. Only the quoting protects the statement.
    const std::string sql =
        std::string(" INSERT INTO SelectSong(strDateTime,lngRoomID,strSongFile,bytStatus)") +
        " VALUES(" + Str_Quote(sttSelectSong.strDateTime) + "," +
        std::to_string(sttSelectSong.lngRoomID) + "," + Str_Quote(sttSelectSong.strSongFile) + "," +
        std::to_string(static_cast<unsigned>(sttSelectSong.bytStatus)) + ")";
    return StatementShapes(mBaseLink).ExecuteLink(sql);
  });
}

bool Base::SelectSong_ClearFrom(const std::string& strDate) {
  bool cleared = false;
  IgnoreErrors([&] {
    cleared = StatementShapes(mBaseLink).ExecuteLink(
        "DELETE FROM SelectSong WHERE LEFT$(strDateTime,10)<" +
        Str_Quote(automation::TextLeft(strDate, 10)));
  });
  return cleared;
}

}  // namespace vod
