#include "platform/dao/JetSql.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "platform/dao/SqlText.h"

namespace dao {
namespace {

enum class TokenKind { Space, Word, QuotedName, Text, Number, Punct };

struct Token {
  TokenKind kind;
  std::string text;
};

bool IsWordStart(unsigned char c) {
  return std::isalpha(c) || c == '_' || c >= 0x80;
}
bool IsWordPart(unsigned char c) {
  return std::isalnum(c) || c == '_' || c >= 0x80;
}

std::string SqlTextLiteral(const std::string& value) {
  std::string result = "'";
  for (char c : value) {
    result += c;
    if (c == '\'') {
      result += '\'';
    }
  }
  return result + "'";
}

// Reads a literal or name that ends at `close`, where a doubled `close` stands
// for the character itself. Returns the raw content.
std::string ReadDelimited(const std::string& sql, size_t& pos, char close, bool doubling) {
  std::string content;
  size_t i = pos + 1;
  for (;;) {
    if (i >= sql.size()) {
      throw JetSqlError("unclosed " + std::string(1, sql[pos]) + " in SQL text");
    }
    if (sql[i] == close) {
      if (doubling && i + 1 < sql.size() && sql[i + 1] == close) {
        content += close;
        i += 2;
        continue;
      }
      break;
    }
    content += sql[i++];
  }
  pos = i + 1;
  return content;
}

std::vector<Token> Tokenize(const std::string& sql) {
  std::vector<Token> tokens;
  size_t pos = 0;
  while (pos < sql.size()) {
    const unsigned char c = static_cast<unsigned char>(sql[pos]);
    const size_t start = pos;
    if (std::isspace(c)) {
      while (pos < sql.size() && std::isspace(static_cast<unsigned char>(sql[pos]))) {
        ++pos;
      }
      tokens.push_back({TokenKind::Space, sql.substr(start, pos - start)});
    } else if (IsWordStart(c)) {
      while (pos < sql.size() && IsWordPart(static_cast<unsigned char>(sql[pos]))) {
        ++pos;
      }
      if (pos < sql.size() && sql[pos] == '$') {
        ++pos;
      }
      tokens.push_back({TokenKind::Word, sql.substr(start, pos - start)});
    } else if (std::isdigit(c)) {
      while (pos < sql.size() &&
             (std::isalnum(static_cast<unsigned char>(sql[pos])) || sql[pos] == '.')) {
        ++pos;
      }
      tokens.push_back({TokenKind::Number, sql.substr(start, pos - start)});
    } else if (c == '\'' || c == '"') {
      // Jet takes both quote characters as text delimiters.
      tokens.push_back({TokenKind::Text, SqlTextLiteral(ReadDelimited(sql, pos, c, true))});
    } else if (c == '#') {
      tokens.push_back({TokenKind::Text, SqlTextLiteral(ReadDelimited(sql, pos, '#', false))});
    } else if (c == '[') {
      ReadDelimited(sql, pos, ']', false);
      tokens.push_back({TokenKind::QuotedName, sql.substr(start, pos - start)});
    } else if (c == '`') {
      ReadDelimited(sql, pos, '`', true);
      tokens.push_back({TokenKind::QuotedName, sql.substr(start, pos - start)});
    } else {
      static const char* const kPairs[] = {"<=", ">=", "<>", "!=", "||", "=="};
      size_t length = 1;
      for (const char* pair : kPairs) {
        if (sql.compare(pos, 2, pair) == 0) {
          length = 2;
        }
      }
      pos += length;
      tokens.push_back({TokenKind::Punct, sql.substr(start, length)});
    }
  }
  return tokens;
}

bool IsPunct(const Token& token, const char* text) {
  return token.kind == TokenKind::Punct && token.text == text;
}

bool IsKeyword(const Token& token, const char* keyword) {
  return token.kind == TokenKind::Word && AsciiUpper(token.text) == keyword;
}

// Index of the next token in [pos, end) that is not white space, or end.
size_t NextSignificant(const std::vector<Token>& tokens, size_t pos, size_t end) {
  while (pos < end && tokens[pos].kind == TokenKind::Space) {
    ++pos;
  }
  return pos;
}

// Index of the ")" that closes the "(" at `open`.
size_t MatchingParen(const std::vector<Token>& tokens, size_t open, size_t end) {
  int depth = 0;
  for (size_t i = open; i < end; ++i) {
    if (IsPunct(tokens[i], "(")) {
      ++depth;
    } else if (IsPunct(tokens[i], ")")) {
      if (--depth == 0) {
        return i;
      }
    }
  }
  throw JetSqlError("unbalanced parentheses in SQL text");
}

class Translator {
 public:
  Translator(const std::vector<Token>& tokens, bool wrapLiterals)
      : mTokens(tokens), mWrapLiterals(wrapLiterals) {}

  std::string Range(size_t begin, size_t end) const {
    std::string out;
    for (size_t i = begin; i < end; ++i) {
      const Token& token = mTokens[i];
      if (token.kind == TokenKind::Word) {
        const size_t open = NextSignificant(mTokens, i + 1, end);
        if (open < end && IsPunct(mTokens[open], "(")) {
          if (auto call = Function(i, open, end)) {
            out += *call;
            i = MatchingParen(mTokens, open, end);
            continue;
          }
        }
        out += token.text;
      } else if (token.kind == TokenKind::Text) {
        out += mWrapLiterals ? "(" + token.text + " COLLATE NOCASE)" : token.text;
      } else if (IsPunct(token, "&")) {
        out += "||";  // Jet's text concatenation
      } else {
        out += token.text;
      }
    }
    return out;
  }

 private:
  // The SQLite form of a Jet function call, or nothing when the name is not
  // one that needs translating.
  std::optional<std::string> Function(size_t name, size_t open, size_t end) const {
    std::string upper = AsciiUpper(mTokens[name].text);
    if (!upper.empty() && upper.back() == '$') {
      upper.pop_back();
    }
    static const char* const kKnown[] = {"LEFT",  "MID",   "UCASE", "LCASE", "TRIM",
                                         "LTRIM", "RTRIM", "LEN",   "ISNULL"};
    if (std::find_if(std::begin(kKnown), std::end(kKnown),
                     [&](const char* known) { return upper == known; }) == std::end(kKnown)) {
      return std::nullopt;
    }
    const size_t close = MatchingParen(mTokens, open, end);
    std::vector<std::string> args;
    size_t argBegin = open + 1;
    int depth = 0;
    for (size_t i = open + 1; i < close; ++i) {
      if (IsPunct(mTokens[i], "(")) {
        ++depth;
      } else if (IsPunct(mTokens[i], ")")) {
        --depth;
      } else if (depth == 0 && IsPunct(mTokens[i], ",")) {
        args.push_back(Range(argBegin, i));
        argBegin = i + 1;
      }
    }
    if (NextSignificant(mTokens, argBegin, close) < close || !args.empty()) {
      args.push_back(Range(argBegin, close));
    }
    auto expect = [&](size_t low, size_t high) {
      if (args.size() < low || args.size() > high) {
        throw JetSqlError("wrong number of arguments to " + mTokens[name].text);
      }
    };
    auto noCase = [](const std::string& expression) {
      return "(" + expression + " COLLATE NOCASE)";
    };
    if (upper == "LEFT") {
      expect(2, 2);
      return noCase("substr(" + args[0] + ", 1, " + args[1] + ")");
    }
    if (upper == "MID") {
      expect(2, 3);
      return noCase("substr(" + args[0] + ", " + args[1] +
                    (args.size() == 3 ? ", " + args[2] : std::string()) + ")");
    }
    expect(1, 1);
    if (upper == "UCASE") {
      return noCase("upper(" + args[0] + ")");
    }
    if (upper == "LCASE") {
      return noCase("lower(" + args[0] + ")");
    }
    if (upper == "LEN") {
      return "length(" + args[0] + ")";
    }
    if (upper == "ISNULL") {
      return "(-((" + args[0] + ") IS NULL))";  // Jet's True is -1
    }
    std::string lower = upper;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return noCase(lower + "(" + args[0] + ")");
  }

  const std::vector<Token>& mTokens;
  bool mWrapLiterals;
};

bool IsClauseKeyword(const Token& token) {
  static const char* const kClauses[] = {"WHERE", "GROUP", "HAVING", "ORDER",  "UNION",
                                         "JOIN",  "INNER", "LEFT",   "RIGHT",  "OUTER",
                                         "CROSS", "LIMIT", "FULL",   "NATURAL"};
  for (const char* clause : kClauses) {
    if (IsKeyword(token, clause)) {
      return true;
    }
  }
  return false;
}

bool IsAggregate(const Token& token) {
  static const char* const kAggregates[] = {"COUNT", "SUM",  "AVG",   "MIN", "MAX",
                                            "FIRST", "LAST", "STDEV", "VAR"};
  for (const char* aggregate : kAggregates) {
    if (IsKeyword(token, aggregate)) {
      return true;
    }
  }
  return false;
}

// Translates the SELECT that occupies tokens [begin, end), tokens[begin]
// being the SELECT keyword.
JetSqlTranslation TranslateSelect(const std::vector<Token>& tokens, size_t begin, size_t end,
                                  const JetSqlOptions& options) {
  const Translator translator(tokens, true);
  bool distinct = false, aggregate = false, grouped = false, ordered = false, limited = false;
  std::optional<size_t> from;
  int depth = 0;
  const size_t afterSelect = NextSignificant(tokens, begin + 1, end);
  if (afterSelect < end &&
      (IsKeyword(tokens[afterSelect], "DISTINCT") ||
       IsKeyword(tokens[afterSelect], "DISTINCTROW") || IsKeyword(tokens[afterSelect], "TOP"))) {
    distinct = true;
  }
  for (size_t i = begin + 1; i < end; ++i) {
    const Token& token = tokens[i];
    if (IsPunct(token, "(")) {
      ++depth;
    } else if (IsPunct(token, ")")) {
      --depth;
    } else if (depth == 0) {
      if (!from && IsKeyword(token, "FROM")) {
        from = i;
      } else if (!from && IsAggregate(token)) {
        const size_t next = NextSignificant(tokens, i + 1, end);
        aggregate = aggregate || (next < end && IsPunct(tokens[next], "("));
      } else if (IsKeyword(token, "GROUP") || IsKeyword(token, "HAVING") ||
                 IsKeyword(token, "UNION")) {
        grouped = true;
      } else if (IsKeyword(token, "ORDER")) {
        ordered = true;
      } else if (IsKeyword(token, "LIMIT")) {
        limited = true;
      }
    }
  }

  JetSqlTranslation result;
  result.sql = translator.Range(begin, end);
  if (!from || distinct || aggregate || grouped) {
    return result;
  }
  // One table, an optional alias, then the end or a clause that is no join.
  size_t i = NextSignificant(tokens, *from + 1, end);
  if (i >= end || (tokens[i].kind != TokenKind::Word && tokens[i].kind != TokenKind::QuotedName) ||
      IsClauseKeyword(tokens[i])) {
    return result;
  }
  const std::string table = tokens[i].text;
  std::string qualifier = table;
  i = NextSignificant(tokens, i + 1, end);
  if (i < end && IsKeyword(tokens[i], "AS")) {
    i = NextSignificant(tokens, i + 1, end);
  }
  if (i < end && (tokens[i].kind == TokenKind::Word || tokens[i].kind == TokenKind::QuotedName) &&
      !IsClauseKeyword(tokens[i])) {
    qualifier = tokens[i].text;
    i = NextSignificant(tokens, i + 1, end);
  }
  if (i < end && !IsKeyword(tokens[i], "WHERE") && !IsKeyword(tokens[i], "ORDER") &&
      !IsKeyword(tokens[i], "LIMIT")) {
    return result;  // a join, a second table or something unexpected
  }
  std::string bareTable = table;
  if (!bareTable.empty() && (bareTable.front() == '[' || bareTable.front() == '`')) {
    bareTable = bareTable.substr(1, bareTable.size() - 2);
  }
  if (options.hasRowid && !options.hasRowid(bareTable)) {
    return result;
  }
  std::string order;
  if (!ordered && !limited) {
    order = " ORDER BY " + qualifier + ".rowid";
  }
  const std::string tail = translator.Range(begin + 1, end);
  result.sql = tokens[begin].text + tail + order;
  result.keyedSql = tokens[begin].text + " " + qualifier + ".rowid," + tail + order;
  result.baseTable = bareTable;
  return result;
}

}  // namespace

JetSqlTranslation TranslateJetSql(const std::string& jetSql, const JetSqlOptions& options) {
  std::vector<Token> tokens = Tokenize(jetSql);
  // Jet accepts a closing semicolon; anything after it is not one statement.
  while (!tokens.empty() &&
         (tokens.back().kind == TokenKind::Space || IsPunct(tokens.back(), ";"))) {
    tokens.pop_back();
  }
  const size_t end = tokens.size();
  const size_t first = NextSignificant(tokens, 0, end);
  if (first == end) {
    throw JetSqlError("empty SQL text");
  }
  const Token& verb = tokens[first];
  const bool dml = IsKeyword(verb, "SELECT") || IsKeyword(verb, "INSERT") ||
                   IsKeyword(verb, "UPDATE") || IsKeyword(verb, "DELETE");
  const Translator translator(tokens, dml);

  if (IsKeyword(verb, "SELECT")) {
    JetSqlTranslation result = TranslateSelect(tokens, first, end, options);
    result.sql = translator.Range(0, first) + result.sql;
    if (!result.keyedSql.empty()) {
      result.keyedSql = translator.Range(0, first) + result.keyedSql;
    }
    return result;
  }

  if (IsKeyword(verb, "DELETE")) {
    const size_t star = NextSignificant(tokens, first + 1, end);
    if (star < end && IsPunct(tokens[star], "*")) {
      return {translator.Range(0, star) + translator.Range(star + 1, end), {}, {}};
    }
  }

  if (IsKeyword(verb, "INSERT")) {
    const size_t into = NextSignificant(tokens, first + 1, end);
    const size_t table = into < end ? NextSignificant(tokens, into + 1, end) : end;
    const size_t select = table < end ? NextSignificant(tokens, table + 1, end) : end;
    if (select < end && IsKeyword(tokens[into], "INTO") && IsKeyword(tokens[select], "SELECT")) {
      // Jet matches the selected columns to the table's by name; SQLite by
      // position. Name them explicitly.
      if (!options.selectColumns) {
        throw JetSqlError("cannot derive the column list of INSERT INTO ... SELECT");
      }
      const std::string selectSql = TranslateSelect(tokens, select, end, options).sql;
      const std::vector<std::string> columns = options.selectColumns(selectSql);
      if (columns.empty()) {
        throw JetSqlError("INSERT INTO ... SELECT selects no columns");
      }
      std::string list;
      for (const std::string& column : columns) {
        list += (list.empty() ? "" : ", ") + QuoteName(column);
      }
      return {translator.Range(0, table + 1) + " (" + list + ") " + selectSql, {}, {}};
    }
  }

  return {translator.Range(0, end), {}, {}};
}

}  // namespace dao
