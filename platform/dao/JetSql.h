// JetSql: turns statements written in the Jet/Access SQL dialect into SQLite SQL.
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
// Pure functions of their input; safe to call from any thread.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dao/DaoExport.h"

namespace dao {

// Raised for a statement the translator cannot make sense of (an unclosed
// literal or bracket, a column list it cannot derive).
class DAO_EXPORT JetSqlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct JetSqlOptions {
  // Names of the result columns of a (translated) SELECT, in order. Needed for
  // "INSERT INTO T SELECT ..." without a column list; when unset such a
  // statement raises JetSqlError.
  std::function<std::vector<std::string>(const std::string& selectSql)> selectColumns;
  // Whether a table name has a rowid that orders rows in append order. When
  // unset every table is taken to have one.
  std::function<bool(const std::string& table)> hasRowid;
};

struct JetSqlTranslation {
  std::string sql;  // the SQLite text
  // For a plain SELECT from one table (no join, derived table, DISTINCT,
  // grouping or aggregate): the table and the same query with the row's rowid
  // as an extra first column, which an updatable recordset uses to find the
  // row again. Both empty otherwise.
  std::string baseTable;
  std::string keyedSql;
};

// Translates one statement. Throws JetSqlError on text it cannot translate;
// everything else is left for the engine to judge.
DAO_EXPORT JetSqlTranslation TranslateJetSql(const std::string& jetSql,
                                             const JetSqlOptions& options = {});

}  // namespace dao
