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
  std::unique_ptr<PGconn, decltype(&PQfinish)> connection(
      PQconnectdb(ServerConnection().c_str()), &PQfinish);
  if (PQstatus(connection.get()) != CONNECTION_OK) {
    throw std::runtime_error("test server: " + std::string(PQerrorMessage(connection.get())));
  }
  std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(connection.get(), sql.c_str()),
                                                       &PQclear);
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    throw std::runtime_error("test server: " + std::string(PQresultErrorMessage(result.get())));
  }
}

}  // namespace vod::test
