// Table: rows of text printed as an aligned table, as tab-separated values,
// as RFC 4180 CSV or as JSON.
//
// Aligned output pads each column to its widest cell, counting display
// columns (CJK and other wide characters take two), so tables of room and
// song names line up in a terminal. TSV output writes cells as they are, with
// tabs and line breaks inside a cell replaced by spaces so every row stays one
// line. CSV keeps every cell exactly (quoted where needed, CRLF line ends)
// under a header row. JSON is an array with one object per row, keyed by the
// header, every value a string; bytes that are not UTF-8 become U+FFFD so the
// output always parses. Value type; not thread-safe.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace ravelin_tool {

enum class TableFormat { Aligned, Tsv, Csv, Json };

class Table {
 public:
  explicit Table(std::vector<std::string> header) : mHeader(std::move(header)) {}

  void AddRow(std::vector<std::string> row) { mRows.push_back(std::move(row)); }
  size_t GetRowCount() const { return mRows.size(); }

  void Print(std::ostream& out, TableFormat format) const;

  // Display width of UTF-8 text in terminal columns.
  static size_t DisplayWidth(const std::string& utf8);

 private:
  std::vector<std::string> mHeader;
  std::vector<std::vector<std::string>> mRows;
};

// "table", "tsv", "csv" or "json" (as given to --format); throws
// std::invalid_argument.
TableFormat ParseTableFormat(const std::string& name);
// The names ParseTableFormat takes, for the command line's check.
std::vector<std::string> TableFormatNames();
inline constexpr const char* kFormatHelp = "Output: table (aligned), tsv, csv or json";

}  // namespace ravelin_tool
