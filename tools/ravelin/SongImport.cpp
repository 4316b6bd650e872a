#include "tools/ravelin/SongImport.h"

#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "tools/ravelin/Csv.h"
#include "tools/ravelin/ToolError.h"
#include "vod/mdlStr.h"

namespace ravelin_tool {

std::vector<SongRow> ParseSongCsv(const std::string& text) {
  std::vector<SongRow> songs;
  const std::vector<CsvRow> rows = ParseCsv(text);
  for (const CsvRow& row : rows) {
    const std::vector<std::string>& cells = row.mCells;
    if (cells.size() < 2) {
      throw ToolError("line " + std::to_string(row.mLine) + ": expected name,file");
    }
    const bool header = songs.empty() && cells[0] == "name" && cells[1] == "file";
    if (header) {
      continue;
    }
    if (cells[1].empty()) {
      throw ToolError("line " + std::to_string(row.mLine) + ": empty file name");
    }
    songs.push_back({cells[0], cells[1]});
  }
  return songs;
}

void ImportSongs(Venue& venue, const std::vector<SongRow>& songs,
                 const std::function<void(long long, long long)>& progress) {
  dao::BaseLinkPtr link = venue.Get().GetBase();
  dao::DatabasePtr database = link ? link->BaseDatabase() : dao::DatabasePtr();
  if (!database) {
    throw ToolError(venue.GetPath() + ": the store has no open database");
  }
  try {
    dao::Transaction transaction(database);
    const long long total = static_cast<long long>(songs.size());
    for (long long i = 0; i < total; ++i) {
      const SongRow& song = songs[static_cast<size_t>(i)];
      database->Execute("INSERT INTO Song (strSongName, strSignFile) VALUES (" +
                        vod::Str_Quote(automation::Variant(song.mName)) + ", " +
                        vod::Str_Quote(automation::Variant(song.mFile)) + ")");
      if (progress && (i % 256 == 0 || i + 1 == total)) {
        progress(i + 1, total);
      }
    }
    CommitChange(transaction, venue, "songs");
  } catch (const ToolError&) {
    throw;
  } catch (const std::exception& e) {
    throw ToolError(venue.GetPath() + ": songs not imported (nothing changed): " + e.what());
  }
}

}  // namespace ravelin_tool
