// Table: rows of text printed as an aligned table or as tab-separated values.
//
// Aligned output pads each column to its widest cell, counting display
// columns (CJK and other wide characters take two), so tables of room and
// song names line up in a terminal. TSV output writes cells as they are, with
// tabs and line breaks inside a cell replaced by spaces so every row stays one
// line. Value type; not thread-safe.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace ravelin_tool {

enum class TableFormat { Aligned, Tsv };

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

// "table" or "tsv" (as given to --format); throws std::invalid_argument.
TableFormat ParseTableFormat(const std::string& name);

}  // namespace ravelin_tool
