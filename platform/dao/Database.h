// Database: an open database, as DAO's Database object presents it.
//
// Runs statements written in the Jet/Access dialect (see JetSql.h): OpenRecordset for queries,
// Execute for action statements, and transactions that nest (BeginTrans/CommitTrans/Rollback,
// or the Transaction scope below). The database is either
//   - an SQLite file, named by its path (the default). Files are kept in WAL mode with
//     synchronous NORMAL, so a statement that returned has survived a crash of the process. A
//     file may carry a password: an access check (a salted Argon2 hash kept in the file), not
//     encryption; or
//   - a database on a PostgreSQL server, named by a connection string: a URI
//     "postgresql://..." (or "postgres://...") or key/value conninfo "host=... dbname=...". The
//     password goes to the server, whose authentication replaces the file's access check. Many
//     processes may work on one such database at once; RunSerializable gives a piece of work
//     that must not race with another process's the isolation it needs. A build without
//     PostgreSQL (RAVELIN_WITH_POSTGRESQL off) refuses connection strings with 3000.
// Both engines compare, group, join and sort text without regard to case, in the same way.
//
// Errors are automation::AutomationError with DAO's numbers where DAO has one (3024 file not
// found, server unreachable or no such server database, 3031 wrong password, 3033 no right to
// connect, 3045 the server takes no more connections, 3204 file exists or server database not
// empty, 3034 no transaction, 3151 connection to the server lost, 3197 stopped by a concurrent
// change, 3260 a lock not granted in time, 3420 closed) and 3000 with the engine's own text for
// everything the engine rejects.
//
// A server connection that is lost (the server restarted, the network dropped, or no answer came
// within the statement timeout plus a few seconds) fails the call with 3151 and IsOpen turns
// False; the next call connects again when no transaction was open. Inside a transaction the
// work is gone: calls raise 3151 until Rollback, which then succeeds. A 3151 from CommitTrans
// means the answer to COMMIT was lost: whether the transaction was committed is unknown.
//
// The name of a server database, as GetName gives it and as error texts show it, has its
// password masked.
//
// Ownership: reference-counted (automation::ObjectPtr); the file is closed by Close or when the
// last reference (the object's or an open Recordset's) goes. Belongs to the thread that opened
// it.
#pragma once

#include <cstdint>
#include <functional>
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
  kDaoErrNoPermission = 3033,
  kDaoErrNoTransaction = 3034,
  kDaoErrInUse = 3045,
  kDaoErrSelectExecuted = 3065,
  kDaoErrSyntax = 3075,
  kDaoErrFieldNotUpdatable = 3164,
  kDaoErrRecordDeleted = 3167,
  kDaoErrWriteConflict = 3197,
  kDaoErrDatabaseExists = 3204,
  kDaoErrInvalidOperation = 3219,
  kDaoErrLocked = 3260,
  kDaoErrItemNotFound = 3265,
  kDaoErrConnectionLost = 3151,
  kDaoErrUnrecognizedFormat = 3343,
  kDaoErrObjectClosed = 3420,
};

class DAO_EXPORT Database : public virtual automation::Object {
 public:
  struct Impl;

  // Whether `name` is a PostgreSQL connection string rather than a file path: it begins with
  // "postgresql://" or "postgres://", or with a conninfo keyword and "=" ("host=...").
  static bool IsConnectionString(const std::string& name);

  // Opens an existing database; never creates one. A file made with a password opens only with
  // that password; one made without opens with any. Raises 3024 for a missing or unreadable
  // file or an unreachable server, 3343 for a file that is no database or a server database
  // without tables, 3031 for a wrong password.
  static DatabasePtr Open(const std::string& path, const std::string& password = {},
                          bool readOnly = false);
  // Makes a new database from `schemaSql` (CREATE TABLE and CREATE INDEX statements in SQLite's
  // dialect, separated by semicolons; a server gets them in its own dialect) in one transaction
  // and leaves it open. A file must not exist yet, a server database must hold no tables:
  // raises 3204 otherwise.
  static DatabasePtr Create(const std::string& path, const std::string& password,
                            std::string_view schemaSql);

  // A server database whose tables were made (by its owner, who calls this): gives the login
  // role `role` what the venue's PCs need and nothing more: CONNECT on the database, USAGE on
  // the schema public, SELECT, INSERT, UPDATE and DELETE on the tables there and USAGE on their
  // sequences. Such a role cannot make, change or drop tables. Raises 3000 for a file (a file has
  // no roles) and with the server's text when the server refuses (no such role, not the owner).
  static void GrantAccess(const std::string& connection, const std::string& password,
                          const std::string& role);

  // Runs a query. dbOpenDynaset (the default) gives an updatable set where the query allows;
  // dbOpenSnapshot a read-only copy. dbOpenTable takes a table name and opens it as a dynaset.
  virtual RecordsetPtr OpenRecordset(const std::string& sql, std::int32_t type = dbOpenDynaset);
  // Runs one action statement; raises when the engine rejects it.
  virtual void Execute(const std::string& sql);
  // Rows changed by the last Execute.
  virtual std::int32_t GetRecordsAffected() const;

  // Transactions nest; Rollback undoes the innermost one. Commit or Rollback without a
  // transaction raises 3034. An outermost transaction begun `serializable` sees and makes
  // changes as if no other connection worked at the same time; where another one did, a
  // statement or the commit raises 3197 and the work must be rolled back and done again.
  virtual void BeginTrans(bool serializable = false);
  // Inside a transaction: waits until no other connection holds `table` (a store table's name),
  // then holds it until the transaction ends, so that work on it runs one connection at a time;
  // readers are not held up. A wait longer than the server's lock timeout raises 3260. A file
  // takes its write lock. Raises 3034 outside a transaction.
  virtual void LockTable(const std::string& table);
  virtual void CommitTrans();
  virtual void Rollback();
  virtual int GetTransactionDepth() const;

  // Rolls back what is uncommitted and closes the file; later calls raise 3420. Recordsets
  // still open fail from then on too. Closing twice is harmless.
  virtual void Close();
  virtual bool IsOpen() const;
  // The path it was opened with; a connection string with its password masked.
  virtual const std::string& GetName() const;

  explicit Database(std::shared_ptr<Impl> impl);

 protected:
  // For a database that another object supplies (a COM host's own, called late bound): it has
  // no connection here and overrides every member above.
  Database();
  ~Database() override;

 private:
  std::shared_ptr<Impl> mImpl;
};

// Scope of one transaction: begun on construction, rolled back on destruction unless
// Commit was called. Keeps its database alive while it lives.
class DAO_EXPORT Transaction {
 public:
  explicit Transaction(const DatabasePtr& database, bool serializable = false);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void Commit();

 private:
  DatabasePtr mDatabase;
  bool mDone = false;
};

// A file path as it is; a connection string (or a text that may quote one, such as a libpq
// error) with every password in it replaced by "***": password=... in conninfo or a URI's query,
// and user:password@ in a URI.
DAO_EXPORT std::string MaskPassword(const std::string& text);

// Runs `work` in a serializable transaction and commits it; when a concurrent change stopped it
// (3197), rolls back and runs it again, a bounded number of times. Any other error, or the last
// conflict, rolls back and reaches the caller. Must not be called inside a transaction.
DAO_EXPORT void RunSerializable(const DatabasePtr& database, const std::function<void()>& work);

}  // namespace dao
