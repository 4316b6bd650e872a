#include "platform/dao/JetSql.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <map>
#include <optional>
#include <set>

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

// The one table a SELECT reads when its FROM clause (tokens[from] being FROM) names one table,
// with an optional alias, and nothing else up to WHERE, ORDER BY, LIMIT or the end.
struct SingleTable {
  size_t table;      // the table's token
  size_t qualifier;  // the token that qualifies its columns: the alias, or the table
};

std::optional<SingleTable> FindSingleTable(const std::vector<Token>& tokens, size_t from,
                                           size_t end) {
  auto isName = [](const Token& token) {
    return (token.kind == TokenKind::Word || token.kind == TokenKind::QuotedName) &&
           !IsClauseKeyword(token);
  };
  size_t i = NextSignificant(tokens, from + 1, end);
  if (i >= end || !isName(tokens[i])) {
    return std::nullopt;
  }
  SingleTable found{i, i};
  i = NextSignificant(tokens, i + 1, end);
  if (i < end && IsKeyword(tokens[i], "AS")) {
    i = NextSignificant(tokens, i + 1, end);
  }
  if (i < end && isName(tokens[i])) {
    found.qualifier = i;
    i = NextSignificant(tokens, i + 1, end);
  }
  if (i < end && !IsKeyword(tokens[i], "WHERE") && !IsKeyword(tokens[i], "ORDER") &&
      !IsKeyword(tokens[i], "LIMIT")) {
    return std::nullopt;  // a join, a second table or something unexpected
  }
  return found;
}

// A table's name without Jet's [ ] or ` ` around it.
std::string BareName(const Token& token) {
  return token.kind == TokenKind::QuotedName ? token.text.substr(1, token.text.size() - 2)
                                             : token.text;
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
  const std::optional<SingleTable> single = FindSingleTable(tokens, *from, end);
  if (!single) {
    return result;
  }
  const std::string qualifier = tokens[single->qualifier].text;
  const std::string bareTable = BareName(tokens[single->table]);
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

// ---- PostgreSQL -------------------------------------------------------------------------------

bool IsComparison(const Token& token) {
  if (token.kind != TokenKind::Punct) {
    return false;
  }
  static const char* const kOperators[] = {"=", "<>", "!=", "<", ">", "<=", ">=", "=="};
  return std::any_of(std::begin(kOperators), std::end(kOperators),
                     [&](const char* op) { return token.text == op; });
}

// Words that are SQL's own and never a column or a function.
bool IsSqlKeyword(const Token& token) {
  static const char* const kKeywords[] = {
      "AND",    "OR",     "NOT",  "IS",      "NULL",        "IN",     "BETWEEN",
      "LIKE",   "SELECT", "FROM", "WHERE",   "GROUP",       "BY",     "ORDER",
      "HAVING", "AS",     "ON",   "INNER",   "LEFT",        "RIGHT",  "JOIN",
      "OUTER",  "CROSS",  "FULL", "NATURAL", "DISTINCT",    "INSERT", "INTO",
      "VALUES", "UPDATE", "SET",  "DELETE",  "ASC",         "DESC",   "UNION",
      "ALL",    "EXISTS", "TRUE", "FALSE",   "LIMIT",       "CASE",   "WHEN",
      "THEN",   "ELSE",   "END",  "TOP",     "DISTINCTROW", "OFFSET", "USING"};
  if (token.kind != TokenKind::Word) {
    return false;
  }
  const std::string upper = AsciiUpper(token.text);
  return std::any_of(std::begin(kKeywords), std::end(kKeywords),
                     [&](const char* keyword) { return upper == keyword; });
}

// One piece of translated text: a primary (column, literal, call, parenthesised expression), a
// comparison operator, white space or anything else.
struct Piece {
  enum Kind { kSpace, kOther, kComparison, kPrimary } kind = kOther;
  std::string text;
  bool textual = false;    // holds text
  bool number = false;     // a numeric literal
  std::string foldSource;  // UCASE(x): x, whose case-blind key is the same
  std::string lastName;    // a column reference: its last name part
};

std::string PgName(const Token& token) {
  if (token.kind != TokenKind::QuotedName) {
    return token.text;
  }
  // Jet's [name] or `name`: a plain name when it is one, so that it folds like the others.
  const std::string inner = token.text.substr(1, token.text.size() - 2);
  const bool plain =
      !inner.empty() && IsWordStart(static_cast<unsigned char>(inner[0])) &&
      std::all_of(inner.begin(), inner.end(), [](unsigned char c) { return IsWordPart(c); });
  return plain ? inner : QuoteName(inner);
}

class PgTranslator {
 public:
  PgTranslator(const std::vector<Token>& tokens, const JetSqlOptions& options)
      : mTokens(tokens), mOptions(options) {}

  std::string Range(size_t begin, size_t end) const { return Join(Pieces(begin, end)); }
  // The assignments of an UPDATE's SET clause.
  std::string Assignments(size_t begin, size_t end) const { return Join(Pieces(begin, end, true)); }

  // The pieces of tokens [begin, end), comparisons of text already made on the keys.
  std::vector<Piece> Pieces(size_t begin, size_t end, bool assignments = false) const {
    std::vector<Piece> pieces;
    for (size_t i = begin; i < end; ++i) {
      const Token& token = mTokens[i];
      Piece piece;
      piece.text = token.text;
      if (token.kind == TokenKind::Space) {
        piece.kind = Piece::kSpace;
      } else if (token.kind == TokenKind::Word && !IsSqlKeyword(token)) {
        const size_t open = NextSignificant(mTokens, i + 1, end);
        if (open < end && IsPunct(mTokens[open], "(")) {
          const size_t close = MatchingParen(mTokens, open, end);
          piece = Call(i, open, close);
          i = close;
        } else {
          // A column reference: name(.name)*.
          piece.kind = Piece::kPrimary;
          piece.text = PgName(token);
          piece.lastName = token.text;
          while (i + 2 < end && IsPunct(mTokens[i + 1], ".") &&
                 (mTokens[i + 2].kind == TokenKind::Word ||
                  mTokens[i + 2].kind == TokenKind::QuotedName)) {
            piece.text += "." + PgName(mTokens[i + 2]);
            piece.lastName = mTokens[i + 2].text;
            i += 2;
          }
          piece.textual = IsTextColumn(piece.lastName);
        }
      } else if (token.kind == TokenKind::QuotedName) {
        piece.kind = Piece::kPrimary;
        piece.text = PgName(token);
        piece.lastName = token.text.substr(1, token.text.size() - 2);
        piece.textual = IsTextColumn(piece.lastName);
      } else if (token.kind == TokenKind::Text) {
        piece.kind = Piece::kPrimary;
        piece.textual = true;
      } else if (token.kind == TokenKind::Number) {
        piece.kind = Piece::kPrimary;
        piece.number = true;
      } else if (IsPunct(token, "(")) {
        const size_t close = MatchingParen(mTokens, i, end);
        const size_t first = NextSignificant(mTokens, i + 1, close);
        piece.kind = Piece::kPrimary;
        if (first < close && IsKeyword(mTokens[first], "SELECT")) {
          piece.text = "(" + Select(first, close).sql + ")";
        } else {
          std::vector<Piece> inner = Pieces(i + 1, close);
          const Piece* only = Only(inner);
          if (only != nullptr && only->kind == Piece::kPrimary) {
            piece.textual = only->textual;
            piece.number = only->number;
            piece.foldSource = only->foldSource;
          }
          piece.text = "(" + Join(inner) + ")";
        }
        i = close;
      } else if (IsComparison(token)) {
        piece.kind = Piece::kComparison;
        piece.text = token.text == "==" ? "=" : token.text;
      } else if (IsPunct(token, "&")) {
        piece.text = "||";  // Jet's text concatenation
      }
      pieces.push_back(std::move(piece));
    }
    // Text compares by its case-blind key on both sides; an UPDATE's "=" assigns.
    for (size_t i = 0; i < pieces.size() && !assignments; ++i) {
      if (pieces[i].kind != Piece::kComparison) {
        continue;
      }
      Piece* left = Neighbour(pieces, i, -1);
      Piece* right = Neighbour(pieces, i, +1);
      if (left == nullptr || right == nullptr || left->kind != Piece::kPrimary ||
          right->kind != Piece::kPrimary) {
        continue;
      }
      if ((left->textual || right->textual) && !left->number && !right->number) {
        MakeKey(*left);
        MakeKey(*right);
      }
    }
    return pieces;
  }

  // Translates the SELECT in tokens [begin, end), tokens[begin] being SELECT.
  JetSqlTranslation Select(size_t begin, size_t end) const {
    // Clause starts at depth 0.
    std::optional<size_t> from, where, group, having, order, limit;
    bool aggregate = false, grouped = false;
    int depth = 0;
    for (size_t i = begin + 1; i < end; ++i) {
      const Token& token = mTokens[i];
      if (IsPunct(token, "(")) {
        ++depth;
      } else if (IsPunct(token, ")")) {
        --depth;
      } else if (depth == 0) {
        if (!from && IsKeyword(token, "FROM")) {
          from = i;
        } else if (!from && IsAggregate(token)) {
          const size_t next = NextSignificant(mTokens, i + 1, end);
          aggregate = aggregate || (next < end && IsPunct(mTokens[next], "("));
        } else if (from && !where && IsKeyword(token, "WHERE")) {
          where = i;
        } else if (from && !group && IsKeyword(token, "GROUP")) {
          group = i;
          grouped = true;
        } else if (from && !having && IsKeyword(token, "HAVING")) {
          having = i;
          grouped = true;
        } else if (from && !order && IsKeyword(token, "ORDER")) {
          order = i;
        } else if (from && !limit && IsKeyword(token, "LIMIT")) {
          limit = i;
        } else if (IsKeyword(token, "UNION")) {
          grouped = true;  // not one table's rows any more
        }
      }
    }
    size_t listBegin = NextSignificant(mTokens, begin + 1, end);
    bool distinct = false;
    if (listBegin < end && (IsKeyword(mTokens[listBegin], "DISTINCT") ||
                            IsKeyword(mTokens[listBegin], "DISTINCTROW"))) {
      distinct = true;
      ++listBegin;
    }
    const size_t listEnd = from.value_or(end);
    auto clauseEnd = [&](size_t start) {
      size_t stop = end;
      for (const auto& other : {where, group, having, order, limit}) {
        if (other && *other > start && *other < stop) {
          stop = *other;
        }
      }
      return stop;
    };
    // GROUP BY and ORDER BY items, on the keys for text.
    std::vector<std::string> groupText;  // the grouped text expressions, as written
    std::string groupSql;
    if (group) {
      const size_t by = NextSignificant(mTokens, *group + 1, end);
      if (by >= end || !IsKeyword(mTokens[by], "BY")) {
        throw JetSqlError("GROUP without BY in SQL text");
      }
      for (const auto& [itemBegin, itemEnd] : Items(by + 1, clauseEnd(*group))) {
        std::vector<Piece> pieces = Pieces(itemBegin, itemEnd);
        const Piece* only = Only(pieces);
        std::string item = Join(pieces);
        if (only != nullptr && only->kind == Piece::kPrimary && only->textual) {
          groupText.push_back(AsciiUpper(Trimmed(item)));
          item = " " + Key(*only);
        }
        groupSql += (groupSql.empty() ? " GROUP BY" : ",") + item;
      }
      groupSql += " ";
    }
    std::vector<std::string> distinctKeys;
    std::string list;
    for (const auto& [itemBegin, itemEnd] : Items(listBegin, listEnd)) {
      std::vector<Piece> pieces = Pieces(itemBegin, itemEnd);
      const Piece* only = Only(pieces);
      std::string item = Join(pieces);
      if (only != nullptr && only->kind == Piece::kPrimary && !only->lastName.empty() &&
          std::find(groupText.begin(), groupText.end(), AsciiUpper(Trimmed(item))) !=
              groupText.end()) {
        // Grouped by its key, the column itself is no longer one value per group.
        item = " min(" + Trimmed(item) + ") AS " + only->lastName + " ";
      }
      if (distinct) {
        distinctKeys.push_back(only != nullptr && only->kind == Piece::kPrimary && only->textual
                                   ? Key(*only)
                                   : Trimmed(item));
      }
      list += (list.empty() ? "" : ",") + item;
    }
    std::string sql = mTokens[begin].text + " ";
    if (distinct) {
      std::string keys;
      for (const std::string& key : distinctKeys) {
        keys += (keys.empty() ? "" : ", ") + key;
      }
      sql += "DISTINCT ON (" + keys + ") ";
    }
    std::string body;
    if (from) {
      // FROM, its joins and WHERE, up to the first clause after WHERE.
      body += Range(*from, clauseEnd(where.value_or(*from)));
      body += groupSql;
      if (having) {
        body += Range(*having, clauseEnd(*having));
      }
      if (order) {
        const size_t by = NextSignificant(mTokens, *order + 1, end);
        if (by >= end || !IsKeyword(mTokens[by], "BY")) {
          throw JetSqlError("ORDER without BY in SQL text");
        }
        std::string orderSql;
        for (const auto& [itemBegin, itemEnd] : Items(by + 1, clauseEnd(*order))) {
          // A trailing ASC or DESC stays after the key.
          size_t exprEnd = itemEnd;
          while (exprEnd > itemBegin && mTokens[exprEnd - 1].kind == TokenKind::Space) {
            --exprEnd;
          }
          std::string direction;
          if (exprEnd > itemBegin &&
              (IsKeyword(mTokens[exprEnd - 1], "ASC") || IsKeyword(mTokens[exprEnd - 1], "DESC"))) {
            direction = " " + mTokens[exprEnd - 1].text;
            --exprEnd;
          }
          std::vector<Piece> pieces = Pieces(itemBegin, exprEnd);
          const Piece* only = Only(pieces);
          std::string item = only != nullptr && only->kind == Piece::kPrimary && only->textual
                                 ? " " + Key(*only)
                                 : Join(pieces);
          orderSql += (orderSql.empty() ? " ORDER BY" : ",") + item + direction;
        }
        body += orderSql + " ";
      }
      if (limit) {
        body += Range(*limit, end);
      }
    }

    JetSqlTranslation result;
    result.sql = sql + list + body;
    if (!from || distinct || aggregate || grouped || !mOptions.keyColumn) {
      return result;
    }
    const std::optional<SingleTable> single = FindSingleTable(mTokens, *from, end);
    if (!single) {
      return result;
    }
    const std::string qualifier = PgName(mTokens[single->qualifier]);
    const std::string bareTable = BareName(mTokens[single->table]);
    const std::string key = mOptions.keyColumn(bareTable);
    if (key.empty()) {
      return result;
    }
    const std::string keyRef = qualifier + "." + key;
    // Rows read without an order come in append order, as Jet gives them.
    const std::string tail = (!order && !limit) ? " ORDER BY " + keyRef : "";
    result.sql += tail;
    result.keyedSql = sql + keyRef + "," + list + body + tail;
    result.baseTable = bareTable;
    return result;
  }

 private:
  bool IsTextColumn(const std::string& name) const {
    return mOptions.isTextColumn && mOptions.isTextColumn(name);
  }

  static std::string Join(const std::vector<Piece>& pieces) {
    std::string out;
    for (const Piece& piece : pieces) {
      out += piece.text;
    }
    return out;
  }

  static std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
      return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
  }

  static const Piece* Only(const std::vector<Piece>& pieces) {
    const Piece* only = nullptr;
    for (const Piece& piece : pieces) {
      if (piece.kind == Piece::kSpace) {
        continue;
      }
      if (only != nullptr) {
        return nullptr;
      }
      only = &piece;
    }
    return only;
  }

  static Piece* Neighbour(std::vector<Piece>& pieces, size_t at, int step) {
    for (auto i = static_cast<std::ptrdiff_t>(at) + step;
         i >= 0 && i < static_cast<std::ptrdiff_t>(pieces.size()); i += step) {
      if (pieces[static_cast<size_t>(i)].kind != Piece::kSpace) {
        return &pieces[static_cast<size_t>(i)];
      }
    }
    return nullptr;
  }

  static std::string Key(const Piece& piece) {
    return CaseBlindKey(piece.foldSource.empty() ? piece.text : piece.foldSource);
  }

  static void MakeKey(Piece& piece) {
    piece.text = Key(piece);
    piece.textual = false;
    piece.foldSource.clear();
    piece.kind = Piece::kOther;  // done: a second comparison does not wrap it again
  }

  // Ranges of the comma-separated items of tokens [begin, end) at depth 0.
  std::vector<std::pair<size_t, size_t>> Items(size_t begin, size_t end) const {
    std::vector<std::pair<size_t, size_t>> items;
    int depth = 0;
    size_t start = begin;
    for (size_t i = begin; i < end; ++i) {
      if (IsPunct(mTokens[i], "(")) {
        ++depth;
      } else if (IsPunct(mTokens[i], ")")) {
        --depth;
      } else if (depth == 0 && IsPunct(mTokens[i], ",")) {
        items.emplace_back(start, i);
        start = i + 1;
      }
    }
    if (NextSignificant(mTokens, start, end) < end) {
      items.emplace_back(start, end);
    }
    return items;
  }

  // A function call: the Jet functions in PostgreSQL's terms, any other call as written.
  Piece Call(size_t name, size_t open, size_t close) const {
    Piece piece;
    piece.kind = Piece::kPrimary;
    std::string upper = AsciiUpper(mTokens[name].text);
    if (!upper.empty() && upper.back() == '$') {
      upper.pop_back();
    }
    std::vector<std::string> args;
    for (const auto& [itemBegin, itemEnd] : Items(open + 1, close)) {
      args.push_back(Trimmed(Range(itemBegin, itemEnd)));
    }
    auto expect = [&](size_t low, size_t high) {
      if (args.size() < low || args.size() > high) {
        throw JetSqlError("wrong number of arguments to " + mTokens[name].text);
      }
    };
    piece.textual = true;
    if (upper == "LEFT") {
      expect(2, 2);
      piece.text = "substr(" + args[0] + ", 1, " + args[1] + ")";
    } else if (upper == "MID") {
      expect(2, 3);
      piece.text = "substr(" + args[0] + ", " + args[1] +
                   (args.size() == 3 ? ", " + args[2] : std::string()) + ")";
    } else if (upper == "UCASE" || upper == "LCASE") {
      expect(1, 1);
      // The runtime's UCase$: ICU's full upper case, as the key uses.
      piece.text = std::string(upper == "UCASE" ? "upper" : "lower") + "((" + args[0] +
                   ") COLLATE \"und-x-icu\")";
      if (upper == "UCASE") {
        piece.foldSource = args[0];
      }
    } else if (upper == "TRIM" || upper == "LTRIM" || upper == "RTRIM") {
      expect(1, 1);
      const std::string how =
          upper == "TRIM" ? "BOTH" : (upper == "LTRIM" ? "LEADING" : "TRAILING");
      piece.text = "trim(" + how + " ' ' FROM " + args[0] + ")";  // spaces only, as Trim$
    } else if (upper == "LEN") {
      expect(1, 1);
      piece.text = "length(" + args[0] + ")";
      piece.textual = false;
    } else if (upper == "ISNULL") {
      expect(1, 1);
      piece.text = "((" + args[0] + ") IS NULL)";
      piece.textual = false;
    } else {
      piece.text = mTokens[name].text + "(" + Range(open + 1, close) + ")";
      piece.textual = false;
    }
    return piece;
  }

  const std::vector<Token>& mTokens;
  const JetSqlOptions& mOptions;
};

// What a dialect makes of the pieces of one statement; TranslateStatement is the run over the
// statement that both dialects share.
class DialectWriter {
 public:
  virtual ~DialectWriter() = default;
  // Tokens [begin, end), functions, literals and names in the dialect's terms.
  virtual std::string Range(size_t begin, size_t end) const = 0;
  // The SELECT in [begin, end), tokens[begin] being SELECT.
  virtual JetSqlTranslation Select(size_t begin, size_t end) const = 0;
  // An UPDATE in [first, end) when its SET clause needs more than Range.
  virtual std::optional<std::string> Update(size_t first, size_t end) const = 0;
  // "INSERT INTO T" of an INSERT ... SELECT, T being tokens[table].
  virtual std::string InsertHead(size_t first, size_t table) const = 0;
  // A name of the derived column list, as the engine's columns gave it.
  virtual std::string ColumnName(const std::string& column) const = 0;
  // What the translation keeps of the text before the statement's first word.
  virtual bool KeepsLead() const = 0;
};

JetSqlTranslation TranslateStatement(const std::vector<Token>& tokens, const JetSqlOptions& options,
                                     const DialectWriter& writer) {
  const size_t end = tokens.size();
  const size_t first = NextSignificant(tokens, 0, end);
  const Token& verb = tokens[first];
  const std::string lead = writer.KeepsLead() ? writer.Range(0, first) : std::string();

  if (IsKeyword(verb, "SELECT")) {
    JetSqlTranslation result = writer.Select(first, end);
    result.sql = lead + result.sql;
    if (!result.keyedSql.empty()) {
      result.keyedSql = lead + result.keyedSql;
    }
    return result;
  }
  if (IsKeyword(verb, "DELETE")) {
    // Jet's DELETE * FROM.
    const size_t star = NextSignificant(tokens, first + 1, end);
    if (star < end && IsPunct(tokens[star], "*")) {
      return {lead + writer.Range(first, star) + writer.Range(star + 1, end), {}, {}};
    }
  }
  if (IsKeyword(verb, "UPDATE")) {
    if (std::optional<std::string> update = writer.Update(first, end)) {
      return {lead + *update, {}, {}};
    }
  }
  if (IsKeyword(verb, "INSERT")) {
    const size_t into = NextSignificant(tokens, first + 1, end);
    const size_t table = into < end ? NextSignificant(tokens, into + 1, end) : end;
    const size_t select = table < end ? NextSignificant(tokens, table + 1, end) : end;
    if (select < end && IsKeyword(tokens[into], "INTO") && IsKeyword(tokens[select], "SELECT")) {
      // Jet matches the selected columns to the table's by name; the engines by position.
      // Name them explicitly.
      if (!options.selectColumns) {
        throw JetSqlError("cannot derive the column list of INSERT INTO ... SELECT");
      }
      const std::string selectSql = writer.Select(select, end).sql;
      const std::vector<std::string> columns = options.selectColumns(selectSql);
      if (columns.empty()) {
        throw JetSqlError("INSERT INTO ... SELECT selects no columns");
      }
      std::string list;
      for (const std::string& column : columns) {
        list += (list.empty() ? "" : ", ") + writer.ColumnName(column);
      }
      return {lead + writer.InsertHead(first, table) + " (" + list + ") " + selectSql, {}, {}};
    }
  }
  return {lead + writer.Range(first, end), {}, {}};
}

class SqliteWriter final : public DialectWriter {
 public:
  SqliteWriter(const std::vector<Token>& tokens, const JetSqlOptions& options, bool dml)
      : mTokens(tokens), mOptions(options), mTranslator(tokens, dml) {}

  std::string Range(size_t begin, size_t end) const override {
    return mTranslator.Range(begin, end);
  }
  JetSqlTranslation Select(size_t begin, size_t end) const override {
    return TranslateSelect(mTokens, begin, end, mOptions);
  }
  std::optional<std::string> Update(size_t, size_t) const override { return std::nullopt; }
  std::string InsertHead(size_t first, size_t table) const override {
    return mTranslator.Range(first, table + 1);
  }
  std::string ColumnName(const std::string& column) const override { return QuoteName(column); }
  bool KeepsLead() const override { return true; }

 private:
  const std::vector<Token>& mTokens;
  const JetSqlOptions& mOptions;
  const Translator mTranslator;
};

class PgWriter final : public DialectWriter {
 public:
  PgWriter(const std::vector<Token>& tokens, const JetSqlOptions& options)
      : mTokens(tokens), mTranslator(tokens, options) {}

  std::string Range(size_t begin, size_t end) const override {
    return mTranslator.Range(begin, end);
  }
  JetSqlTranslation Select(size_t begin, size_t end) const override {
    return mTranslator.Select(begin, end);
  }
  std::optional<std::string> Update(size_t first, size_t end) const override {
    // "=" in the SET clause assigns: it must not become a comparison of keys.
    std::optional<size_t> set, where;
    int depth = 0;
    for (size_t i = first + 1; i < end; ++i) {
      if (IsPunct(mTokens[i], "(")) {
        ++depth;
      } else if (IsPunct(mTokens[i], ")")) {
        --depth;
      } else if (depth == 0 && !set && IsKeyword(mTokens[i], "SET")) {
        set = i;
      } else if (depth == 0 && set && !where && IsKeyword(mTokens[i], "WHERE")) {
        where = i;
      }
    }
    if (!set) {
      return std::nullopt;
    }
    return mTranslator.Range(first, *set + 1) +
           mTranslator.Assignments(*set + 1, where.value_or(end)) +
           (where ? mTranslator.Range(*where, end) : std::string());
  }
  std::string InsertHead(size_t, size_t table) const override {
    return "INSERT INTO " + PgName(mTokens[table]);
  }
  // The server's columns come quoted already.
  std::string ColumnName(const std::string& column) const override { return column; }
  bool KeepsLead() const override { return false; }

 private:
  const std::vector<Token>& mTokens;
  const PgTranslator mTranslator;
};

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
  if (options.dialect == JetSqlDialect::kPostgres) {
    return TranslateStatement(tokens, options, PgWriter(tokens, options));
  }
  const Token& verb = tokens[first];
  // Text literals get the case-blind order only where rows are compared.
  const bool dml = IsKeyword(verb, "SELECT") || IsKeyword(verb, "INSERT") ||
                   IsKeyword(verb, "UPDATE") || IsKeyword(verb, "DELETE");
  return TranslateStatement(tokens, options, SqliteWriter(tokens, options, dml));
}

}  // namespace dao

namespace dao {

std::string CaseBlindKey(const std::string& expression) {
  // upper() takes ICU's full upper-case mapping when its input has an ICU collation; the keys
  // then compare byte by byte, which for UTF-8 is code point order.
  return "upper((" + expression + ") COLLATE \"und-x-icu\") COLLATE \"C\"";
}

namespace {

// The index element on the case-blind key of `expression`, in the form the planner matches
// against CaseBlindKey in a query.
std::string KeyIndexElement(const std::string& expression) {
  return "(upper((" + expression + ") COLLATE \"und-x-icu\")) COLLATE \"C\"";
}

std::string TokensText(const std::vector<Token>& tokens, size_t begin, size_t end) {
  std::string text;
  for (size_t i = begin; i < end; ++i) {
    text += tokens[i].text;
  }
  return text;
}

// The comma-separated items inside the parentheses opening at `open`.
std::vector<std::pair<size_t, size_t>> ParenItems(const std::vector<Token>& tokens, size_t open,
                                                  size_t close) {
  std::vector<std::pair<size_t, size_t>> items;
  int depth = 0;
  size_t start = open + 1;
  for (size_t i = open + 1; i < close; ++i) {
    if (IsPunct(tokens[i], "(")) {
      ++depth;
    } else if (IsPunct(tokens[i], ")")) {
      --depth;
    } else if (depth == 0 && IsPunct(tokens[i], ",")) {
      items.emplace_back(start, i);
      start = i + 1;
    }
  }
  items.emplace_back(start, close);
  return items;
}

std::string PgColumnDefinition(const std::vector<Token>& tokens, size_t begin, size_t end) {
  std::string out;
  for (size_t i = begin; i < end; ++i) {
    const Token& token = tokens[i];
    if (IsKeyword(token, "INTEGER")) {
      const size_t primary = NextSignificant(tokens, i + 1, end);
      const size_t key = primary < end ? NextSignificant(tokens, primary + 1, end) : end;
      const size_t autoincrement = key < end ? NextSignificant(tokens, key + 1, end) : end;
      if (autoincrement < end && IsKeyword(tokens[primary], "PRIMARY") &&
          IsKeyword(tokens[key], "KEY") && IsKeyword(tokens[autoincrement], "AUTOINCREMENT")) {
        // Assigned in append order and never handed out twice, as the file's keys.
        out += "integer GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY";
        i = autoincrement;
        continue;
      }
      out += "integer";
    } else if (IsKeyword(token, "LONG")) {
      out += "integer";
    } else if (IsKeyword(token, "BYTE")) {
      out += "smallint";
    } else if (IsKeyword(token, "COLLATE")) {
      // Case-blindness lives in the statements' keys, not in the column.
      const size_t name = NextSignificant(tokens, i + 1, end);
      if (name < end && IsKeyword(tokens[name], "NOCASE")) {
        i = name;
        while (!out.empty() && out.back() == ' ') {
          out.pop_back();
        }
        continue;
      }
      out += token.text;
    } else {
      out += token.text;
    }
  }
  return out;
}

}  // namespace

std::string TranslateSchemaForPostgres(std::string_view sqliteSchema) {
  std::string text;
  {
    // Comments go first: they may hold semicolons.
    size_t pos = 0;
    while (pos < sqliteSchema.size()) {
      size_t eol = sqliteSchema.find('\n', pos);
      if (eol == std::string_view::npos) {
        eol = sqliteSchema.size();
      }
      std::string_view line = sqliteSchema.substr(pos, eol - pos);
      const size_t comment = line.find("--");
      if (comment != std::string_view::npos) {
        line = line.substr(0, comment);
      }
      text.append(line);
      text += '\n';
      pos = eol + 1;
    }
  }
  std::map<std::string, std::set<std::string>> textColumns;  // ASCII upper-cased names
  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t stop = text.find(';', start);
    if (stop == std::string::npos) {
      stop = text.size();
    }
    const std::string statement = text.substr(start, stop - start);
    start = stop + 1;
    const std::vector<Token> tokens = Tokenize(statement);
    const size_t end = tokens.size();
    const size_t create = NextSignificant(tokens, 0, end);
    if (create == end) {
      continue;
    }
    size_t kind = NextSignificant(tokens, create + 1, end);
    if (!IsKeyword(tokens[create], "CREATE") || kind == end) {
      throw JetSqlError("the schema holds a statement other than CREATE TABLE or CREATE INDEX");
    }
    std::string unique;
    if (IsKeyword(tokens[kind], "UNIQUE")) {
      unique = "UNIQUE ";
      kind = NextSignificant(tokens, kind + 1, end);
    }
    const size_t name = kind < end ? NextSignificant(tokens, kind + 1, end) : end;
    if (name == end) {
      throw JetSqlError("incomplete CREATE statement in the schema");
    }
    if (unique.empty() && IsKeyword(tokens[kind], "TABLE")) {
      size_t open = NextSignificant(tokens, name + 1, end);
      if (open == end || !IsPunct(tokens[open], "(")) {
        throw JetSqlError("CREATE TABLE without a column list in the schema");
      }
      const size_t close = MatchingParen(tokens, open, end);
      const std::string table = AsciiUpper(tokens[name].text);
      std::string columns;
      for (const auto& [itemBegin, itemEnd] : ParenItems(tokens, open, close)) {
        const size_t column = NextSignificant(tokens, itemBegin, itemEnd);
        const size_t type =
            column < itemEnd ? NextSignificant(tokens, column + 1, itemEnd) : itemEnd;
        if (type < itemEnd && IsKeyword(tokens[type], "TEXT")) {
          textColumns[table].insert(AsciiUpper(tokens[column].text));
        }
        if (!columns.empty()) {
          columns += ',';
        }
        columns += PgColumnDefinition(tokens, itemBegin, itemEnd);
      }
      out += "CREATE TABLE " + tokens[name].text + " (" + columns + ");\n";
      // The server folds names to lower case; the comments keep them as declared, for the
      // recordsets' field names.
      for (const auto& [itemBegin, itemEnd] : ParenItems(tokens, open, close)) {
        const size_t column = NextSignificant(tokens, itemBegin, itemEnd);
        if (column < itemEnd && tokens[column].kind == TokenKind::Word &&
            !IsKeyword(tokens[column], "PRIMARY") && !IsKeyword(tokens[column], "CHECK") &&
            !IsKeyword(tokens[column], "UNIQUE") && !IsKeyword(tokens[column], "CONSTRAINT")) {
          out += "COMMENT ON COLUMN " + tokens[name].text + "." + tokens[column].text + " IS " +
                 SqlTextLiteral(tokens[column].text) + ";\n";
        }
      }
    } else if (IsKeyword(tokens[kind], "INDEX")) {
      const size_t on = NextSignificant(tokens, name + 1, end);
      const size_t table = on < end ? NextSignificant(tokens, on + 1, end) : end;
      const size_t open = table < end ? NextSignificant(tokens, table + 1, end) : end;
      if (open == end || !IsKeyword(tokens[on], "ON") || !IsPunct(tokens[open], "(")) {
        throw JetSqlError("CREATE INDEX without ON table (...) in the schema");
      }
      const size_t close = MatchingParen(tokens, open, end);
      const std::set<std::string>& texts = textColumns[AsciiUpper(tokens[table].text)];
      std::string elements;
      for (auto [itemBegin, itemEnd] : ParenItems(tokens, open, close)) {
        // Significant tokens of the element: "expr [COLLATE NOCASE]".
        while (itemEnd > itemBegin && tokens[itemEnd - 1].kind == TokenKind::Space) {
          --itemEnd;
        }
        bool keyed = false;
        if (itemEnd - itemBegin >= 2 && IsKeyword(tokens[itemEnd - 1], "NOCASE")) {
          size_t collate = itemEnd - 2;
          while (collate > itemBegin && tokens[collate].kind == TokenKind::Space) {
            --collate;
          }
          if (IsKeyword(tokens[collate], "COLLATE")) {
            keyed = true;
            itemEnd = collate;
            while (itemEnd > itemBegin && tokens[itemEnd - 1].kind == TokenKind::Space) {
              --itemEnd;
            }
          }
        }
        const size_t first = NextSignificant(tokens, itemBegin, itemEnd);
        if (!keyed && first + 1 == itemEnd && tokens[first].kind == TokenKind::Word &&
            texts.count(AsciiUpper(tokens[first].text)) > 0) {
          keyed = true;
        }
        const std::string expression = TokensText(tokens, first, itemEnd);
        elements +=
            (elements.empty() ? "" : ", ") + (keyed ? KeyIndexElement(expression) : expression);
      }
      out += "CREATE " + unique + "INDEX " + tokens[name].text + " ON " + tokens[table].text +
             " (" + elements + ");\n";
    } else {
      throw JetSqlError("the schema holds a statement other than CREATE TABLE or CREATE INDEX");
    }
  }
  return out;
}

}  // namespace dao
