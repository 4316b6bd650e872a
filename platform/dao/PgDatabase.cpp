#include "platform/dao/PgDatabase.h"

#include <cctype>
#include <chrono>
#include <cstring>
#include <regex>

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

// A connection that takes longer than this to answer while it is being set up is lost.
constexpr int kSetUpWait = 15000;
// What a call waits beyond the server's statement timeout before it gives the server up: the
// server's own cancel and its answer need a moment.
constexpr int kReplyGrace = 5000;
// Key of the advisory lock that makes two tools making one store at once take turns.
constexpr const char* kCreateLockKey = "7234501166";

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// libpq repeats pieces of a connection string it cannot read, the password among them: mask the
// keywords and the user information, and any text that is a password given.
std::string SafeMessage(const std::string& message, const std::string& connection,
                        const std::string& password) {
  std::string safe = MaskPassword(message);
  std::vector<std::string> secrets;
  if (!password.empty()) {
    secrets.push_back(password);
  }
  static const std::regex kKeyword(R"(password\s*=\s*('(([^'\\]|\\.)*)'?|([^\s&]+)))",
                                   std::regex::icase);
  static const std::regex kUserInfo(R"(://[^:/@\s]*:([^@\s]*)@)");
  for (auto it = std::sregex_iterator(connection.begin(), connection.end(), kKeyword);
       it != std::sregex_iterator(); ++it) {
    secrets.push_back((*it)[2].matched ? (*it)[2].str() : (*it)[4].str());
  }
  std::smatch user;
  if (std::regex_search(connection, user, kUserInfo)) {
    secrets.push_back(user[1].str());
  }
  for (const std::string& secret : secrets) {
    if (secret.empty()) {
      continue;
    }
    for (size_t at = safe.find(secret); at != std::string::npos; at = safe.find(secret, at + 3)) {
      safe.replace(at, secret.size(), "***");
    }
  }
  return safe;
}

// Connects with the password given (when there is one) and the settings every connection uses.
PgHandle Connect(const std::string& connection, const std::string& password) {
  // Settings before the connection string are defaults it may override; those after it win.
  // Keepalives and the user timeout notice a network that dropped the connection silently
  // within about half a minute instead of the system's quarter of an hour.
  std::vector<const char*> keys = {
      "connect_timeout",     "keepalives",       "keepalives_idle",  "keepalives_count",
      "keepalives_interval", "tcp_user_timeout", "application_name", "dbname",
      "client_encoding"};
  std::vector<const char*> values = {
      "10", "1", "10", "3", "5", "20000", "ravelin", connection.c_str(), "UTF8"};
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
    const std::string message =
        SafeMessage(Trimmed(PQerrorMessage(handle.get())), connection, password);
    // The server's FATAL texts tell the refusals apart; a password sent does not make every
    // refusal a wrong password.
    if (Contains(message, "password authentication failed") ||
        (PQconnectionNeedsPassword(handle.get()) && password.empty())) {
      RaiseDao(kDaoErrBadPassword, "Not a valid password. " + message);
    }
    if (Contains(message, "database \"") && Contains(message, "does not exist")) {
      RaiseDao(kDaoErrFileNotFound, "The server database does not exist: " + message);
    }
    if (Contains(message, "permission denied for database") ||
        Contains(message, "is not permitted to log in")) {
      RaiseDao(kDaoErrNoPermission, "No right to connect to the server database: " + message);
    }
    if (Contains(message, "too many connections") ||
        Contains(message, "remaining connection slots are reserved")) {
      RaiseDao(kDaoErrInUse, "The database server takes no more connections: " + message);
    }
    RaiseDao(kDaoErrFileNotFound, "Could not connect to the database server: " + message);
  }
  // The server's notices (a warning, a notice of an implicit index) are no messages of the
  // store's; libpq would print them to stderr.
  PQsetNoticeProcessor(
      handle.get(), [](void*, const char*) {}, nullptr);
  return handle;
}

std::shared_ptr<PgConnection> Wrap(PgHandle handle, const std::string& connection,
                                   const std::string& password, bool readOnly) {
  auto impl = std::make_shared<PgConnection>();
  impl->mConnection = std::move(handle);
  impl->mConnectionString = connection;
  impl->mPassword = password;
  impl->mReadOnly = readOnly;
  impl->mName = MaskPassword(connection);
  impl->Configure();
  // Text compares by the ICU upper case: a server without ICU or UTF-8 cannot keep that.
  PgResult check = impl->Run(
      "SELECT pg_catalog.current_setting('server_encoding'), "
      "EXISTS (SELECT 1 FROM pg_catalog.pg_collation WHERE collname = 'und-x-icu')");
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
      "SELECT pg_catalog.count(*) FROM pg_catalog.pg_tables "
      "WHERE schemaname = pg_catalog.current_schema()");
  return std::strtoll(PQgetvalue(count.get(), 0, 0), nullptr, 10);
}

}  // namespace

std::shared_ptr<Database::Impl> OpenServerDatabase(const std::string& connection,
                                                   const std::string& password, bool readOnly) {
  std::shared_ptr<PgConnection> impl =
      Wrap(Connect(connection, password), connection, password, readOnly);
  // A database without tables is no store, as an empty file is none.
  if (TableCount(*impl) == 0) {
    RaiseDao(kDaoErrUnrecognizedFormat, "The server database holds no tables.");
  }
  return impl;
}

std::shared_ptr<Database::Impl> CreateServerDatabase(const std::string& connection,
                                                     const std::string& password,
                                                     std::string_view schemaSql) {
  std::shared_ptr<PgConnection> impl =
      Wrap(Connect(connection, password), connection, password, false);
  std::string schema;
  try {
    schema = TranslateSchemaForPostgres(schemaSql);
  } catch (const JetSqlError& error) {
    RaiseDao(kDaoErrSyntax, error.what());
  }
  // The check and the tables in one transaction, and two tools making the same store at once
  // take turns (an advisory lock: the owner of a database is no superuser and may not lock the
  // catalog), so they cannot both find it empty.
  impl->Run("BEGIN");
  try {
    impl->Run(std::string("SELECT pg_catalog.pg_advisory_xact_lock(") + kCreateLockKey + ")");
    if (TableCount(*impl) > 0) {
      RaiseDao(kDaoErrDatabaseExists, "The server database '" + std::string(PQdb(impl->Get())) +
                                          "' already holds tables.");
    }
    impl->RunScript(schema);
    impl->Run("COMMIT");
  } catch (...) {
    if (impl->IsOpen()) {
      try {
        impl->Run("ROLLBACK");
      } catch (const automation::AutomationError&) {
        // The connection goes with the error anyway.
      }
    }
    throw;
  }
  return impl;
}

void GrantServerDatabase(const std::string& connection, const std::string& password,
                         const std::string& role) {
  if (role.empty()) {
    RaiseDao(kDaoErrInvalidArgument, "Invalid argument.");
  }
  std::shared_ptr<PgConnection> impl =
      Wrap(Connect(connection, password), connection, password, false);
  const std::string grantee = QuoteName(role);
  impl->Run("BEGIN");
  try {
    impl->Run("GRANT CONNECT ON DATABASE " + QuoteName(PQdb(impl->Get())) + " TO " + grantee);
    impl->Run("GRANT USAGE ON SCHEMA public TO " + grantee);
    impl->Run("GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO " + grantee);
    impl->Run("GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO " + grantee);
    impl->Run("COMMIT");
  } catch (...) {
    impl->Close();
    throw;
  }
  impl->Close();
}

void PgConnection::Configure() {
  mReplyWait = kSetUpWait;
  // The store's text quoting doubles quotes only: a backslash must be an ordinary character.
  // Its tables are found in public, whatever schemas the login role has. Work that needs more
  // isolation asks for it.
  Run("SELECT pg_catalog.set_config('search_path', 'public', false), "
      "pg_catalog.set_config('standard_conforming_strings', 'on', false), "
      "pg_catalog.set_config('default_transaction_isolation', 'read committed', false), "
      "pg_catalog.set_config('extra_float_digits', '1', false)");
  const char* conforming = PQparameterStatus(mConnection.get(), "standard_conforming_strings");
  if (conforming == nullptr || std::strcmp(conforming, "on") != 0) {
    RaiseDao(kDaoErrEngine,
             "The server keeps standard_conforming_strings off; the store cannot quote text "
             "safely there.");
  }
  // Limits the server applies unless the venue's DBA, the role, the database or the connection
  // string set their own: a statement, a lock wait and a transaction left idle end in time.
  Run("SELECT pg_catalog.set_config(d.name, d.value, false) "
      "FROM (VALUES ('statement_timeout', '30s'), ('lock_timeout', '10s'), "
      "('idle_in_transaction_session_timeout', '60s')) AS d(name, value) "
      "JOIN pg_catalog.pg_settings s ON s.name = d.name WHERE s.source = 'default'");
  if (mReadOnly) {
    Run("SET default_transaction_read_only = on");
  }
  PgResult timeout =
      Run("SELECT setting::bigint FROM pg_catalog.pg_settings WHERE name = 'statement_timeout'");
  const long long statementTimeout = std::strtoll(PQgetvalue(timeout.get(), 0, 0), nullptr, 10);
  mReplyWait = statementTimeout > 0 && statementTimeout < 86'400'000
                   ? static_cast<int>(statementTimeout) + kReplyGrace
                   : -1;
}

void PgConnection::CheckOpen() {
  if (mConnection) {
    // A connection the server ended while the host was idle (a restart, an administrator's
    // pg_terminate_backend) has that news waiting in its socket: the server's last message, and
    // after it the end of the stream, which only a second read reaches. Read both before
    // sending.
    PGconn* connection = mConnection.get();
    if (mTransactionDepth > 0 ||
        (PQconsumeInput(connection) == 1 && PQconsumeInput(connection) == 1 &&
         PQstatus(connection) == CONNECTION_OK)) {
      return;
    }
    mConnection.reset();
    mLost = true;
  }
  if (!mLost) {
    RaiseDao(kDaoErrObjectClosed, "Object invalid or no longer set.");
  }
  if (mTransactionDepth > 0) {
    RaiseDao(kDaoErrConnectionLost,
             "The connection to the database server was lost; the transaction was rolled back.");
  }
  mPrepared.clear();
  ForgetCatalog();
  mConnection = Connect(mConnectionString, mPassword);
  mLost = false;
  Configure();
}

PGconn* PgConnection::Get() {
  // The socket was read for news of a lost connection when the call began (CheckOpen, from
  // Database); the statements of the same call need not read it again.
  if (!mConnection) {
    CheckOpen();
  }
  return mConnection.get();
}

void PgConnection::Lose(const std::string& what) {
  mConnection.reset();
  mLost = true;
  mPrepared.clear();
  ForgetCatalog();
  RaiseDao(kDaoErrConnectionLost, what);
}

PgResult PgConnection::Receive(int sent, bool commit) {
  PGconn* connection = mConnection.get();
  auto lose = [&](const std::string& reason) {
    std::string what = "The connection to the database server was lost";
    what += reason.empty() ? "" : ": " + reason;
    if (commit) {
      what += ". Whether the transaction was committed is unknown.";
    } else if (mTransactionDepth > 0) {
      what += ". The transaction was rolled back.";
    } else {
      what += ".";
    }
    Lose(what);
  };
  if (sent == 0) {
    if (PQstatus(connection) == CONNECTION_BAD) {
      lose(Trimmed(PQerrorMessage(connection)));
    }
    RaiseDao(kDaoErrEngine, Trimmed(PQerrorMessage(connection)));
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(mReplyWait);
  PgResult failed;
  PgResult last;
  for (;;) {
    while (PQisBusy(connection)) {
      int wait = -1;
      if (mReplyWait >= 0) {
        wait = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                    deadline - std::chrono::steady_clock::now())
                                    .count());
        if (wait <= 0) {
          lose("no answer within " + std::to_string(mReplyWait / 1000) + " seconds");
        }
      }
      const int ready = WaitForSocket(PQsocket(connection), false, wait);
      if (ready == 0) {
        lose("no answer within " + std::to_string(mReplyWait / 1000) + " seconds");
      }
      if (ready < 0 || PQconsumeInput(connection) == 0) {
        lose(Trimmed(PQerrorMessage(connection)));
      }
    }
    PgResult result(PQgetResult(connection));
    if (!result) {
      break;
    }
    const ExecStatusType status = PQresultStatus(result.get());
    if (status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE ||
        status == PGRES_NONFATAL_ERROR) {
      if (!failed) {
        failed = std::move(result);
      }
    } else {
      last = std::move(result);
    }
  }
  if (PQstatus(connection) == CONNECTION_BAD) {
    const char* primary =
        failed ? PQresultErrorField(failed.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    lose(Trimmed(primary != nullptr ? primary : PQerrorMessage(connection)));
  }
  return failed ? std::move(failed) : std::move(last);
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
  PGconn* connection = Get();
  const bool commit = sql == "COMMIT";
  PgResult result = Receive(
      PQsendQueryParams(connection, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0), commit);
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    RaiseResult(result.get());
  }
  return result;
}

void PgConnection::RunScript(const std::string& sql) {
  PgResult result = Receive(PQsendQuery(Get(), sql.c_str()));
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    RaiseResult(result.get());
  }
}

PgResult PgConnection::RunPrepared(const std::string& sql,
                                   const std::vector<std::optional<std::string>>& parameters) {
  PGconn* connection = Get();
  auto found = mPrepared.find(sql);
  if (found == mPrepared.end()) {
    const std::string name = "ravelin_" + std::to_string(mPrepared.size() + 1);
    PgResult prepared = Receive(PQsendPrepare(connection, name.c_str(), sql.c_str(), 0, nullptr));
    if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
      RaiseResult(prepared.get());
    }
    found = mPrepared.emplace(sql, name).first;
  }
  std::vector<const char*> values;
  for (const auto& parameter : parameters) {
    values.push_back(parameter ? parameter->c_str() : nullptr);
  }
  PgResult result = Receive(PQsendQueryPrepared(connection, found->second.c_str(),
                                                static_cast<int>(values.size()), values.data(),
                                                nullptr, nullptr, 0));
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
      "WHERE c.oid = pg_catalog.to_regclass($1) AND c.relkind IN ('r', 'p')",
      {name});
  if (PQntuples(table.get()) == 1) {
    info.emplace();
    info->mOid =
        static_cast<unsigned int>(std::strtoul(PQgetvalue(table.get(), 0, 0), nullptr, 10));
    info->mName = PQgetvalue(table.get(), 0, 1);
    const std::string oid = PQgetvalue(table.get(), 0, 0);
    PgResult columns = RunPrepared(
        "SELECT a.attnum, a.attname, pg_catalog.pg_get_expr(d.adbin, d.adrelid), "
        "a.attidentity <> '', pg_catalog.col_description(a.attrelid, a.attnum) "
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
    PgResult prepared = Receive(PQsendPrepare(Get(), "", selectSql.c_str(), 0, nullptr));
    if (PQresultStatus(prepared.get()) != PGRES_COMMAND_OK) {
      RaiseResult(prepared.get());
    }
    PgResult described = Receive(PQsendDescribePrepared(Get(), ""));
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
          Run("SELECT DISTINCT pg_catalog.upper(column_name::text) "
              "FROM information_schema.columns "
              "WHERE table_schema = pg_catalog.current_schema() "
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
  if (!mConnection) {
    return;  // lost: the server rolled the transaction back when the connection ended
  }
  if (mTransactionDepth == 1) {
    // A COMMIT the server refused (a serialization failure) has ended the transaction already.
    if (PQtransactionStatus(mConnection.get()) != PQTRANS_IDLE) {
      try {
        Run("ROLLBACK");
      } catch (const automation::AutomationError& error) {
        if (error.GetNumber() != kDaoErrConnectionLost) {
          throw;
        }
      }
    }
  } else {
    Run("ROLLBACK TO SAVEPOINT dao_transaction");
    Run("RELEASE SAVEPOINT dao_transaction");
  }
}

void PgConnection::LockTable(const std::string& table) {
  const PgTableInfo* info = Table(table);
  if (info == nullptr) {
    RaiseDao(kDaoErrItemNotFound, "Item not found in this collection.");
  }
  // Conflicts with itself and with writers, not with readers; the PC role's DELETE right is
  // enough to take it.
  Run("LOCK TABLE " + QuoteName(info->mName) + " IN SHARE ROW EXCLUSIVE MODE");
}

void PgConnection::Close() noexcept {
  // No ROLLBACK first: ending the connection rolls back on the server, and a server that no
  // longer answers must not hold up the host that closes.
  mConnection.reset();
  mLost = false;
  mTransactionDepth = 0;
}

}  // namespace dao
