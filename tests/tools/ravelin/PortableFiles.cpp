#include "tests/tools/ravelin/PortableFiles.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "platform/dao/Database.h"
#include "tools/ravelin/ConfigOps.h"
#include "tools/ravelin/SampleDesign.h"
#include "tools/ravelin/SongImport.h"
#include "tools/ravelin/Venue.h"

namespace ravelin_tool_test {
namespace {

struct PortableRoom {
  const char* mName;
  const char* mCode;
  const char* mHost;
};

// Names with letters outside ASCII and in different cases, since case-blind
// matching is part of what the store does with them.
const PortableRoom kRooms[] = {
    {"\xe5\x8c\x85\xe5\x8e\xa2 A", "A1", "PC-1"},
    {"Zi\xc3\xb3\xc5\x82ko", "B2", "pc-2"},
    {"O'Hara's", "C3", "PC-3"},
};

}  // namespace

void MakePortableVenue(const std::string& path) {
  dao::CreateRavelinDatabase(path, kPortablePassword);
  ravelin_tool::Venue venue(path, kPortablePassword);
  vod::Base& base = venue.Get();

  std::vector<std::int32_t> roomIds;
  for (const PortableRoom& room : kRooms) {
    vod::RoomInfoStruct info;
    base.Room_ClearStruct(info);
    info.strRoomName = room.mName;
    info.strRoomCode = room.mCode;
    info.strRoomHost = room.mHost;
    const std::int32_t id = base.Room_AddNewInfo(info);
    if (id == 0) {
      throw std::runtime_error(std::string("room not added: ") + room.mName);
    }
    roomIds.push_back(id);
  }

  std::vector<ravelin_tool::SongRow> songs;
  for (int i = 0; i < 12; ++i) {
    char name[64];
    char file[64];
    std::snprintf(name, sizeof name, "Song %02d \xc3\xa9t\xc3\xa9", i);
    std::snprintf(file, sizeof file, "SONG%02d.MPG", i);
    songs.push_back({name, file});
  }
  ravelin_tool::ImportSongs(venue, songs, [](long long, long long) {});

  // Song i is chosen (i * 7) % 11 times spread over the month's days and the
  // rooms, with ties among the counts, in times of day that cross noon.
  for (int i = 0; i < 12; ++i) {
    const int times = (i * 7) % 11;
    for (int n = 0; n < times; ++n) {
      char at[32];
      std::snprintf(at, sizeof at, "2026-03-%02d %02d:%02d:00", 1 + (i + 3 * n) % 31,
                    (5 * n + i) % 24, (11 * n) % 60);
      vod::SelectSongStruct selection;
      base.SelectSong_ClearStruct(selection);
      selection.lngRoomID = roomIds[static_cast<std::size_t>(n) % roomIds.size()];
      selection.strDateTime = at;
      selection.strSongFile = songs[static_cast<std::size_t>(i)].mFile;
      if (!base.SelectSong_AddNew(selection)) {
        throw std::runtime_error("selection not stored");
      }
    }
  }
  if (!base.Taxis_Build("2026-03-01", "2026-03-15")) {
    throw std::runtime_error("ranking not built");
  }
}

void MakePortableFiles(const std::string& folder, const std::string& iniSource) {
  const std::filesystem::path dir(folder);
  MakePortableVenue((dir / kPortableVenue).string());
  ravelin_tool::ConvertConfiguration(iniSource, (dir / kPortableConfiguration).string());
  ravelin_tool::SaveSampleDesign((dir / kPortableDesign).string());
}

}  // namespace ravelin_tool_test
