#include "tools/ravelin/Csv.h"

#include "tools/ravelin/ToolError.h"

namespace ravelin_tool {

namespace {

bool IsBlankRow(const std::vector<std::string>& cells) {
  return cells.size() == 1 && cells[0].find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

std::vector<CsvRow> ParseCsv(const std::string& text) {
  std::vector<CsvRow> rows;
  CsvRow row;
  std::string cell;
  bool quoted = false;
  bool wasQuoted = false;  // the cell so far came from a quoted field
  long line = 1;
  row.mLine = 1;
  auto endCell = [&] {
    row.mCells.push_back(std::move(cell));
    cell.clear();
    wasQuoted = false;
  };
  auto endRow = [&] {
    const bool quotedEmpty = wasQuoted;
    endCell();
    if (!IsBlankRow(row.mCells) || quotedEmpty) {
      rows.push_back(std::move(row));
    }
    row = CsvRow();
    row.mLine = line;
  };
  const size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (size_t i = start; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          cell += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
          ++line;
        }
        cell += c;
      }
    } else if (c == '"' && cell.empty() && !wasQuoted) {
      quoted = true;
      wasQuoted = true;
    } else if (c == ',') {
      endCell();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      }
      ++line;
      endRow();
    } else {
      cell += c;
    }
  }
  if (quoted) {
    throw ToolError("line " + std::to_string(row.mLine) + ": unclosed quote");
  }
  if (!cell.empty() || !row.mCells.empty() || wasQuoted) {
    endRow();
  }
  return rows;
}

std::string CsvField(const std::string& cell) {
  const bool needsQuotes = cell.find_first_of(",\"\r\n") != std::string::npos ||
                           (!cell.empty() && (cell.front() == ' ' || cell.back() == ' '));
  if (!needsQuotes) {
    return cell;
  }
  std::string out = "\"";
  for (char c : cell) {
    if (c == '"') {
      out += '"';
    }
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace ravelin_tool
