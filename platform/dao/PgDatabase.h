// Internal to the dao library: a connection to a database on a PostgreSQL server, shared by a
// Database and its Recordsets as DaoBackend.h describes, and RAII owners for libpq handles. Not
// installed; the public headers show no libpq type.
//
// Every statement runs as a prepared statement: the Jet text, translated, as the unnamed one
// (Parse, Bind and Execute in one round trip, which also refuses a second statement smuggled in
// after a semicolon); the connection's own statements (catalog look-ups, key assignment, row
// write-back) with parameters, prepared once per connection under a name.
//
// Each call waits for the server's answer at most the session's statement_timeout plus a few
// seconds (none when the server sets no statement timeout); a connection that gives no answer
// in that time, or that the server or the network ended, is dropped and reported lost (3151).
// When no transaction was open, the next call connects again with the same connection string
// and password.
//
// Used on the thread that opened the database only.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/dao/DaoBackend.h"
#include "platform/dao/JetSql.h"

namespace dao {

struct PgConnectionCloser {
  void operator()(PGconn* connection) const noexcept { PQfinish(connection); }
};
using PgHandle = std::unique_ptr<PGconn, PgConnectionCloser>;

struct PgResultClearer {
  void operator()(PGresult* result) const noexcept { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, PgResultClearer>;

// What the connection knows of one table; read once from the catalog.
struct PgTableInfo {
  std::string mName;  // the table's own (catalog) name
  unsigned int mOid = 0;
  std::string mKeyColumn;                     // the lone integer primary key column, "" if none
  std::map<int, std::string> mColumns;        // attnum -> name
  std::map<int, std::string> mDeclaredNames;  // attnum -> name as the schema wrote it
  std::vector<std::pair<std::string, std::string>> mDefaults;  // column -> default value text
};

// The field type a column of that type OID is read as.
FieldKind PgKindOf(unsigned int type);
// A value of a result row, read as `kind`.
automation::Variant PgReadValue(const PGresult* result, int row, int column, FieldKind kind);

// Waits until `socket` can be read (or written, `write`) or `milliseconds` pass (negative: no
// limit); > 0 ready, 0 timed out, < 0 failed. Supplied per platform.
int WaitForSocket(int socket, bool write, int milliseconds);

struct PgConnection final : Database::Impl {
  PgHandle mConnection;
  std::string mConnectionString;  // as given, password and all: needed to connect again
  std::string mPassword;
  bool mReadOnly = false;
  bool mLost = false;
  int mReplyWait = -1;  // milliseconds a call waits for the server's answer; -1 for no limit
  std::map<std::string, std::string> mPrepared;               // SQL text -> statement name
  std::optional<std::set<std::string>> mTextColumns;          // ASCII upper-cased names
  std::map<std::string, std::optional<PgTableInfo>> mTables;  // by ASCII upper-cased Jet name

  bool IsOpen() const override { return mConnection != nullptr; }
  bool IsLost() const override { return mLost; }
  void CheckOpen() override;
  RecordsetPtr OpenRecordset(const std::shared_ptr<Impl>& self, const std::string& sql,
                             std::int32_t type) override;
  void Execute(const std::string& sql) override;
  void Begin(bool serializable) override;
  void Commit() override;
  void Rollback() override;
  void LockTable(const std::string& table) override;
  void Close() noexcept override;

  // The live connection; connects again first when it was lost outside a transaction, and
  // raises 3420 once closed.
  PGconn* Get();
  // Pins the session settings the store relies on and reads the reply wait.
  void Configure();
  // Drops the connection as lost and raises 3151 with `what` happened.
  [[noreturn]] void Lose(const std::string& what);
  // Waits for the answer to what was sent (`sent` from a PQsend* call): the first failed
  // result, or the last one.
  PgResult Receive(int sent, bool commit = false);
  // Raises the error of a failed result (or of the connection when there is none).
  [[noreturn]] void RaiseResult(const PGresult* result) const;
  // Runs several statements in the simple protocol (the schema); raises on the first failure.
  void RunScript(const std::string& sql);
  // Runs one translated statement as the unnamed prepared statement.
  PgResult Run(const std::string& sql);
  // Runs the connection's own statement with text parameters (nullopt for Null).
  PgResult RunPrepared(const std::string& sql,
                       const std::vector<std::optional<std::string>>& parameters);
  JetSqlTranslation Translate(const std::string& jetSql);
  // The table of that Jet name, or nothing when there is none.
  const PgTableInfo* Table(const std::string& name);
  // The table of that OID, or nothing.
  const PgTableInfo* TableOf(unsigned int oid);
  // Drops what was read from the catalog, after a statement that may have changed it.
  void ForgetCatalog();
};

}  // namespace dao
