// Internal to the dao library: the SQLite connection shared by a Database and its Recordsets,
// and RAII owners for SQLite handles. Not installed; the public headers show no SQLite type.
//
// Shared as DaoBackend.h describes. Used on the thread that opened the database only.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dao/DaoBackend.h"
#include "platform/dao/Database.h"
#include "platform/dao/JetSql.h"

namespace dao {

struct SqliteCloser {
  void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

struct SqliteConnection final : Database::Impl {
  SqliteHandle mDb;
  // The outermost transaction was begun with BEGIN IMMEDIATE rather than as a savepoint.
  bool mImmediate = false;

  bool IsOpen() const override { return mDb != nullptr; }
  RecordsetPtr OpenRecordset(const std::shared_ptr<Impl>& self, const std::string& sql,
                             std::int32_t type) override;
  void Execute(const std::string& sql) override;
  void Begin(bool serializable) override;
  void Commit() override;
  void Rollback() override;
  void LockTable(const std::string& table) override;
  void Close() noexcept override;

  // The open handle; raises 3420 once the database has been closed.
  sqlite3* Get() const;
  // Raises the error the engine reported for result code `rc`.
  [[noreturn]] void RaiseEngine(int rc) const;
  // Prepares exactly one statement (a closing semicolon is allowed).
  Statement Prepare(const std::string& sql) const;
  // Prepares and runs a statement without result rows.
  void Run(const std::string& sql) const;
  // Steps a statement once; true while it has a row.
  bool Step(sqlite3_stmt* statement) const;
  JetSqlTranslation Translate(const std::string& jetSql) const;
};

}  // namespace dao
