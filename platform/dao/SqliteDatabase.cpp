#include "platform/dao/SqliteDatabase.h"
#include "platform/dao/SqlText.h"

#include <sodium.h>

#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string_view>

#include "platform/automation/AutomationError.h"
#include "platform/automation/Variant.h"
#include "platform/casefold/CaseFold.h"

namespace dao {
namespace {

// Holds the salted hash of a file's password; absent or empty when the file has none.
constexpr const char* kAccessTable = "RavelinAccess";

void InitSodium() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (sodium_init() < 0) {
      throw std::runtime_error("libsodium could not be initialised");
    }
  });
}

bool OnlySeparatorsLeft(const char* tail) {
  for (; tail != nullptr && *tail != '\0'; ++tail) {
    if (*tail != ';' && *tail != ' ' && *tail != '\t' && *tail != '\r' && *tail != '\n') {
      return false;
    }
  }
  return true;
}

long NumberFor(int rc) {
  switch (rc & 0xff) {
    case SQLITE_CONSTRAINT:
      return (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY)
                 ? kDaoErrDuplicate
                 : kDaoErrEngine;
    case SQLITE_READONLY:
      return kDaoErrReadOnly;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return kDaoErrLocked;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return kDaoErrUnrecognizedFormat;
    case SQLITE_CANTOPEN:
      return kDaoErrFileNotFound;
    default:
      return kDaoErrEngine;
  }
}

// Paths arrive in UTF-8, as the engine takes them; a plain std::string would be read in the
// system's narrow code page where that is not UTF-8 (Windows).
std::filesystem::path FilePath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

void RemoveDatabaseFiles(const std::string& path) {
  std::error_code ignored;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
    std::filesystem::remove(FilePath(path + suffix), ignored);
  }
}

// UCASE and upper() map every letter with an upper case, not only ASCII ones as SQLite's own
// upper(): a statement comparing UCASE(column) with a text the caller upper-cased must find
// "łódź" as "ŁÓDŹ".
void UpperFunction(sqlite3_context* context, int, sqlite3_value** args) {
  if (sqlite3_value_type(args[0]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
  const int bytes = sqlite3_value_bytes(args[0]);
  try {
    const std::string upper =
        casefold::Upper(std::string_view(text ? text : "", static_cast<std::size_t>(bytes)));
    sqlite3_result_text(context, upper.data(), static_cast<int>(upper.size()), SQLITE_TRANSIENT);
  } catch (const std::exception&) {
    sqlite3_result_error_nomem(context);
  }
}

// NOCASE, the collation of every text column of the store, ignores the case of every letter
// that has one, as Jet does, and orders by the upper-cased forms, so grouping, joins, DISTINCT,
// indexes and look-ups agree with UCASE.
int NoCaseCollation(void*, int length1, const void* text1, int length2, const void* text2) {
  const std::string_view a(static_cast<const char*>(text1), static_cast<std::size_t>(length1));
  const std::string_view b(static_cast<const char*>(text2), static_cast<std::size_t>(length2));
  try {
    return casefold::Compare(a, b);
  } catch (const std::exception&) {
    // Out of memory: fall back on the bytes, which is still a consistent order.
    const int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
  }
}

// Files whose NOCASE indexes follow the present case-blind order carry this user_version. Files
// written before it took effect (0) keep index entries in the earlier order, through which
// look-ups would miss rows: they are rebuilt once, on the first writable open.
constexpr int kCaseOrderVersion = 1;

void RebuildOldCaseOrder(const SqliteConnection& impl) {
  Statement version = impl.Prepare("PRAGMA user_version");
  const int current = impl.Step(version.get()) ? sqlite3_column_int(version.get(), 0) : 0;
  version.reset();
  if (current >= kCaseOrderVersion) {
    return;
  }
  impl.Run("BEGIN IMMEDIATE");
  try {
    impl.Run("REINDEX NOCASE");
    impl.Run("PRAGMA user_version = " + std::to_string(kCaseOrderVersion));
    impl.Run("COMMIT");
  } catch (...) {
    sqlite3_exec(impl.Get(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

// Opens the file and sets the durability settings every connection uses.
SqliteHandle OpenHandle(const std::string& path, int flags) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  SqliteHandle handle(raw);
  if (rc != SQLITE_OK) {
    RaiseDao(kDaoErrFileNotFound, "Could not find or open file '" + path + "'.");
  }
  sqlite3_extended_result_codes(handle.get(), 1);
  sqlite3_busy_timeout(handle.get(), 5000);
  sqlite3_create_function_v2(handle.get(), "upper", 1,
                             SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                             UpperFunction, nullptr, nullptr, nullptr);
  sqlite3_create_collation_v2(handle.get(), "NOCASE", SQLITE_UTF8, nullptr, NoCaseCollation,
                              nullptr);
  return handle;
}

}  // namespace

sqlite3* SqliteConnection::Get() const {
  if (!mDb) {
    RaiseDao(kDaoErrObjectClosed, "Object invalid or no longer set.");
  }
  return mDb.get();
}

void SqliteConnection::RaiseEngine(int rc) const {
  const char* text = mDb ? sqlite3_errmsg(mDb.get()) : sqlite3_errstr(rc);
  RaiseDao(NumberFor(rc), text != nullptr ? text : "database engine error");
}

Statement SqliteConnection::Prepare(const std::string& sql) const {
  // The engine would stop reading at a NUL and run what came before it.
  if (sql.find('\0') != std::string::npos) {
    RaiseDao(kDaoErrEngine, "the SQL text contains a NUL character");
  }
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  const int rc =
      sqlite3_prepare_v2(Get(), sql.c_str(), static_cast<int>(sql.size()) + 1, &raw, &tail);
  Statement statement(raw);
  if (rc != SQLITE_OK) {
    RaiseEngine(rc);
  }
  if (!statement) {
    RaiseDao(kDaoErrEngine, "the SQL text holds no statement");
  }
  // One call runs one statement; a second one smuggled in after a semicolon is refused.
  if (!OnlySeparatorsLeft(tail)) {
    RaiseDao(kDaoErrEngine, "Characters found after end of SQL statement.");
  }
  return statement;
}

bool SqliteConnection::Step(sqlite3_stmt* statement) const {
  const int rc = sqlite3_step(statement);
  if (rc == SQLITE_ROW) {
    return true;
  }
  if (rc != SQLITE_DONE) {
    RaiseEngine(rc);
  }
  return false;
}

void SqliteConnection::Run(const std::string& sql) const {
  Statement statement = Prepare(sql);
  while (Step(statement.get())) {
  }
}

JetSqlTranslation SqliteConnection::Translate(const std::string& jetSql) const {
  JetSqlOptions options;
  options.selectColumns = [this](const std::string& selectSql) {
    Statement statement = Prepare(selectSql);
    std::vector<std::string> names;
    for (int i = 0; i < sqlite3_column_count(statement.get()); ++i) {
      names.emplace_back(sqlite3_column_name(statement.get(), i));
    }
    return names;
  };
  options.hasRowid = [this](const std::string& table) {
    Statement statement =
        Prepare("SELECT sql FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    sqlite3_bind_text(statement.get(), 1, table.c_str(), static_cast<int>(table.size()),
                      SQLITE_TRANSIENT);
    if (!Step(statement.get())) {
      return false;  // a view or no table at all
    }
    const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
    return sql == nullptr || std::string(sql).find("WITHOUT ROWID") == std::string::npos;
  };
  try {
    return TranslateJetSql(jetSql, options);
  } catch (const JetSqlError& error) {
    RaiseDao(kDaoErrSyntax, error.what());
  }
}

void SqliteConnection::Close() noexcept {
  if (!mDb) {
    return;
  }
  if (mTransactionDepth > 0) {
    sqlite3_exec(mDb.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    mTransactionDepth = 0;
    mImmediate = false;
  }
  mDb.reset();
}

std::shared_ptr<Database::Impl> OpenFileDatabase(const std::string& path,
                                                 const std::string& password, bool readOnly) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(FilePath(path), error)) {
    RaiseDao(kDaoErrFileNotFound, "Could not find file '" + path + "'.");
  }
  // The engine takes an empty file for a new database and would write one into it: opening
  // must never make a database, so an empty file is refused as the foreign file it is.
  if (std::filesystem::file_size(FilePath(path), error) == 0 && !error) {
    RaiseDao(kDaoErrUnrecognizedFormat, "Unrecognized database format '" + path + "'.");
  }
  SqliteHandle handle = OpenHandle(path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
  auto impl = std::make_shared<SqliteConnection>();
  impl->mDb = std::move(handle);
  impl->mName = path;

  // Reading the schema is what tells a database from any other file.
  Statement access = impl->Prepare(
      "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = 'RavelinAccess'");
  const bool hasAccess = impl->Step(access.get()) && sqlite3_column_int(access.get(), 0) > 0;
  access.reset();
  if (hasAccess) {
    InitSodium();
    Statement hashes = impl->Prepare(std::string("SELECT strPasswordHash FROM ") + kAccessTable);
    while (impl->Step(hashes.get())) {
      const auto* hash = reinterpret_cast<const char*>(sqlite3_column_text(hashes.get(), 0));
      if (hash != nullptr && *hash != '\0' &&
          crypto_pwhash_str_verify(hash, password.c_str(), password.size()) != 0) {
        RaiseDao(kDaoErrBadPassword, "Not a valid password.");
      }
    }
  }
  if (!readOnly) {
    // WAL with synchronous NORMAL: a committed statement survives a crash of the process.
    sqlite3_exec(impl->mDb.get(), "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
    RebuildOldCaseOrder(*impl);
  }
  impl->Run("PRAGMA synchronous = NORMAL");
  return impl;
}

std::shared_ptr<Database::Impl> CreateFileDatabase(const std::string& path,
                                                   const std::string& password,
                                                   std::string_view schemaSql) {
  std::error_code error;
  if (std::filesystem::exists(std::filesystem::symlink_status(FilePath(path), error))) {
    RaiseDao(kDaoErrDatabaseExists, "Database '" + path + "' already exists.");
  }
  std::string hash;
  if (!password.empty()) {
    InitSodium();
    hash.resize(crypto_pwhash_STRBYTES);
    if (crypto_pwhash_str(hash.data(), password.c_str(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
      RaiseDao(kDaoErrEngine, "Out of memory while hashing the password.");
    }
    hash.resize(hash.find('\0'));
  }
  try {
    auto database = std::make_shared<SqliteConnection>();
    database->mDb = OpenHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    database->mName = path;
    SqliteConnection& impl = *database;
    impl.Run("PRAGMA journal_mode = WAL");
    impl.Run("PRAGMA synchronous = NORMAL");
    impl.Run("BEGIN");
    char* message = nullptr;
    const std::string schema(schemaSql);
    const int rc = sqlite3_exec(impl.Get(), schema.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
      const std::string text = message != nullptr ? message : sqlite3_errstr(rc);
      sqlite3_free(message);
      RaiseDao(NumberFor(rc), text);
    }
    if (!hash.empty()) {
      impl.Run(std::string("CREATE TABLE ") + kAccessTable + " (strPasswordHash TEXT)");
      Statement insert = impl.Prepare(std::string("INSERT INTO ") + kAccessTable + " VALUES (?1)");
      sqlite3_bind_text(insert.get(), 1, hash.c_str(), static_cast<int>(hash.size()),
                        SQLITE_TRANSIENT);
      impl.Step(insert.get());
    }
    impl.Run("PRAGMA user_version = " + std::to_string(kCaseOrderVersion));
    impl.Run("COMMIT");
    return database;
  } catch (...) {
    // A file half made is no database: take it away again.
    RemoveDatabaseFiles(path);
    throw;
  }
}

void SqliteConnection::Execute(const std::string& sql) {
  const JetSqlTranslation translation = Translate(sql);
  Statement statement = Prepare(translation.sql);
  if (sqlite3_column_count(statement.get()) > 0 && sqlite3_stmt_readonly(statement.get())) {
    RaiseDao(kDaoErrSelectExecuted, "Cannot execute a select query.");
  }
  while (Step(statement.get())) {
  }
  mRecordsAffected = sqlite3_changes(Get());
}

void SqliteConnection::Begin(bool serializable) {
  // The file has one writer at a time; taking the write lock at the start, rather than at the
  // first write, keeps a transaction from reading rows another connection changes before it
  // writes.
  if (serializable) {
    Run("BEGIN IMMEDIATE");
    mImmediate = true;
  } else {
    Run("SAVEPOINT dao_transaction");
  }
}

void SqliteConnection::Commit() {
  if (mImmediate && mTransactionDepth == 1) {
    Run("COMMIT");
    mImmediate = false;
  } else {
    Run("RELEASE dao_transaction");
  }
}

void SqliteConnection::Rollback() {
  if (mImmediate && mTransactionDepth == 1) {
    Run("ROLLBACK");
    mImmediate = false;
  } else {
    Run("ROLLBACK TO dao_transaction");
    Run("RELEASE dao_transaction");
  }
}

void SqliteConnection::LockTable(const std::string& table) {
  // The file has one writer at a time: a write, even of no row, takes its lock now (waiting as
  // long as the busy timeout) and keeps it until the transaction ends.
  Run("DELETE FROM " + QuoteName(table) + " WHERE 0");
}

}  // namespace dao
