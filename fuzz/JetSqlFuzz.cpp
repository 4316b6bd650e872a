// Fuzzes the Jet statement translator two ways.
//
// 1. The whole input as a statement: the translator may refuse it
//    (JetSqlError) but must not fail any other way.
// 2. The store's own statements, built from their fixed pieces with fuzzed
//    caller values put in through the store's quoting. The first byte picks
//    the statement, the rest is split at 0x1F into its values. Each statement
//    is also built with plain placeholder values; both are translated and
//    must give the same text outside the quoted literals, with each
//    placeholder's literal holding exactly the caller's value. So no value can
//    end its literal early, add a clause, or turn into a comment.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/automation/Variant.h"
#include "platform/dao/JetSql.h"
#include "vod/mdlStr.h"

namespace {

const std::string LF = "\n";

struct Statement {
  int valueCount;
  // The statement uses only the first ten characters of each value.
  bool firstTenOnly;
  // The statement's text holds the length of its one value.
  bool lengthInText;
  std::string (*build)(const std::vector<std::string>& v);
};

std::string Q(const std::string& value) {
  return vod::Str_Quote(automation::Variant(value));
}

std::string First10(const std::string& value) {
  return value.substr(0, 10);
}

const char* const kBackupColumns[] = {"strBackupName", "bytRoomStatus", "strFloor",  "strMac",
                                      "strRoomCode",   "strRoomHost",   "strRoomIP", "strRoomName"};

const Statement kStatements[] = {
    {2, false, false,
     [](const std::vector<std::string>& v) {
       return "SELECT * FROM Room WHERE strRoomName=" + Q(v[0]) + " OR strRoomHost=" + Q(v[1]);
     }},
    {2, false, false,
     [](const std::vector<std::string>& v) {
       return "SELECT lngRoomID FROM Room WHERE strRoomName=" + Q(v[0]) +
              " OR strRoomHost=" + Q(v[1]);
     }},
    {1, false, false,
     [](const std::vector<std::string>& v) {
       return "SELECT lngRoomID FROM Room WHERE UCASE(strRoomName)=" + Q(v[0]);
     }},
    {1, false, true,
     [](const std::vector<std::string>& v) {
       return "SELECT * FROM Room" + LF + " WHERE LEFT$(Room.strRoomName," +
              std::to_string(v[0].size()) + ")=" + Q(v[0]);
     }},
    {1, false, true,
     [](const std::vector<std::string>& v) {
       return "SELECT * FROM Room" + LF + " WHERE LEFT$(Room.strRoomCode," +
              std::to_string(v[0].size()) + ")=" + Q(v[0]);
     }},
    {1, false, true,
     [](const std::vector<std::string>& v) {
       return "SELECT * FROM Room" + LF + " WHERE LEFT$(Room.strRoomHost," +
              std::to_string(v[0].size()) + ")=" + Q(v[0]);
     }},
    {1, false, false,
     [](const std::vector<std::string>& v) {
       return "INSERT INTO RoomBackup SELECT " + Q(v[0]) + " AS strBackupName, " +
              "strRoomName, strRoomHost, strRoomCode, bytRoomStatus, strRoomIP, strMac," +
              " strFloor From Room ";
     }},
    {1, false, false,
     [](const std::vector<std::string>& v) {
       return "SELECT lngBackupID FROM RoomBackup WHERE UCASE(strBackupName)=" + Q(v[0]);
     }},
    {1, false, false,
     [](const std::vector<std::string>& v) {
       return std::string("INSERT INTO Room SELECT  ") +
              "strRoomName, strRoomHost, strRoomCode, bytRoomStatus, strRoomIP, strMac," +
              " strFloor From RoomBackup WHERE strBackupName=" + Q(v[0]);
     }},
    {1, false, false,
     [](const std::vector<std::string>& v) {
       return "DELETE FROM RoomBackup WHERE strBackupName=" + Q(v[0]);
     }},
    {1, false, false,
     [](const std::vector<std::string>& v) {
       return "SELECT * FROM DefaultSong WHERE strFileName=" + Q(v[0]);
     }},
    {2, false, false,
     [](const std::vector<std::string>& v) {
       return std::string(" INSERT INTO SelectSong(strDateTime,lngRoomID,strSongFile,bytStatus)") +
              " VALUES(" + Q(v[0]) + ",7," + Q(v[1]) + ",1)";
     }},
    {1, true, false,
     [](const std::vector<std::string>& v) {
       return "DELETE FROM SelectSong WHERE LEFT$(strDateTime,10)<" + Q(First10(v[0]));
     }},
    {2, true, false,
     [](const std::vector<std::string>& v) {
       return " INSERT INTO SongTaxis" + LF +
              " SELECT Song.strSongName,ABC.strSongFile,ABC.lngClickRate" + LF +
              " FROM (SELECT SelectSong.strSongFile, Count(selectsong.strSongFile) AS "
              "lngClickRate" +
              LF + " FROM SelectSong" + LF +
              " WHERE LEFT$(SelectSong.strDateTime,10)>=" + Q(First10(v[0])) +
              " AND LEFT$(SelectSong.strDateTime,10)<=" + Q(First10(v[1])) + LF +
              " GROUP BY selectsong.strSongFile) ABC" + LF +
              " INNER JOIN Song ON ABC.strSongFile = Song.strSignFile " + LF +
              " Order By ABC.lngClickRate DESC";
     }},
};

// The translated text split into what lies outside single-quoted literals
// (each literal replaced by one marker byte) and the literals' contents.
struct Shape {
  std::string skeleton;
  std::vector<std::string> literals;
};

bool SplitLiterals(const std::string& sql, Shape& shape) {
  for (std::size_t i = 0; i < sql.size(); ++i) {
    if (sql[i] != '\'') {
      shape.skeleton += sql[i];
      continue;
    }
    std::string literal;
    for (++i;; ++i) {
      if (i >= sql.size()) {
        return false;  // unclosed literal
      }
      if (sql[i] == '\'') {
        if (i + 1 < sql.size() && sql[i + 1] == '\'') {
          literal += '\'';
          ++i;
          continue;
        }
        break;
      }
      literal += sql[i];
    }
    shape.skeleton += '\x01';
    shape.literals.push_back(std::move(literal));
  }
  return true;
}

dao::JetSqlOptions Options() {
  dao::JetSqlOptions options;
  options.selectColumns = [](const std::string& selectSql) {
    if (selectSql.find("strBackupName") != std::string::npos) {
      return std::vector<std::string>(std::begin(kBackupColumns), std::end(kBackupColumns));
    }
    if (selectSql.find("lngClickRate") != std::string::npos) {
      return std::vector<std::string>{"strSongName", "strSongFile", "lngClickRate"};
    }
    return std::vector<std::string>{"strRoomName", "strRoomHost", "strRoomCode", "bytRoomStatus",
                                    "strRoomIP",   "strMac",      "strFloor"};
  };
  return options;
}

bool Translate(const std::string& jet, std::string& sql) {
  try {
    sql = dao::TranslateJetSql(jet, Options()).sql;
    return true;
  } catch (const dao::JetSqlError&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::string ignored;
  Translate(input, ignored);
  // The server's dialect takes the same text: it translates or refuses, and never crashes.
  try {
    dao::JetSqlOptions server = Options();
    server.dialect = dao::JetSqlDialect::kPostgres;
    server.isTextColumn = [](const std::string& column) { return column.rfind("str", 0) == 0; };
    server.keyColumn = [](const std::string& table) { return "lng" + table + "ID"; };
    dao::TranslateJetSql(input, server);
  } catch (const dao::JetSqlError&) {
  }

  if (size == 0) {
    return 0;
  }
  const Statement& statement = kStatements[data[0] % std::size(kStatements)];
  std::vector<std::string> values;
  std::vector<std::string> placeholders;
  std::size_t start = 1;
  for (int i = 0; i < statement.valueCount; ++i) {
    std::size_t end = input.find('\x1f', start);
    if (end == std::string::npos || i + 1 == statement.valueCount) {
      end = input.size();
    }
    values.push_back(start < input.size() ? input.substr(start, end - start) : std::string());
    start = end < input.size() ? end + 1 : input.size();
    if (statement.firstTenOnly) {
      values.back() = First10(values.back());
    }
    // A statement that puts the value's length into its text gets a
    // placeholder of that length, so that only the literal differs.
    placeholders.push_back(statement.lengthInText ? std::string(values.back().size(), 'x')
                                                  : "ph" + std::to_string(i));
  }

  std::string expectedSql;
  fuzz::Require(Translate(statement.build(placeholders), expectedSql),
                "a store statement does not translate");
  std::string actualSql;
  bool translated = Translate(statement.build(values), actualSql);
  if (input.find('\0') != std::string::npos) {
    // Text with a NUL is refused as a whole, which changes nothing.
    return 0;
  }
  fuzz::Require(translated, "a caller value made a store statement untranslatable");

  Shape expected;
  Shape actual;
  fuzz::Require(SplitLiterals(expectedSql, expected), "unclosed literal in a store statement");
  fuzz::Require(SplitLiterals(actualSql, actual), "a caller value left a literal open");
  fuzz::Require(actual.skeleton == expected.skeleton,
                "a caller value changed the statement outside its literal");
  fuzz::Require(actual.literals.size() == expected.literals.size(),
                "a caller value changed the number of literals");
  for (std::size_t i = 0; i < expected.literals.size(); ++i) {
    std::string want = expected.literals[i];
    for (std::size_t p = 0; p < placeholders.size(); ++p) {
      if (expected.literals[i] == placeholders[p]) {
        want = values[p];
      }
    }
    fuzz::Require(actual.literals[i] == want, "a caller value was not kept as it was given");
  }
  return 0;
}
