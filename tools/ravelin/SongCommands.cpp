// ravelin venue songs / select / ranking: the song library, the selection log
// and the song ranking, through the store class Base.
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "tools/ravelin/Commands.h"
#include "tools/ravelin/ProgressBar.h"
#include "tools/ravelin/SelectImport.h"
#include "tools/ravelin/SongImport.h"
#include "tools/ravelin/Table.h"
#include "tools/ravelin/ToolError.h"
#include "tools/ravelin/ToolFiles.h"
#include "tools/ravelin/Venue.h"
#include "tools/ravelin/VenueDates.h"

namespace ravelin_tool {

namespace {

struct DbArgs {
  std::string mDb;
  std::string mPassword;
};

void AddDbOptions(CLI::App* command, DbArgs& args) {
  command->add_option("DB", args.mDb, kVenueDatabaseHelp)->required();
  command->add_option("--password", args.mPassword, "Database password");
}

std::string ReadText(const std::string& path) {
  RequireFile(path);
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in.good() && !in.eof()) {
    throw ToolError(path + ": cannot read");
  }
  return text.str();
}

}  // namespace

void PrintRanking(const std::vector<vod::SongTaxisStruct>& ranking, long limit,
                  const std::string& format) {
  Table table({"Rank", "Song", "File", "Selections"});
  long rank = 0;
  for (const auto& song : ranking) {
    if (limit >= 0 && rank >= limit) {
      break;
    }
    ++rank;
    table.AddRow({std::to_string(rank), song.strSongName, song.strSongFile,
                  std::to_string(song.lngClickRate)});
  }
  table.Print(std::cout, ParseTableFormat(format));
}

void AddSongCommands(CLI::App* venue) {
  CLI::App* songs = venue->add_subcommand("songs", "The song library");
  songs->require_subcommand(1);
  auto import = songs->add_subcommand("import", "Append songs from a CSV file (name,file)");
  auto importArgs = std::make_shared<DbArgs>();
  auto csv = std::make_shared<std::string>();
  AddDbOptions(import, *importArgs);
  import->add_option("CSV", *csv, "CSV file: name and file columns, optional header")->required();
  import->callback([importArgs, csv] {
    // Parse first, so a malformed file changes nothing.
    const std::vector<SongRow> rows = ParseSongCsv(ReadText(*csv));
  Venue venue(importArgs->mDb, importArgs->mPassword);
  ProgressBar bar("import");
  ImportSongs(venue, rows, [&bar](long long done, long long total) { bar.SetCount(done, total); });
  bar.Finish();
  std::cout << "imported " << rows.size() << " songs; the library holds "
            << venue.Get().Song_Count() << '\n';
});

auto select = venue->add_subcommand("select", "Log the selection of a song in a room");
auto selectArgs = std::make_shared<DbArgs>();
auto selectRoom = std::make_shared<std::string>();
auto selectFile = std::make_shared<std::string>();
auto selectAt = std::make_shared<std::string>();
// DB, ROOM and FILE are checked by hand: "select import" takes its own arguments.
select->add_option("DB", selectArgs->mDb, "Venue database file");
select->add_option("--password", selectArgs->mPassword, "Database password");
select->add_option("ROOM", *selectRoom, "Room name");
select->add_option("FILE", *selectFile, "Song file");
select->add_option("--at", *selectAt, "When: YYYY-MM-DD HH:MM:SS (default: now)");
select->require_subcommand(0, 1);

auto selectImport = select->add_subcommand(
    "import", "Log a day's selections from a CSV file (datetime,room,file) in one go");
auto selectImportArgs = std::make_shared<DbArgs>();
auto selectCsv = std::make_shared<std::string>();
AddDbOptions(selectImport, *selectImportArgs);
selectImport
    ->add_option("CSV", *selectCsv,
                 "CSV file: date-time, room name and song file columns, optional header")
    ->required();
selectImport->callback([selectImportArgs, selectCsv] {
  // Parse and check every row first, so a bad row changes nothing.
  const std::vector<SelectionRow> rows = ParseSelectionCsv(ReadText(*selectCsv));
  Venue venue(selectImportArgs->mDb, selectImportArgs->mPassword);
  ProgressBar bar("select import");
  ImportSelections(venue, rows,
                   [&bar](long long done, long long total) { bar.SetCount(done, total); });
  bar.Finish();
  std::cout << "logged " << rows.size() << " selections; the log holds "
            << venue.Get().SelectSong_Count() << '\n';
});

select->callback([select, selectImport, selectArgs, selectRoom, selectFile, selectAt] {
  if (select->got_subcommand(selectImport)) {
    return;
  }
  if (selectArgs->mDb.empty() || selectRoom->empty() || selectFile->empty()) {
    throw ToolError("venue select needs DB ROOM FILE (or: venue select import DB CSV)");
  }
  const std::string at = selectAt->empty() ? NowDateTime() : *selectAt;
  RequireDateTime(at, "--at");
  Venue venue(selectArgs->mDb, selectArgs->mPassword);
  vod::SelectSongStruct selection;
  venue.Get().SelectSong_ClearStruct(selection);
  selection.lngRoomID = venue.RequireRoom(*selectRoom);
  selection.strDateTime = at;
  selection.strSongFile = *selectFile;
  if (!venue.Get().SelectSong_AddNew(selection)) {
    throw ToolError("the selection could not be stored");
  }
  std::cout << "logged " << *selectFile << " in room '" << *selectRoom << "' at " << at << '\n';
});

CLI::App* ranking = venue->add_subcommand("ranking", "The song ranking");
ranking->require_subcommand(1);
auto build = ranking->add_subcommand("build", "Build the ranking of the selections FROM..TO");
auto buildArgs = std::make_shared<DbArgs>();
auto from = std::make_shared<std::string>();
auto to = std::make_shared<std::string>();
AddDbOptions(build, *buildArgs);
build->add_option("FROM", *from, "First day, YYYY-MM-DD")->required();
build->add_option("TO", *to, "Last day, YYYY-MM-DD (included)")->required();
build->callback([buildArgs, from, to] {
  RequireDateRange(*from, *to);
  Venue venue(buildArgs->mDb, buildArgs->mPassword);
  if (!venue.Get().Taxis_Build(*from, *to)) {
    throw ToolError("the ranking could not be built");
  }
  const auto rows = venue.BrowseRanking("ranking");
  std::cout << "ranked " << rows.size() << " songs selected from " << *from << " to " << *to
            << '\n';
});

auto show = ranking->add_subcommand("show", "Show the ranking, most chosen first");
auto showArgs = std::make_shared<DbArgs>();
auto limit = std::make_shared<long>(-1);
auto format = std::make_shared<std::string>("table");
AddDbOptions(show, *showArgs);
show->add_option("--limit", *limit, "Show at most N songs")->check(CLI::NonNegativeNumber);
show->add_option("--format", *format, kFormatHelp)->check(CLI::IsMember(TableFormatNames()));
show->callback([showArgs, limit, format] {
  Venue venue(showArgs->mDb, showArgs->mPassword);
  PrintRanking(venue.BrowseRanking("ranking"), *limit, *format);
});
}  // namespace ravelin_tool

}  // namespace ravelin_tool
