#include "tests/vod/StoreBackend.h"

#include <unistd.h>
#include <atomic>
#include <cstdlib>

#include "vod/RavelinSchema.h"

namespace vod::test {

std::vector<Backend> Backends() {
  std::vector<Backend> backends = {Backend::kFile};
  if (ServerSupported()) {
    backends.push_back(Backend::kServer);
  }
  return backends;
}

bool NoServerFor(Backend backend) {
  return backend == Backend::kServer && ServerConnection().empty();
}

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kFile ? "File" : "Server";
}

std::string ServerConnection() {
  const char* value = std::getenv("RAVELIN_TEST_PG");
  return value != nullptr ? value : "";
}

ScratchStore::ScratchStore(Backend backend) : mBackend(backend) {}

ScratchStore::~ScratchStore() {
  for (const std::string& name : mServerDatabases) {
    try {
      RunOnServer("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
    } catch (const std::exception&) {
      // The server went away; its folder goes with it.
    }
  }
}

std::string ScratchStore::Location(const std::string& name) {
  if (mBackend == Backend::kFile) {
    return mDir.File(name);
  }
  static std::atomic<int> counter{0};
  const std::string database =
      "ravelin_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
  RunOnServer("CREATE DATABASE " + database);
  mServerDatabases.push_back(database);
  // A later keyword wins in conninfo.
  return ServerConnection() + " dbname=" + database;
}

std::string ScratchStore::Create(const std::string& name, const std::string& password) {
  const std::string location = Location(name);
  vod::CreateRavelinDatabase(location, password);
  return location;
}

}  // namespace vod::test
