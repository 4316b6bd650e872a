// The server side of a build without PostgreSQL: connection strings are refused.
#include "platform/dao/DaoBackend.h"

namespace dao {
namespace {

[[noreturn]] void RaiseUnsupported() {
  RaiseDao(kDaoErrEngine,
           "PostgreSQL connection strings are not supported in this build; give a database file "
           "path.");
}

}  // namespace

std::shared_ptr<Database::Impl> OpenServerDatabase(const std::string&, const std::string&, bool) {
  RaiseUnsupported();
}

std::shared_ptr<Database::Impl> CreateServerDatabase(const std::string&, const std::string&,
                                                     std::string_view) {
  RaiseUnsupported();
}

void GrantServerDatabase(const std::string&, const std::string&, const std::string&) {
  RaiseUnsupported();
}

}  // namespace dao
