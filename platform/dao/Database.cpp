#include "platform/dao/Database.h"

#include <cctype>
#include <chrono>
#include <regex>
#include <thread>

#include "platform/automation/AutomationError.h"
#include "platform/dao/DaoBackend.h"

namespace dao {
namespace {

constexpr const char* kSource = "DAO.Database";

// A conflict is retried this often before it reaches the caller; each retry waits a little
// longer so that the connections it collided with get ahead.
constexpr int kSerializableAttempts = 20;

void RequireTransaction(const Database::Impl& impl) {
  if (impl.mTransactionDepth == 0) {
    RaiseDao(kDaoErrNoTransaction,
             "You tried to commit or rollback a transaction without first beginning a "
             "transaction.");
  }
}

}  // namespace

void RaiseDao(long number, const std::string& description) {
  throw automation::AutomationError(number, description, kSource);
}

Database::Impl::~Impl() = default;

void Database::Impl::CheckOpen() {
  if (!IsOpen()) {
    RaiseDao(kDaoErrObjectClosed, "Object invalid or no longer set.");
  }
}

bool Database::IsConnectionString(const std::string& name) {
  if (name.rfind("postgresql://", 0) == 0 || name.rfind("postgres://", 0) == 0) {
    return true;
  }
  // Key/value conninfo opens with a keyword and "="; a path with "=" in its first word is
  // written as ./name to be read as a file.
  size_t i = 0;
  while (i < name.size() && std::isspace(static_cast<unsigned char>(name[i]))) {
    ++i;
  }
  const size_t word = i;
  while (i < name.size() && (std::isalnum(static_cast<unsigned char>(name[i])) || name[i] == '_')) {
    ++i;
  }
  if (i == word) {
    return false;
  }
  while (i < name.size() && std::isspace(static_cast<unsigned char>(name[i]))) {
    ++i;
  }
  return i < name.size() && name[i] == '=';
}

Database::Database(std::shared_ptr<Impl> impl) : mImpl(std::move(impl)) {}

Database::Database() = default;

// The connection itself closes with the last holder of its state, which may be a Recordset.
Database::~Database() = default;

DatabasePtr Database::Open(const std::string& path, const std::string& password, bool readOnly) {
  return automation::MakeObject<Database>(IsConnectionString(path)
                                              ? OpenServerDatabase(path, password, readOnly)
                                              : OpenFileDatabase(path, password, readOnly));
}

DatabasePtr Database::Create(const std::string& path, const std::string& password,
                             std::string_view schemaSql) {
  return automation::MakeObject<Database>(IsConnectionString(path)
                                              ? CreateServerDatabase(path, password, schemaSql)
                                              : CreateFileDatabase(path, password, schemaSql));
}

void Database::GrantAccess(const std::string& connection, const std::string& password,
                           const std::string& role) {
  if (!IsConnectionString(connection)) {
    RaiseDao(kDaoErrEngine, "A database file has no roles; access is granted on a server only.");
  }
  GrantServerDatabase(connection, password, role);
}

RecordsetPtr Database::OpenRecordset(const std::string& sql, std::int32_t type) {
  mImpl->CheckOpen();
  if (type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot) {
    RaiseDao(kDaoErrInvalidArgument, "Invalid argument.");
  }
  return mImpl->OpenRecordset(mImpl, sql, type);
}

void Database::Execute(const std::string& sql) {
  mImpl->CheckOpen();
  mImpl->Execute(sql);
}

std::int32_t Database::GetRecordsAffected() const {
  return mImpl->mRecordsAffected;
}

void Database::BeginTrans(bool serializable) {
  mImpl->CheckOpen();
  mImpl->Begin(serializable && mImpl->mTransactionDepth == 0);
  ++mImpl->mTransactionDepth;
}

void Database::CommitTrans() {
  RequireTransaction(*mImpl);
  mImpl->CheckOpen();
  mImpl->Commit();
  --mImpl->mTransactionDepth;
}

void Database::Rollback() {
  RequireTransaction(*mImpl);
  if (!mImpl->IsOpen() && !mImpl->IsLost()) {
    RaiseDao(kDaoErrObjectClosed, "Object invalid or no longer set.");
  }
  // The transaction ends whatever the engine answers: a failed ROLLBACK leaves nothing a second
  // one could undo, and a depth left behind would make the next BeginTrans a savepoint of a
  // transaction that no longer exists.
  struct Lower {
    Impl& impl;
    ~Lower() { --impl.mTransactionDepth; }
  } lower{*mImpl};
  mImpl->Rollback();
}

void Database::LockTable(const std::string& table) {
  RequireTransaction(*mImpl);
  mImpl->CheckOpen();
  mImpl->LockTable(table);
}

int Database::GetTransactionDepth() const {
  return mImpl->mTransactionDepth;
}

void Database::Close() {
  mImpl->Close();
}

bool Database::IsOpen() const {
  return mImpl->IsOpen();
}

const std::string& Database::GetName() const {
  return mImpl->mName;
}

std::string MaskPassword(const std::string& text) {
  // password=secret or password = 'sec ret' in conninfo, password=secret&... in a URI's query.
  static const std::regex kKeyword(R"((password\s*=\s*)('([^'\\]|\\.)*'?|[^\s&]+))",
                                   std::regex::icase);
  // user:secret@ in a URI; up to the last @ of the word, since a careless password holds / or :.
  static const std::regex kUserInfo(R"((postgres(ql)?://[^:/@\s]*):[^@\s]*@)", std::regex::icase);
  const std::string masked = std::regex_replace(text, kKeyword, "$1***");
  return std::regex_replace(masked, kUserInfo, "$1:***@");
}

Transaction::Transaction(const DatabasePtr& database, bool serializable) : mDatabase(database) {
  if (!mDatabase) {
    automation::RaiseRuntimeError(automation::kErrObjectNotSet);
  }
  mDatabase->BeginTrans(serializable);
}

Transaction::~Transaction() {
  if (!mDone) {
    try {
      mDatabase->Rollback();
    } catch (...) {
      // Nothing to undo any more (the database was closed, which rolled back already).
    }
  }
}

void Transaction::Commit() {
  mDatabase->CommitTrans();
  mDone = true;
}

void RunSerializable(const DatabasePtr& database, const std::function<void()>& work) {
  if (!database) {
    automation::RaiseRuntimeError(automation::kErrObjectNotSet);
  }
  for (int attempt = 1;; ++attempt) {
    try {
      Transaction transaction(database, true);
      work();
      transaction.Commit();
      return;
    } catch (const automation::AutomationError& error) {
      if (error.GetNumber() != kDaoErrWriteConflict || attempt == kSerializableAttempts) {
        throw;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(attempt * 2));
  }
}

}  // namespace dao
