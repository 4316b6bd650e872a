// The files that must read the same on every platform the libraries build
// for: a venue database, a packed client configuration and a design file,
// each made here by the same steps wherever it runs. The committed copies in
// tests/data/portable/<platform>/ were made by MakePortableFiles on that
// platform (tests/tools/ravelin/MakePortableFiles.cpp); PortableFilesTest
// reads every platform's copies against ones made afresh.
//
// Single-threaded: each call owns the store objects it opens.
#pragma once

#include <string>

namespace ravelin_tool_test {

// The venue database's password; not ASCII, so that the way the password
// reaches the hash is part of what must agree.
inline constexpr const char* kPortablePassword =
    "p\xc3\xa4ss-\xc5\x82\xc3\xb3"
    "d\xc5\xba";

// The names of the three files in a fixture folder.
inline constexpr const char* kPortableVenue = "venue.db";
inline constexpr const char* kPortableConfiguration = "client.qve";
inline constexpr const char* kPortableDesign = "design.txt";

// Makes a venue database at `path`: rooms, a song library and a month of
// selections whose ranking is built for its first half.
void MakePortableVenue(const std::string& path);

// Writes the three files into `folder` (which must exist). The configuration
// is `iniSource` converted to the packed form.
void MakePortableFiles(const std::string& folder, const std::string& iniSource);

}  // namespace ravelin_tool_test
