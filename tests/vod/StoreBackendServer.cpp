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

std::string QueryServer(const std::string& conninfo, const std::string& sql) {
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
