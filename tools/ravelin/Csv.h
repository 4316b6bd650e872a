// Csv: RFC 4180 text as the ravelin tool reads and writes it.
//
// Reading takes UTF-8 with or without a byte-order mark, CRLF or LF (or lone
// CR) line ends, and fields in double quotes that may hold commas, doubled
// quotes and line breaks; a backslash is an ordinary character, so file names
// such as D:\MUSIC\A.MPG come through as they are. Rows with nothing but
// blanks are skipped. Writing quotes a field only when it needs it.
// Plain functions; safe from any thread.
#pragma once

#include <string>
#include <vector>

namespace ravelin_tool {

struct CsvRow {
  long mLine = 0;  // line of the file on which the row begins, from 1
  std::vector<std::string> mCells;
};

// The rows of the text; throws ToolError "line N: unclosed quote" for a
// quoted field that never ends.
std::vector<CsvRow> ParseCsv(const std::string& text);

// One field for a CSV line: as it is, or in double quotes (with quotes
// doubled) when it holds a comma, a quote, a line break or edge spaces.
std::string CsvField(const std::string& cell);

}  // namespace ravelin_tool
