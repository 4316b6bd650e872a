// ravelin demo: the main job a newcomer runs. It builds a small venue from
// scratch through the store class Base (songs, rooms, a backup, a year of
// selections, a quarter's ranking), converts a sample client configuration
// between its two forms, and saves and reloads a sample design, printing what
// it did and where the files are.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>

#include "platform/dao/BaseLink.h"
#include "tools/ravelin/Commands.h"
#include "tools/ravelin/ConfigOps.h"
#include "tools/ravelin/ProgressBar.h"
#include "tools/ravelin/SampleDesign.h"
#include "tools/ravelin/SongImport.h"
#include "tools/ravelin/ToolError.h"
#include "tools/ravelin/ToolFiles.h"
#include "tools/ravelin/Venue.h"
#include "vod/RavelinSchema.h"

namespace ravelin_tool {

namespace {

constexpr int kSongs = 2000;
constexpr int kRooms = 12;
constexpr int kSelections = 30000;

const char* const kDemoFiles[] = {
    "venue.db",   "venue.db-wal", "venue.db-shm",         "songs.csv",
    "client.ini", "client.qve",   "client-roundtrip.ini", "design.blk"};

std::string Join(const std::filesystem::path& dir, const char* name) {
  return (dir / name).string();
}

// A song library with a few hits: titles and file names made up from word
// lists, deterministic so every run ranks the same songs.
std::vector<SongRow> MakeSongs() {
  const char* first[] = {"Moon", "River", "Night", "Golden", "Silent", "Paper", "Neon", "Autumn"};
  const char* second[] = {"Song", "Road", "Dream", "Heart", "Rain", "Light", "Wind", "Tide"};
  std::vector<SongRow> songs;
  for (int i = 0; i < kSongs; ++i) {
    char file[32];
    std::snprintf(file, sizeof file, "K%05d.MPG", i + 1);
    songs.push_back(
        {std::string(first[i % 8]) + " " + second[(i / 8) % 8] + " " + std::to_string(i / 64 + 1),
         file});
  }
  return songs;
}

void RunVenue(const std::filesystem::path& dir) {
  const std::string db = Join(dir, "venue.db");
  vod::CreateRavelinDatabase(db);
  Venue venue(db, "");

  const std::vector<SongRow> songs = MakeSongs();
  std::string csv = "name,file\n";
  for (const auto& song : songs) {
    csv += song.mName + "," + song.mFile + "\n";
  }
  WriteFileAtomically(Join(dir, "songs.csv"), csv);
  {
    ProgressBar bar("songs     ");
    ImportSongs(venue, ParseSongCsv(csv), [&bar](long long d, long long t) { bar.SetCount(d, t); });
  }
  std::cout << "  imported " << venue.Get().Song_Count() << " songs from songs.csv\n";

  std::vector<std::int32_t> roomIds;
  for (int i = 1; i <= kRooms; ++i) {
    vod::RoomInfoStruct room;
    venue.Get().Room_ClearStruct(room);
    room.strRoomName = "Room " + std::to_string(100 + i);
    room.strRoomCode = "R" + std::to_string(100 + i);
    room.strRoomHost = "KTV-PLAYER-" + std::to_string(i);
    room.bytRoomStatus = static_cast<std::uint8_t>(i % 3 == 0 ? vod::rsReserve : vod::rsNormalUse);
    room.strFloor = i <= 6 ? "1F" : "2F";
    const std::int32_t id = venue.Get().Room_AddNewInfo(room);
    if (id == 0) {
      throw ToolError("room " + room.strRoomName + " could not be added");
    }
    roomIds.push_back(id);
  }
  if (!venue.Get().Room_CreateBackup("opening")) {
    throw ToolError("the room backup could not be made");
  }
  std::cout << "  added " << kRooms << " rooms and backed them up as 'opening'\n";

  // A year of selections; a geometric pick makes a few songs the hits.
  std::mt19937 random(20260101);
  std::geometric_distribution<int> pick(0.01);
  std::uniform_int_distribution<int> roomPick(0, kRooms - 1);
  const auto start = std::chrono::sys_days{std::chrono::year{2026} / 1 / 1};
  const auto began = std::chrono::steady_clock::now();
  {
    ProgressBar bar("selections");
    for (int i = 0; i < kSelections; ++i) {
      const auto day =
          std::chrono::year_month_day{start + std::chrono::days{i * 365 / kSelections}};
      char when[32];
      std::snprintf(when, sizeof when, "%04d-%02u-%02u %02d:%02d:00", int(day.year()),
                    unsigned(day.month()), unsigned(day.day()), 12 + i % 12, i % 60);
      vod::SelectSongStruct selection;
      venue.Get().SelectSong_ClearStruct(selection);
      selection.lngRoomID = roomIds[static_cast<size_t>(roomPick(random))];
      selection.strDateTime = when;
      selection.strSongFile = songs[static_cast<size_t>(pick(random) % kSongs)].mFile;
      if (!venue.Get().SelectSong_AddNew(selection)) {
        throw ToolError("a selection could not be stored");
      }
      bar.SetCount(i + 1, kSelections);
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  std::printf("  logged %d selections over 2026 (%.0f per second)\n",
              venue.Get().SelectSong_Count(), venue.Get().SelectSong_Count() / seconds);

  if (!venue.Get().Taxis_Build("2026-01-01", "2026-03-31")) {
    throw ToolError("the ranking could not be built");
  }
  const auto ranking = venue.BrowseRanking("ranking   ");
  std::cout << "  ranked " << ranking.size()
            << " songs selected in the first quarter; the top ten:\n\n";
  PrintRanking(ranking, 10, "table");
  std::cout << '\n';
}

void RunConfig(const std::filesystem::path& dir) {
  const std::string ini = Join(dir, "client.ini");
  WriteFileAtomically(ini,
                      "; sample client configuration\n"
                      "[Client]\npatch=libmanager.so\nlanguage=zh-CN\n"
                      "[Server]\nhost=ktv-server\nport=5530\n"
                      "[Display]\ntitle=\xe5\x8c\x85\xe5\x8e\xa2\xe7\x82\xb9\xe6\xad\x8c\n");
  const std::string packed = Join(dir, "client.qve");
  const std::string back = Join(dir, "client-roundtrip.ini");
  ConvertConfiguration(ini, packed);
  ConvertConfiguration(packed, back);
  if (RenderConfiguration(back) != RenderConfiguration(ini)) {
    throw ToolError("the configuration changed on its way through the packed form");
  }
  std::cout << "  converted client.ini to the packed client.qve (" +
                   std::to_string(std::filesystem::file_size(packed)) +
                   " bytes) and back to client-roundtrip.ini: same table\n";
}

void RunDesign(const std::filesystem::path& dir) {
  const std::string file = Join(dir, "design.blk");
  const DesignSummary saved = SaveSampleDesign(file);
  const DesignSummary reloaded = ReloadDesign(file);
  if (reloaded.mText != saved.mText) {
    throw ToolError(file + ": the reloaded design differs from the saved one");
  }
  std::cout << "  saved " << saved.mSetups << " setups and " << saved.mLinks
            << " data links to design.blk and reloaded them: identical text\n";
}

}  // namespace

void AddDemoCommand(CLI::App& app) {
  auto demo = app.add_subcommand("demo", "Build a sample venue, configuration and design");
  auto dir = std::make_shared<std::string>("venue-demo");
  demo->add_option("DIR", *dir, "Folder for the files (made if missing; demo files replaced)");
  demo->callback([dir] {
    const std::filesystem::path folder = std::filesystem::absolute(*dir);
    std::filesystem::create_directories(folder);
    for (const char* name : kDemoFiles) {
      std::filesystem::remove(folder / name);
    }
    const auto began = std::chrono::steady_clock::now();
    std::cout << "Venue (through the store class Base):\n";
    RunVenue(folder);
    std::cout << "Client configuration:\n";
    RunConfig(folder);
    std::cout << "Design:\n";
    RunDesign(folder);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("\nDone in %.1f s. Files are in %s\n", seconds, folder.string().c_str());
    // Name the executable as it can be run from here.
    std::error_code ec;
    std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (ec || self.empty()) {
      self = "ravelin";
    } else {
      const std::string relative = std::filesystem::proximate(self, ec).string();
      self = ec || relative.rfind("..", 0) == 0 ? self : relative;
    }
    std::cout << "Try: " << self << " venue rooms " << (folder / "venue.db").string() << "\n     "
              << self << " config show " << (folder / "client.qve").string() << "\n     " << self
              << " design show " << (folder / "design.blk").string() << '\n';
  });
}

}  // namespace ravelin_tool
