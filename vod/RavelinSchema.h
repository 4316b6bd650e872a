// The store's schema: the tables and indexes of the room and song store (the text of
// vod/schema.sql, compiled into the library), and the making of a new, empty store from it.
//
// Free functions; safe from any thread (each call opens its own connection).
#pragma once

#include <string>
#include <string_view>

#include "vod/RavelinVodExport.h"

namespace vod {

// The statements that make the store's tables and indexes, in SQLite's dialect; a server
// database gets them translated into its own.
RAVELIN_VOD_EXPORT std::string_view GetRavelinSchemaSql();

// Makes a new store: a database file at `path`, or the tables in the (empty) server database a
// connection string names. Raises automation::AutomationError: 3204 when the file exists or the
// server database holds tables already. An empty password makes a file that opens with any
// password; for a server the password is the login's.
RAVELIN_VOD_EXPORT void CreateRavelinDatabase(const std::string& path,
                                              const std::string& password = {});

}  // namespace vod
