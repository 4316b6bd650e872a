// Database: an open database file, as DAO's Database object presents it.
//
// Runs statements written in the Jet/Access dialect (see JetSql.h) against an SQLite file:
// OpenRecordset for queries, Execute for action statements, and transactions that nest
// (BeginTrans/CommitTrans/Rollback, or the Transaction scope below). Files are kept in WAL mode
// with synchronous NORMAL, so a statement that returned has survived a crash of the process.
//
// A file may carry a password. That is an access check (a salted Argon2 hash kept in the file),
// not encryption: anyone with the file can read its rows with other tools.
//
// Errors are automation::AutomationError with DAO's numbers where DAO has one (3024 file not
// found, 3031 wrong password, 3204 file exists, 3034 no transaction, 3420 closed) and 3000 with
// the engine's own text for everything the engine rejects.
//
// Ownership: reference-counted (automation::ObjectPtr); the file is closed by Close or when the
// last reference (the object's or an open Recordset's) goes. Belongs to the thread that opened
// it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/automation/Object.h"
#include "platform/dao/DaoExport.h"
#include "platform/dao/Recordset.h"

namespace dao {

class Database;
using DatabasePtr = automation::ObjectPtr<Database>;

// DAO's error numbers raised by the stand-in.
enum DaoErrorNumber : long {
  kDaoErrEngine = 3000,  // the engine's own text follows
  kDaoErrInvalidArgument = 3001,
  kDaoErrUpdateWithoutEdit = 3020,
  kDaoErrNoCurrentRecord = 3021,
  kDaoErrDuplicate = 3022,
  kDaoErrFileNotFound = 3024,
  kDaoErrReadOnly = 3027,
  kDaoErrBadPassword = 3031,
  kDaoErrNoTransaction = 3034,
  kDaoErrSelectExecuted = 3065,
  kDaoErrSyntax = 3075,
  kDaoErrFieldNotUpdatable = 3164,
  kDaoErrRecordDeleted = 3167,
  kDaoErrDatabaseExists = 3204,
  kDaoErrInvalidOperation = 3219,
  kDaoErrLocked = 3260,
  kDaoErrItemNotFound = 3265,
  kDaoErrUnrecognizedFormat = 3343,
  kDaoErrObjectClosed = 3420,
};

class DAO_EXPORT Database : public virtual automation::Object {
 public:
  struct Impl;

  // Opens an existing file; never creates one. A file made with a password opens only with
  // that password; one made without opens with any. Raises 3024 for a missing or unreadable
  // file, 3000 for a file that is no database, 3031 for a wrong password.
  static DatabasePtr Open(const std::string& path, const std::string& password = {},
                          bool readOnly = false);
  // Makes a new file, runs `schemaSql` (SQLite statements separated by semicolons) in one
  // transaction and leaves the database open. Raises 3204 when the path exists already.
  static DatabasePtr Create(const std::string& path, const std::string& password,
                            std::string_view schemaSql);

  // Runs a query. dbOpenDynaset (the default) gives an updatable set where the query allows;
  // dbOpenSnapshot a read-only copy. dbOpenTable takes a table name and opens it as a dynaset.
  RecordsetPtr OpenRecordset(const std::string& sql, std::int32_t type = dbOpenDynaset);
  // Runs one action statement; raises when the engine rejects it.
  void Execute(const std::string& sql);
  // Rows changed by the last Execute.
  std::int32_t GetRecordsAffected() const;

  // Transactions nest; Rollback undoes the innermost one. Commit or Rollback without a
  // transaction raises 3034.
  void BeginTrans();
  void CommitTrans();
  void Rollback();
  int GetTransactionDepth() const;

  // Rolls back what is uncommitted and closes the file; later calls raise 3420. Recordsets
  // still open fail from then on too. Closing twice is harmless.
  void Close();
  bool IsOpen() const;
  const std::string& GetName() const;  // the path it was opened with

  explicit Database(std::shared_ptr<Impl> impl);

 protected:
  ~Database() override;

 private:
  std::shared_ptr<Impl> mImpl;
};

// Scope of one transaction: begun on construction, rolled back on destruction unless
// Commit was called. Keeps its database alive while it lives.
class DAO_EXPORT Transaction {
 public:
  explicit Transaction(const DatabasePtr& database);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void Commit();

 private:
  DatabasePtr mDatabase;
  bool mDone = false;
};

}  // namespace dao
