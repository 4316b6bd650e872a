// Where a test's store lives: a file in a scratch directory, or a new database of its own on the
// test server that RAVELIN_TEST_PG names (the conninfo scripts/pg-server.sh start prints: its
// superuser over the socket in the server's folder). The store tests run once per backend
// through TestWithParam<Backend>; the server is left out when the variable is unset.
//
// On the server the tests work as a venue does: over TCP on 127.0.0.1 with scram-sha-256, the
// store's tables made by the non-superuser owner role (ravelin_owner), and the store used by
// the PC role (ravelin_pc), which has only what dao::Database::GrantAccess gives it. The roles'
// passwords are in the server folder's passfile, never in a connection string.
//
// ScratchStore owns its location: the directory, or the server database, goes with it. One per
// test; used on the test's thread only.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dao/Database.h"
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
  // directory, or the owner role's connection string of a new, empty server database.
  std::string Location(const std::string& name = "store.db");
  // The store's tables made at a new location, by the owner on the server; returns what the
  // venue's PCs open: the file, or the PC role's connection string after GrantAccess.
  std::string Create(const std::string& name = "store.db", const std::string& password = {});
  // The PC role's connection string of the server database `location` names; a file as it is.
  std::string PcLocation(const std::string& location) const;

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
// Drops a store table, as a broken store lacks it: through the open database for a file, as
// the superuser on the server (the PC role may not drop tables).
void DropStoreTable(Backend backend, const std::string& location, const dao::DatabasePtr& open,
                    const std::string& table);

// The roles of the test server (made by scripts/pg-server.sh start).
inline constexpr const char* kOwnerRole = "ravelin_owner";
inline constexpr const char* kPcRole = "ravelin_pc";
// "host=127.0.0.1 port=... user=ROLE passfile=..." for the test server's database `database`.
std::string TcpConnection(const std::string& role, const std::string& database);
// The server's folder (host= of RAVELIN_TEST_PG): its passfile, its TLS CA file, its script.
std::string ServerFolder();
// Runs SQL on the server database `connection` names (as the superuser, whoever that connection
// string logs in as) and gives its rows, one per line, columns
// joined by "|", Null as "<null>". Raises std::runtime_error on failure.
std::string QueryServer(const std::string& connection, const std::string& sql);

}  // namespace vod::test
