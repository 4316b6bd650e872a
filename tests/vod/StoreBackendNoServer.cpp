// A build without PostgreSQL has no test server to administer.
#include <stdexcept>

#include "tests/vod/StoreBackend.h"

namespace vod::test {

bool ServerSupported() {
  return false;
}

void RunOnServer(const std::string&) {
  throw std::runtime_error("this build has no PostgreSQL");
}

std::string QueryServer(const std::string&, const std::string&) {
  throw std::runtime_error("this build has no PostgreSQL");
}

std::string ServerFolder() {
  return "";
}

std::string TcpConnection(const std::string&, const std::string&) {
  throw std::runtime_error("this build has no PostgreSQL");
}

}  // namespace vod::test
