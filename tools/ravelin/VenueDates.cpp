#include "tools/ravelin/VenueDates.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <regex>

#include "tools/ravelin/ToolError.h"

namespace ravelin_tool {

namespace {

bool IsCalendarDate(int year, int month, int day) {
  using namespace std::chrono;
  return year_month_day{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                        std::chrono::day{static_cast<unsigned>(day)}}
      .ok();
}

}  // namespace

void RequireDate(const std::string& date, const std::string& what) {
  static const std::regex form(R"((\d{4})-(\d{2})-(\d{2}))");
  std::smatch m;
  if (!std::regex_match(date, m, form) ||
      !IsCalendarDate(std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]))) {
    throw ToolError(what + ": '" + date + "' is not a date of the form YYYY-MM-DD");
  }
}

void RequireDateTime(const std::string& dateTime, const std::string& what) {
  static const std::regex form(R"((\d{4}-\d{2}-\d{2})( ([01]\d|2[0-3]):[0-5]\d:[0-5]\d)?)");
  std::smatch m;
  if (!std::regex_match(dateTime, m, form)) {
    throw ToolError(what + ": '" + dateTime + "' is not of the form YYYY-MM-DD HH:MM:SS");
  }
  RequireDate(m[1], what);
}

void RequireDateRange(const std::string& from, const std::string& to) {
  RequireDate(from, "FROM");
  RequireDate(to, "TO");
  if (from > to) {
    throw ToolError("the period is reversed: FROM " + from + " is after TO " + to);
  }
}

std::string NowDateTime() {
  const std::time_t now = std::time(nullptr);
  // std::localtime rather than POSIX's localtime_r, which Windows lacks; its
  // shared result is safe here because the tool reads the clock on one thread.
  const std::tm* local = std::localtime(&now);
  if (local == nullptr) {
    throw ToolError("the local time is not available");
  }
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
  return text;
}

}  // namespace ravelin_tool
