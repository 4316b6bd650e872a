// The generated venue both store benchmarks measure, whatever engine keeps it: 50,000 songs and
// 1,000,000 selections over the 365 days of 2023, appended in time order as a venue's log grows,
// most of them of a few popular songs, a tenth logged in lower case and one in a hundred of files
// the library lacks. The same seed gives the same venue on every run and every engine.
//
// Pure functions; any thread.
#pragma once

#include <functional>
#include <string>

namespace bench {

inline constexpr int kVenueSongs = 50'000;
inline constexpr int kVenueSelections = 1'000'000;
inline constexpr int kVenueDays = 365;
// The quarter whose ranking is measured.
inline constexpr const char* kQuarterBegin = "2023-04-01";
inline constexpr const char* kQuarterEnd = "2023-06-30";

// "S01234.MPG", the file of song `song`.
std::string VenueSongFile(int song);

// Hands the venue's rows to the caller, songs first: `song(name, file)` for each song, then
// `selection(dateTime, room, file)` for each selection in log order.
void GenerateVenue(
    const std::function<void(const std::string& name, const std::string& file)>& song,
    const std::function<void(const std::string& dateTime, int room, const std::string& file)>&
        selection);

}  // namespace bench
