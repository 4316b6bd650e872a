// Venue: a store object (vod::Base) opened on a venue database for one
// command of the ravelin tool, with event sinks that collect walked rows and
// feed a progress bar.
//
// Every venue command goes through Base, opened with InitInterface, so the
// tool behaves exactly like a host of the store. Owns its Base reference;
// not thread-safe (Base objects belong to the thread that made them).
#pragma once

#include <string>
#include <vector>

#include "platform/dao/Database.h"
#include "vod/Base.h"

namespace ravelin_tool {

// A venue database as messages name it: the path, or a connection string with any password in
// it masked.
std::string ShownDatabase(const std::string& database);

// Help text of the DB argument of the venue commands.
inline constexpr const char* kVenueDatabaseHelp =
    "Venue database: a file path, or a PostgreSQL connection string "
    "(postgresql://user@host:5432/venue or \"host=... dbname=... user=...\"); the password "
    "goes to the server, or comes from PGPASSWORD or ~/.pgpass";

class Venue {
 public:
  // Throws ToolError when the file is missing or the store cannot open it
  // (wrong password, not a venue database, server unreachable).
  Venue(const std::string& path, const std::string& password);
  ~Venue();
  Venue(const Venue&) = delete;
  Venue& operator=(const Venue&) = delete;

  vod::Base& Get() { return *mBase.operator->(); }
  // The database as messages name it (ShownDatabase).
  const std::string& GetPath() const { return mPath; }

  // Walks the rooms of the search with Room_BrowseInfo; the progress bar
  // follows the event's rate.
  std::vector<vod::RoomInfoStruct> BrowseRooms(vod::RoomSearchModes mode,
                                               const automation::Variant& data,
                                               const std::string& progressLabel);
  // Walks the ranking with Taxis_Browse, likewise.
  std::vector<vod::SongTaxisStruct> BrowseRanking(const std::string& progressLabel);

  // The room of that name (case ignored), or ToolError naming it.
  std::int32_t RequireRoom(const std::string& name);

 private:
  std::string mPath;
  vod::BasePtr mBase;
};

// Commits a change of the venue; a connection lost while committing becomes a ToolError that
// says whether the `what` (plural: "songs") were stored is unknown, not that nothing changed.
void CommitChange(dao::Transaction& transaction, const Venue& venue, const std::string& what);

// Prints the first `limit` ranking rows (all for a negative limit) as a table.
void PrintRanking(const std::vector<vod::SongTaxisStruct>& ranking, long limit,
                  const std::string& format);

// Captions of the room statuses, indexed by status value, as the store lists
// them.
std::vector<std::string> RoomStatusCaptions(vod::Base& base);

}  // namespace ravelin_tool
