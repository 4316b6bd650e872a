#include "tests/vod/StoreBackend.h"

#include <unistd.h>
#include <atomic>
#include <cstdlib>

#include "platform/dao/Database.h"
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
  RunOnServer("CREATE DATABASE " + database + " OWNER " + kOwnerRole);
  mServerDatabases.push_back(database);
  return TcpConnection(kOwnerRole, database);
}

std::string ScratchStore::Create(const std::string& name, const std::string& password) {
  const std::string location = Location(name);
  vod::CreateRavelinDatabase(location, password);
  if (mBackend == Backend::kServer) {
    dao::Database::GrantAccess(location, password, kPcRole);
  }
  return PcLocation(location);
}

void DropStoreTable(Backend backend, const std::string& location, const dao::DatabasePtr& open,
                    const std::string& table) {
  if (backend == Backend::kFile) {
    open->Execute("DROP TABLE " + table);
  } else {
    QueryServer(location, "DROP TABLE " + table);
  }
}

std::string ScratchStore::PcLocation(const std::string& location) const {
  // A later keyword wins in conninfo.
  return mBackend == Backend::kFile ? location : location + " user=" + kPcRole;
}

}  // namespace vod::test
