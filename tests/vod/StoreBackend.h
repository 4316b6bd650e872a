// Where a test's store lives: a file in a scratch directory, or a new database of its own on the
// test server that RAVELIN_TEST_PG names (key/value conninfo of a database the tests may create
// databases from; scripts/pg-server.sh start prints one). The store tests run once per backend
// through TestWithParam<Backend>; the server is left out when the variable is unset.
//
// ScratchStore owns its location: the directory, or the server database, goes with it. One per
// test; used on the test's thread only.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/dao/DaoTestSupport.h"

namespace vod::test {

enum class Backend { kFile, kServer };

// The file always; the server when the build has PostgreSQL.
std::vector<Backend> Backends();
// Whether a test of that backend must skip: the server's, when RAVELIN_TEST_PG is unset.
bool NoServerFor(Backend backend);
// "File" or "Server", for the parameterised tests' names.
std::string BackendName(const ::testing::TestParamInfo<Backend>& info);
// Whether this build can open server databases.
bool ServerSupported();
// The conninfo of RAVELIN_TEST_PG, "" when unset.
std::string ServerConnection();

class ScratchStore {
 public:
  explicit ScratchStore(Backend backend);
  ~ScratchStore();
  ScratchStore(const ScratchStore&) = delete;
  ScratchStore& operator=(const ScratchStore&) = delete;

  // A location for a store, nothing made there yet: a file path named `name` in the scratch
  // directory, or the connection string of a new, empty server database.
  std::string Location(const std::string& name = "store.db");
  // Location(name) with the store's tables made there.
  std::string Create(const std::string& name = "store.db", const std::string& password = {});

  Backend GetBackend() const { return mBackend; }
  const dao::test::ScratchDir& Dir() const { return mDir; }

 private:
  Backend mBackend;
  dao::test::ScratchDir mDir;
  std::vector<std::string> mServerDatabases;  // made by Location, dropped at the end
};

// Runs SQL on the test server's own database (RAVELIN_TEST_PG) as its owner, for what the
// store cannot do itself: making roles and databases. Raises std::runtime_error on failure.
void RunOnServer(const std::string& sql);
// Runs SQL on the server database `connection` names and gives its rows, one per line, columns
// joined by "|", Null as "<null>". Raises std::runtime_error on failure.
std::string QueryServer(const std::string& connection, const std::string& sql);

}  // namespace vod::test
