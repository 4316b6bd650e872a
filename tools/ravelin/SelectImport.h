// Selection log import for the ravelin tool: reads a day's selections from
// the room players as CSV (date-time, room name and song file, an optional
// header row "datetime,room,file") and logs them through the store's
// SelectSong_AddNew in one transaction, so an import lands whole or not at
// all.
//
// Every row is checked before anything is stored: the column count, the
// date-time form and the room. Rooms are looked up once per distinct name.
// Not thread-safe: runs on the thread that owns the Venue.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/ravelin/Venue.h"

namespace ravelin_tool {

struct SelectionRow {
  long mLine = 0;
  std::string mDateTime;
  std::string mRoom;
  std::string mFile;
};

// Parses CSV text; throws ToolError naming the line of a malformed row (an
// unclosed quote, a column count other than three, a date-time not of the
// form YYYY-MM-DD HH:MM:SS, an empty room or file).
std::vector<SelectionRow> ParseSelectionCsv(const std::string& text);

// Resolves the rooms, then logs every row; `progress` is told (done, total)
// as rows go in. Throws ToolError naming the line of an unknown room, or of
// a row the store refused; nothing is stored then.
void ImportSelections(Venue& venue, const std::vector<SelectionRow>& rows,
                      const std::function<void(long long, long long)>& progress);

}  // namespace ravelin_tool
