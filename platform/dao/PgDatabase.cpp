#include "platform/dao/PgDatabase.h"

#include <cctype>
#include <cstring>

#include "platform/automation/AutomationError.h"
#include "platform/dao/SqlText.h"

namespace dao {
namespace {

// The first word of a statement, ASCII upper-cased.
std::string Verb(const std::string& sql) {
  size_t i = 0;
  while (i < sql.size() && (std::isspace(static_cast<unsigned char>(sql[i])) || sql[i] == '(')) {
    ++i;
  }
  size_t j = i;
  while (j < sql.size() && std::isalpha(static_cast<unsigned char>(sql[j]))) {
    ++j;
  }
  return AsciiUpper(sql.substr(i, j - i));
}

long NumberFor(const char* sqlState) {
  const std::string state = sqlState != nullptr ? sqlState : "";
  if (state == "23505") {
    return kDaoErrDuplicate;
  }
  if (state == "40001" || state == "40P01") {
    return kDaoErrWriteConflict;  // serialization failure or deadlock: the work may be redone
  }
  if (state == "25006") {
    return kDaoErrReadOnly;
  }
  if (state == "55P03") {
    return kDaoErrLocked;
  }
  return kDaoErrEngine;
}

// A message of the server or of libpq on one line, as the errors of the store carry them.
std::string Trimmed(const std::string& text) {
  std::string line;
  bool space = false;
  for (char c : text) {
    if (c == '\n' || c == '\r' || c == '\t' || c == ' ') {
      space = !line.empty();
      continue;
    }
    if (space) {
      line += ' ';
      space = false;
    }
    line += c;
  }
  return line;
}

// Connects with the password given (when there is one) and the settings every connection uses.
PgHandle Connect(const std::string& connection, const std::string& password) {
  // Settings before the connection string are defaults it may override; those after it win.
  std::vector<const char*> keys = {"connect_timeout", "application_name", "dbname",
                                   "client_encoding"};
  std::vector<const char*> values = {"10", "ravelin", connection.c_str(), "UTF8"};
  if (!password.empty()) {
    keys.push_back("password");
    values.push_back(password.c_str());
  }
  keys.push_back(nullptr);
  values.push_back(nullptr);
  PgHandle handle(PQconnectdbParams(keys.data(), values.data(), 1));
  if (!handle) {
    RaiseDao(kDaoErrEngine, "Out of memory while connecting to the database server.");
  }
  if (PQstatus(handle.get()) != CONNECTION_OK) {
    const std::string message = Trimmed(PQerrorMessage(handle.get()));
    if (PQconnectionNeedsPassword(handle.get()) || PQconnectionUsedPassword(handle.get()) ||
        message.find("password authentication failed") != std::string::npos) {
      RaiseDao(kDaoErrBadPassword, "Not a valid password. " + message);
    }
    RaiseDao(kDaoErrFileNotFound, "Could not connect to the database server: " + message);
  }
  // The server's notices (a warning, a notice of an implicit index) are no messages of the
  // store's; libpq would print them to stderr.
  PQsetNoticeProcessor(
      handle.get(), [](void*, const char*) {}, nullptr);
  return handle;
}

std::shared_ptr<PgConnection> Wrap(PgHandle handle, const std::string& connection) {
  auto impl = std::make_shared<PgConnection>();
  impl->mConnection = std::move(handle);
  impl->mName = connection;
  // Text compares by the ICU upper case: a server without ICU or UTF-8 cannot keep that.
  PgResult check = impl->Run(
      "SELECT current_setting('server_encoding'), "
      "EXISTS (SELECT 1 FROM pg_collation WHERE collname = 'und-x-icu')");
  if (std::strcmp(PQgetvalue(check.get(), 0, 0), "UTF8") != 0) {
    RaiseDao(kDaoErrEngine, "The server database must be in UTF8 encoding.");
  }
  if (std::strcmp(PQgetvalue(check.get(), 0, 1), "t") != 0) {
    RaiseDao(kDaoErrEngine,
             "The server has no ICU collation \"und-x-icu\"; a PostgreSQL built with ICU is "
             "needed.");
  }
  return impl;
}

std::int64_t TableCount(PgConnection& connection) {
  PgResult count = connection.Run(
      "SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = current_schema()");
  return std::strtoll(PQgetvalue(count.get(), 0, 0), nullptr, 10);
}

}  // namespace

std::shared_ptr<Database::Impl> OpenServerDatabase(const std::string& connection,
                                                   const std::string& password, bool readOnly) {
  std::shared_ptr<PgConnection> impl = Wrap(Connect(connection, password), connection);
  // A database without tables is no store, as an empty file is none.
  if (TableCount(*impl) == 0) {
    RaiseDao(kDaoErrUnrecognizedFormat, "The server database holds no tables.");
  }
  if (readOnly) {
    impl->Run("SET default_transaction_read_only = on");
  }
  return impl;
}

std::shared_ptr<Database::Impl> CreateServerDatabase(const std::string& connection,
                                                     const std::string& password,
                                                     std::string_view schemaSql) {
  std::shared_ptr<PgConnection> impl = Wrap(Connect(connection, password), connection);
  std::string schema;
  try {
    schema = TranslateSchemaForPostgres(schemaSql);
  } catch (const JetSqlError& error) {
    RaiseDao(kDaoErrSyntax, error.what());
  }
  // The check and the tables in one transaction: two tools making the same store at once
  // cannot both find it empty.
  impl->Run("BEGIN");
  impl->Run("LOCK TABLE pg_catalog.pg_class IN SHARE ROW EXCLUSIVE MODE");
  if (TableCount(*impl) > 0) {
    impl->Run("ROLLBACK");
    RaiseDao(kDaoErrDatabaseExists,
             "The server database '" + std::string(PQdb(impl->Get())) + "' already holds tables.");
  }
  // The schema is several statements: the simple protocol runs them as they are.
  PgResult result(PQexec(impl->Get(), schema.c_str()));
  if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
    const std::string message = Trimmed(PQresultErrorMessage(result.get()));
    PQclear(PQexec(impl->Get(), "ROLLBACK"));
    RaiseDao(kDaoErrEngine, message);
  }
  impl->Run("COMMIT");
  return impl;
}

PGconn* PgConnection::Get() const {
  CheckOpen();
  return mConnection.get();
}

void PgConnection::RaiseResult(const PGresult* result) const {
  const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  // The primary message, without the statement text and position the full one adds.
  const char* primary =
      result != nullptr ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  std::string message = primary != nullptr ? primary : "";
  if (message.empty() && mConnection) {
    message = PQerrorMessage(mConnection.get());
  }
  message = Trimmed(message);
  RaiseDao(NumberFor(state), message.empty() ? "database server error" : message);
}

PgResult PgConnection::Run(const std::string& sql) {
  // The server would stop reading at a NUL and run what came before it.
  if (sql.find('\0') != std::string::npos) {
    RaiseDao(kDaoErrEngine, "the SQL text contains a NUL character");
  }
  PgResult result(PQexecParams(Get(), sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0));
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    RaiseResult(result.get());
  }
  return result;
}

PgResult PgConnection::RunPrepared(const std::string& sql,
                                   const std::vector<std::optional<std::string>>& parameters) {
  PGconn* connection = Get();
  auto found = mPrepared.find(sql);
  if (found == mPrepared.end()) {
    const std::string name = "ravelin_" + std::to_string(mPrepared.size() + 1);
    PgResult prepared(PQprepare(connection, name.c_str(), sql.c_str(), 0, nullptr));
    if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
      RaiseResult(prepared.get());
    }
    found = mPrepared.emplace(sql, name).first;
  }
  std::vector<const char*> values;
  for (const auto& parameter : parameters) {
    values.push_back(parameter ? parameter->c_str() : nullptr);
  }
  PgResult result(PQexecPrepared(connection, found->second.c_str(), static_cast<int>(values.size()),
                                 values.data(), nullptr, nullptr, 0));
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    RaiseResult(result.get());
  }
  return result;
}

void PgConnection::ForgetCatalog() {
  mTextColumns.reset();
  mTables.clear();
}

const PgTableInfo* PgConnection::Table(const std::string& name) {
  const std::string jetName = AsciiUpper(name);
  auto found = mTables.find(jetName);
  if (found != mTables.end()) {
    return found->second ? &*found->second : nullptr;
  }
  std::optional<PgTableInfo> info;
  PgResult table = RunPrepared(
      "SELECT c.oid, c.relname FROM pg_catalog.pg_class c "
      "WHERE c.oid = to_regclass($1) AND c.relkind IN ('r', 'p')",
      {name});
  if (PQntuples(table.get()) == 1) {
    info.emplace();
    info->mOid =
        static_cast<unsigned int>(std::strtoul(PQgetvalue(table.get(), 0, 0), nullptr, 10));
    info->mName = PQgetvalue(table.get(), 0, 1);
    const std::string oid = PQgetvalue(table.get(), 0, 0);
    PgResult columns = RunPrepared(
        "SELECT a.attnum, a.attname, pg_get_expr(d.adbin, d.adrelid), a.attidentity <> '', "
        "col_description(a.attrelid, a.attnum) "
        "FROM pg_catalog.pg_attribute a LEFT JOIN pg_catalog.pg_attrdef d "
        "ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
        "WHERE a.attrelid = $1::oid AND a.attnum > 0 AND NOT a.attisdropped",
        {oid});
    for (int i = 0; i < PQntuples(columns.get()); ++i) {
      const int number = std::atoi(PQgetvalue(columns.get(), i, 0));
      const std::string column = PQgetvalue(columns.get(), i, 1);
      info->mColumns[number] = column;
      // The schema's comment holds the name as declared, when it is that name.
      const std::string declared =
          PQgetisnull(columns.get(), i, 4) ? "" : PQgetvalue(columns.get(), i, 4);
      info->mDeclaredNames[number] = SameName(declared, column) ? declared : column;
      if (!PQgetisnull(columns.get(), i, 2) && PQgetvalue(columns.get(), i, 3)[0] != 't') {
        const std::string expression = PQgetvalue(columns.get(), i, 2);
        if (expression.find("nextval(") == std::string::npos) {
          // Evaluated once: the store's defaults are constants.
          PgResult value = Run("SELECT (" + expression + ")::text");
          if (!PQgetisnull(value.get(), 0, 0)) {
            info->mDefaults.emplace_back(column, PQgetvalue(value.get(), 0, 0));
          }
        }
      }
    }
    PgResult key = RunPrepared(
        "SELECT a.attname FROM pg_catalog.pg_index i JOIN pg_catalog.pg_attribute a "
        "ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0] "
        "WHERE i.indrelid = $1::oid AND i.indisprimary AND i.indnatts = 1 "
        "AND a.atttypid IN ('int2'::regtype, 'int4'::regtype, 'int8'::regtype)",
        {oid});
    if (PQntuples(key.get()) == 1) {
      info->mKeyColumn = PQgetvalue(key.get(), 0, 0);
    }
  }
  const auto& stored = mTables.emplace(jetName, std::move(info)).first->second;
  return stored ? &*stored : nullptr;
}

const PgTableInfo* PgConnection::TableOf(unsigned int oid) {
  for (const auto& [name, info] : mTables) {
    if (info && info->mOid == oid) {
      return &*info;
    }
  }
  PgResult table = RunPrepared("SELECT relname FROM pg_catalog.pg_class WHERE oid = $1::oid",
                               {std::to_string(oid)});
  return PQntuples(table.get()) == 1 ? Table(QuoteName(PQgetvalue(table.get(), 0, 0))) : nullptr;
}

JetSqlTranslation PgConnection::Translate(const std::string& jetSql) {
  JetSqlOptions options;
  options.dialect = JetSqlDialect::kPostgres;
  options.selectColumns = [this](const std::string& selectSql) {
    PgResult prepared(PQprepare(Get(), "", selectSql.c_str(), 0, nullptr));
    if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
      RaiseResult(prepared.get());
    }
    PgResult described(PQdescribePrepared(Get(), ""));
    if (PQresultStatus(described.get()) != PGRES_COMMAND_OK) {
      RaiseResult(described.get());
    }
    std::vector<std::string> names;
    for (int i = 0; i < PQnfields(described.get()); ++i) {
      names.emplace_back(QuoteName(PQfname(described.get(), i)));
    }
    return names;
  };
  options.isTextColumn = [this](const std::string& column) {
    if (!mTextColumns) {
      PgResult columns =
          Run("SELECT DISTINCT upper(column_name::text) FROM information_schema.columns "
              "WHERE table_schema = current_schema() "
              "AND data_type IN ('text', 'character varying', 'character')");
      mTextColumns.emplace();
      for (int i = 0; i < PQntuples(columns.get()); ++i) {
        mTextColumns->insert(PQgetvalue(columns.get(), i, 0));
      }
    }
    return mTextColumns->count(AsciiUpper(column)) > 0;
  };
  options.keyColumn = [this](const std::string& table) {
    const PgTableInfo* info = Table(table);
    return info != nullptr ? info->mKeyColumn : std::string();
  };
  try {
    return TranslateJetSql(jetSql, options);
  } catch (const JetSqlError& error) {
    RaiseDao(kDaoErrSyntax, error.what());
  }
}

void PgConnection::Execute(const std::string& sql) {
  const JetSqlTranslation translation = Translate(sql);
  const std::string verb = Verb(translation.sql);
  if (verb == "SELECT" || verb == "VALUES" || verb == "TABLE") {
    RaiseDao(kDaoErrSelectExecuted, "Cannot execute a select query.");
  }
  if (verb == "CREATE" || verb == "ALTER" || verb == "DROP") {
    ForgetCatalog();
  }
  PgResult result = Run(translation.sql);
  mRecordsAffected = std::atoi(PQcmdTuples(result.get()));
}

void PgConnection::Begin(bool serializable) {
  if (mTransactionDepth == 0) {
    Run(serializable ? "BEGIN ISOLATION LEVEL SERIALIZABLE" : "BEGIN");
  } else {
    Run("SAVEPOINT dao_transaction");
  }
}

void PgConnection::Commit() {
  if (mTransactionDepth > 1) {
    Run("RELEASE SAVEPOINT dao_transaction");
    return;
  }
  // A transaction an earlier statement broke answers COMMIT with ROLLBACK: that is a failure.
  PgResult result = Run("COMMIT");
  if (std::strcmp(PQcmdStatus(result.get()), "COMMIT") != 0) {
    mTransactionDepth = 0;
    RaiseDao(kDaoErrEngine, "The transaction was rolled back after an earlier error.");
  }
}

void PgConnection::Rollback() {
  if (mTransactionDepth == 1) {
    // A COMMIT the server refused (a serialization failure) has ended the transaction already.
    if (PQtransactionStatus(Get()) != PQTRANS_IDLE) {
      Run("ROLLBACK");
    }
  } else {
    Run("ROLLBACK TO SAVEPOINT dao_transaction");
    Run("RELEASE SAVEPOINT dao_transaction");
  }
}

void PgConnection::Close() noexcept {
  if (!mConnection) {
    return;
  }
  if (mTransactionDepth > 0) {
    PQclear(PQexec(mConnection.get(), "ROLLBACK"));
    mTransactionDepth = 0;
  }
  mConnection.reset();
}

}  // namespace dao
