// Song library import for the ravelin tool: reads a CSV file of songs (name
// and file columns, RFC 4180 quoting, an optional header row) and appends
// them to the venue's Song table through the store's own connection, in one
// transaction, so an import either lands whole or not at all.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/ravelin/Venue.h"

namespace ravelin_tool {

struct SongRow {
  std::string mName;
  std::string mFile;
};

// Parses CSV text; throws ToolError naming the line of a malformed row (an
// unclosed quote, fewer than two columns, an empty file name).
std::vector<SongRow> ParseSongCsv(const std::string& text);

// Appends the songs; `progress` is told (done, total) as rows go in.
void ImportSongs(Venue& venue, const std::vector<SongRow>& songs,
                 const std::function<void(long long, long long)>& progress);

}  // namespace ravelin_tool
