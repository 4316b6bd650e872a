#include "tools/ravelin/SongImport.h"

#include "platform/dao/BaseLink.h"
#include "platform/dao/Database.h"
#include "tools/ravelin/ToolError.h"
#include "vod/mdlStr.h"

namespace ravelin_tool {

namespace {

bool IsBlankRow(const std::vector<std::string>& row) {
  return row.size() == 1 && row[0].find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

std::vector<SongRow> ParseSongCsv(const std::string& text) {
  std::vector<SongRow> songs;
  std::vector<std::string> row;
  std::string cell;
  bool quoted = false;
  long line = 1;
  long rowLine = 1;
  auto endRow = [&] {
    row.push_back(std::move(cell));
    cell.clear();
    if (!IsBlankRow(row)) {
      if (row.size() < 2) {
        throw ToolError("line " + std::to_string(rowLine) + ": expected name,file");
      }
      const bool header = songs.empty() && row[0] == "name" && row[1] == "file";
      if (!header) {
        if (row[1].empty()) {
          throw ToolError("line " + std::to_string(rowLine) + ": empty file name");
        }
        songs.push_back({row[0], row[1]});
      }
    }
    row.clear();
    rowLine = line;
  };
  size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (size_t i = start; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          cell += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        if (c == '\n') {
          ++line;
        }
        cell += c;
      }
    } else if (c == '"' && cell.empty()) {
      quoted = true;
    } else if (c == ',') {
      row.push_back(std::move(cell));
      cell.clear();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      }
      ++line;
      endRow();
    } else {
      cell += c;
    }
  }
  if (quoted) {
    throw ToolError("line " + std::to_string(rowLine) + ": unclosed quote");
  }
  if (!cell.empty() || !row.empty()) {
    endRow();
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
    transaction.Commit();
  } catch (const std::exception& e) {
    throw ToolError(venue.GetPath() + ": songs not imported (nothing changed): " + e.what());
  }
}

}  // namespace ravelin_tool
