#include "bench/vod/BenchVenue.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <random>

namespace bench {
namespace {

std::string DateOfDay(int day) {
  using namespace std::chrono;
  const year_month_day date{sys_days{year{2023} / January / 1} + days{day}};
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

}  // namespace

std::string VenueSongFile(int song) {
  char text[24];
  std::snprintf(text, sizeof text, "S%05d.MPG", song);
  return text;
}

void GenerateVenue(
    const std::function<void(const std::string& name, const std::string& file)>& song,
    const std::function<void(const std::string& dateTime, int room, const std::string& file)>&
        selection) {
  for (int i = 0; i < kVenueSongs; ++i) {
    song("Song " + std::to_string(i), VenueSongFile(i));
  }
  std::mt19937 random(20231231);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_int_distribution<int> room(1, 60);
  std::uniform_int_distribution<int> second(0, 86399);
  for (int i = 0; i < kVenueSelections; ++i) {
    const int day = static_cast<int>(static_cast<long long>(i) * kVenueDays / kVenueSelections);
    char when[32];
    const int s = second(random);
    std::snprintf(when, sizeof when, "%s %02d:%02d:%02d", DateOfDay(day).c_str(), s / 3600,
                  s / 60 % 60, s % 60);
    // Cubed: a few songs are chosen most of the time.
    const double u = unit(random);
    std::string file = u < 0.01
                           ? "GONE" + std::to_string(i % 500) + ".MPG"
                           : VenueSongFile(static_cast<int>(kVenueSongs * u * u * u) % kVenueSongs);
    if (i % 10 == 0) {
      for (char& c : file) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      }
    }
    selection(when, room(random), file);
  }
}

}  // namespace bench
