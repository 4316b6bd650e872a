// The test server's administration, through libpq.
#include <libpq-fe.h>

#include <memory>
#include <stdexcept>

#include "tests/vod/StoreBackend.h"

namespace vod::test {

bool ServerSupported() {
  return true;
}

void RunOnServer(const std::string& sql) {
  QueryServer(ServerConnection(), sql);
}

namespace {

// The value of `keyword` in a connection string, "" when it has none.
std::string Keyword(const std::string& conninfo, const char* keyword) {
  char* error = nullptr;
  std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(
      PQconninfoParse(conninfo.c_str(), &error), &PQconninfoFree);
  PQfreemem(error);
  for (PQconninfoOption* option = options.get(); option && option->keyword; ++option) {
    if (std::string(option->keyword) == keyword && option->val != nullptr) {
      return option->val;
    }
  }
  return "";
}

}  // namespace

std::string ServerFolder() {
  return Keyword(ServerConnection(), "host");
}

std::string TcpConnection(const std::string& role, const std::string& database) {
  return "host=127.0.0.1 port=" + Keyword(ServerConnection(), "port") + " user=" + role +
         " passfile=" + ServerFolder() + "/pgpass dbname=" + database;
}

std::string QueryServer(const std::string& store, const std::string& sql) {
  // The superuser, in the database the store's connection string names.
  std::string conninfo = ServerConnection();
  const std::string database = Keyword(store, "dbname");
  if (!database.empty()) {
    conninfo += " dbname=" + database;
  }
  std::unique_ptr<PGconn, decltype(&PQfinish)> connection(PQconnectdb(conninfo.c_str()), &PQfinish);
  if (PQstatus(connection.get()) != CONNECTION_OK) {
    throw std::runtime_error("test server: " + std::string(PQerrorMessage(connection.get())));
  }
  std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(connection.get(), sql.c_str()),
                                                       &PQclear);
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    throw std::runtime_error("test server: " + std::string(PQresultErrorMessage(result.get())));
  }
  std::string rows;
  for (int r = 0; r < PQntuples(result.get()); ++r) {
    for (int c = 0; c < PQnfields(result.get()); ++c) {
      rows += (c > 0 ? "|" : "");
      rows += PQgetisnull(result.get(), r, c) ? "<null>" : PQgetvalue(result.get(), r, c);
    }
    rows += "\n";
  }
  return rows;
}

}  // namespace vod::test
