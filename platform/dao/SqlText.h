// Internal to the dao library: the small text helpers the Jet translator and the recordsets
// both need when they write SQLite statements. Not installed. Pure functions; any thread.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>

namespace dao {

// ASCII upper case, for keywords, type names and column names, which the engine compares
// without regard to ASCII case only.
inline std::string AsciiUpper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// A table or column name between double quotes, an embedded quote doubled.
inline std::string QuoteName(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') {
      quoted += '"';
    }
  }
  return quoted + "\"";
}

}  // namespace dao
