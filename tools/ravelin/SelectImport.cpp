#include "tools/ravelin/SelectImport.h"

#include <unordered_map>

#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "tools/ravelin/Csv.h"
#include "tools/ravelin/ToolError.h"
#include "tools/ravelin/VenueDates.h"

namespace ravelin_tool {

namespace {

std::string LineText(long line) {
  return "line " + std::to_string(line);
}

bool IsHeader(const std::vector<std::string>& cells) {
  static const char* const kNames[] = {"datetime", "room", "file"};
  for (size_t i = 0; i < 3; ++i) {
    std::string lower = cells[i];
    for (char& c : lower) {
      if (c >= 'A' && c <= 'Z') {
        c = static_cast<char>(c - 'A' + 'a');
      }
    }
    if (lower != kNames[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<SelectionRow> ParseSelectionCsv(const std::string& text) {
  std::vector<SelectionRow> selections;
  const std::vector<CsvRow> rows = ParseCsv(text);
  for (size_t i = 0; i < rows.size(); ++i) {
    const CsvRow& row = rows[i];
    const std::vector<std::string>& cells = row.mCells;
    if (cells.size() != 3) {
      throw ToolError(LineText(row.mLine) + ": expected 3 columns (datetime,room,file), found " +
                      std::to_string(cells.size()));
    }
    if (i == 0 && IsHeader(cells)) {
      continue;
    }
    RequireDateTime(cells[0], LineText(row.mLine));
    if (cells[1].empty()) {
      throw ToolError(LineText(row.mLine) + ": empty room name");
    }
    if (cells[2].empty()) {
      throw ToolError(LineText(row.mLine) + ": empty song file");
    }
    selections.push_back({row.mLine, cells[0], cells[1], cells[2]});
  }
  return selections;
}

void ImportSelections(Venue& venue, const std::vector<SelectionRow>& rows,
                      const std::function<void(long long, long long)>& progress) {
  // A day's log names a handful of rooms many times over: each is looked up once.
  std::unordered_map<std::string, std::int32_t> roomIds;
  std::vector<std::int32_t> rowRooms;
  rowRooms.reserve(rows.size());
  for (const SelectionRow& row : rows) {
    auto [known, isNew] = roomIds.try_emplace(row.mRoom, 0);
    if (isNew) {
      known->second = venue.Get().Room_HaveInfo(row.mRoom);
    }
    if (known->second == 0) {
      throw ToolError(LineText(row.mLine) + ": unknown room '" + row.mRoom + "' in " +
                      venue.GetPath());
    }
    rowRooms.push_back(known->second);
  }

  dao::BaseLinkPtr link = venue.Get().GetBase();
  dao::DatabasePtr database = link ? link->BaseDatabase() : dao::DatabasePtr();
  if (!database) {
    throw ToolError(venue.GetPath() + ": the store has no open database");
  }
  // SelectSong_AddNew runs on the link's database, so this transaction holds every row.
  try {
    dao::Transaction transaction(database);
    const long long total = static_cast<long long>(rows.size());
    vod::SelectSongStruct selection;
    for (long long i = 0; i < total; ++i) {
      const SelectionRow& row = rows[static_cast<size_t>(i)];
      venue.Get().SelectSong_ClearStruct(selection);
      selection.lngRoomID = rowRooms[static_cast<size_t>(i)];
      selection.strDateTime = row.mDateTime;
      selection.strSongFile = row.mFile;
      if (!venue.Get().SelectSong_AddNew(selection)) {
        throw ToolError(LineText(row.mLine) +
                        ": the store refused the selection (nothing was logged)");
      }
      if (progress && (i % 256 == 0 || i + 1 == total)) {
        progress(i + 1, total);
      }
    }
    CommitChange(transaction, venue, "selections");
  } catch (const ToolError&) {
    throw;
  } catch (const std::exception& e) {
    throw ToolError(venue.GetPath() + ": selections not logged (nothing changed): " + e.what());
  }
}

}  // namespace ravelin_tool
