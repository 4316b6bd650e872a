// JetSql: turns statements written in the Jet/Access SQL dialect into SQLite or PostgreSQL SQL.
//
// The store's statements use Jet functions (LEFT$, UCASE, IsNull, ...), Jet's
// "INSERT INTO T SELECT ..." that matches columns by name, and expect every text
// comparison, grouping, join, sort and DISTINCT to ignore letter case, and rows
// read without ORDER BY to come in the order they were appended. SQLite does
// none of this by itself, so the translator rewrites the text:
//   - LEFT/LEFT$, MID/MID$, UCASE/UCASE$, LCASE/LCASE$, TRIM/LTRIM/RTRIM (with
//     or without $), LEN and IsNull become their SQLite equivalents; text results
//     and every text literal carry COLLATE NOCASE so that comparisons built on
//     them ignore case like the columns do;
//   - Jet's "..." text literals and #...# date literals become '...' literals,
//     & becomes ||, and "DELETE * FROM" becomes "DELETE FROM";
//   - "INSERT INTO T SELECT ..." without a column list gets the names of the
//     selected columns as its column list (asked of the caller's engine);
//   - a plain SELECT from one table without ORDER BY is ordered by rowid.
// Case folding is NOCASE, which the Database's connections replace with the tree's one
// case-blind order (platform/casefold: equal when the full upper-case mappings are equal). UCASE
// becomes upper(), which the connections replace with that same full upper-case mapping.
//
// The PostgreSQL dialect does the same with the server's means. Text is made case-blind by
// comparing, grouping, joining and sorting the case-blind key of a text value (CaseBlindKey):
// its ICU full upper-case mapping (root locale) compared in code point order. Every comparison
// with a text operand compares keys, text GROUP BY and ORDER BY items become keys, DISTINCT
// becomes DISTINCT ON the keys, and a grouped text column selected beside aggregates is selected
// as min(column). The store's indexes are built on the same key expressions, so the look-ups use
// them. LEFT$ and MID$ become substr, UCASE upper, IsNull an IS NULL test, [name] a plain name,
// and a plain SELECT from one table without ORDER BY is ordered by the table's key.
// TranslateSchemaForPostgres turns the store's SQLite schema into the server's.
//
// Pure functions of their input; safe to call from any thread.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dao/DaoExport.h"

namespace dao {

// Raised for a statement the translator cannot make sense of (an unclosed
// literal or bracket, a column list it cannot derive).
class DAO_EXPORT JetSqlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class JetSqlDialect { kSqlite, kPostgres };

struct JetSqlOptions {
  JetSqlDialect dialect = JetSqlDialect::kSqlite;
  // Names of the result columns of a (translated) SELECT, in order. Needed for
  // "INSERT INTO T SELECT ..." without a column list; when unset such a
  // statement raises JetSqlError.
  std::function<std::vector<std::string>(const std::string& selectSql)> selectColumns;
  // Whether a table name has a rowid that orders rows in append order. When
  // unset every table is taken to have one.
  std::function<bool(const std::string& table)> hasRowid;
  // PostgreSQL: whether a column of that (unqualified) name holds text. When unset no column
  // is taken to hold text.
  std::function<bool(const std::string& column)> isTextColumn;
  // PostgreSQL: the lone integer key column of a table, which orders its rows in append order
  // and finds a row again; "" when it has none (its queries are then read-only). When unset
  // no table has one.
  std::function<std::string(const std::string& table)> keyColumn;
};

struct JetSqlTranslation {
  std::string sql;  // the SQLite text
  // For a plain SELECT from one table (no join, derived table, DISTINCT,
  // grouping or aggregate): the table and the same query with the row's rowid
  // (PostgreSQL: key) as an extra first column, which an updatable recordset
  // uses to find the row again. Both empty otherwise.
  std::string baseTable;
  std::string keyedSql;
};

// Translates one statement. Throws JetSqlError on text it cannot translate;
// everything else is left for the engine to judge.
DAO_EXPORT JetSqlTranslation TranslateJetSql(const std::string& jetSql,
                                             const JetSqlOptions& options = {});

// The PostgreSQL expression of the case-blind key of a text expression.
DAO_EXPORT std::string CaseBlindKey(const std::string& expression);

// The CREATE TABLE and CREATE INDEX statements of an SQLite schema (as the store's schema file
// writes them) in PostgreSQL's dialect: AUTOINCREMENT keys become identity columns, LONG
// integer, BYTE smallint, text columns lose COLLATE NOCASE, and an index element on a text
// column or marked COLLATE NOCASE is built on its case-blind key. Throws JetSqlError on a
// statement of another kind.
DAO_EXPORT std::string TranslateSchemaForPostgres(std::string_view sqliteSchema);

}  // namespace dao
