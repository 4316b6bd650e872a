#include "tools/ravelin/Table.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include <utf8cpp/utf8.h>

#include "tools/ravelin/Csv.h"

namespace ravelin_tool {

namespace {

// East Asian wide and fullwidth ranges: enough for CJK names in tables.
bool IsWide(uint32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
         (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
         (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1FAFF) ||
         (cp >= 0x20000 && cp <= 0x3FFFD);
}

std::string OneLine(std::string cell) {
  std::replace_if(
      cell.begin(), cell.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
  return cell;
}

std::string JsonString(const std::string& text) {
  std::string valid;
  utf8::replace_invalid(text.begin(), text.end(), std::back_inserter(valid), 0xFFFD);
  std::string out = "\"";
  for (char c : valid) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

}  // namespace

size_t Table::DisplayWidth(const std::string& utf8) {
  std::string valid;
  utf8::replace_invalid(utf8.begin(), utf8.end(), std::back_inserter(valid), '?');
  size_t width = 0;
  for (auto it = valid.begin(); it != valid.end();) {
    width += IsWide(utf8::next(it, valid.end())) ? 2 : 1;
  }
  return width;
}

void Table::Print(std::ostream& out, TableFormat format) const {
  const size_t columns = mHeader.size();
  auto cellOf = [](const std::vector<std::string>& row, size_t c) {
    return c < row.size() ? row[c] : std::string();
  };
  if (format == TableFormat::Csv) {
    auto printRow = [&](const std::vector<std::string>& row) {
      for (size_t c = 0; c < columns; ++c) {
        out << (c ? "," : "") << CsvField(cellOf(row, c));
      }
      out << "\r\n";
    };
    printRow(mHeader);
    for (const auto& row : mRows) {
      printRow(row);
    }
    return;
  }
  if (format == TableFormat::Json) {
    out << '[';
    for (size_t r = 0; r < mRows.size(); ++r) {
      out << (r ? ",\n  {" : "\n  {");
      for (size_t c = 0; c < columns; ++c) {
        out << (c ? ", " : "") << JsonString(mHeader[c]) << ": " << JsonString(cellOf(mRows[r], c));
      }
      out << '}';
    }
    out << (mRows.empty() ? "]\n" : "\n]\n");
    return;
  }
  if (format == TableFormat::Tsv) {
    auto printRow = [&](const std::vector<std::string>& row) {
      for (size_t c = 0; c < columns; ++c) {
        out << (c ? "\t" : "") << OneLine(c < row.size() ? row[c] : std::string());
      }
      out << '\n';
    };
    printRow(mHeader);
    for (const auto& row : mRows) {
      printRow(row);
    }
    return;
  }
  std::vector<size_t> widths(columns, 0);
  auto measure = [&](const std::vector<std::string>& row) {
    for (size_t c = 0; c < columns && c < row.size(); ++c) {
      widths[c] = std::max(widths[c], DisplayWidth(OneLine(row[c])));
    }
  };
  measure(mHeader);
  for (const auto& row : mRows) {
    measure(row);
  }
  auto printRow = [&](const std::vector<std::string>& row) {
    std::string line;
    for (size_t c = 0; c < columns; ++c) {
      const std::string cell = OneLine(c < row.size() ? row[c] : std::string());
      line += cell;
      if (c + 1 < columns) {
        line.append(widths[c] - DisplayWidth(cell) + 2, ' ');
      }
    }
    while (!line.empty() && line.back() == ' ') {
      line.pop_back();
    }
    out << line << '\n';
  };
  printRow(mHeader);
  std::vector<std::string> rule;
  for (size_t w : widths) {
    rule.emplace_back(w, '-');
  }
  printRow(rule);
  for (const auto& row : mRows) {
    printRow(row);
  }
}

TableFormat ParseTableFormat(const std::string& name) {
  if (name == "table") {
    return TableFormat::Aligned;
  }
  if (name == "tsv") {
    return TableFormat::Tsv;
  }
  if (name == "csv") {
    return TableFormat::Csv;
  }
  if (name == "json") {
    return TableFormat::Json;
  }
  throw std::invalid_argument("unknown format '" + name + "' (use table, tsv, csv or json)");
}

std::vector<std::string> TableFormatNames() {
  return {"table", "tsv", "csv", "json"};
}

}  // namespace ravelin_tool
