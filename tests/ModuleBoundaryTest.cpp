// Exceptions that cross module boundaries: each library's own exception type
// is thrown inside its own DLL or shared object and caught in another module
// (this program, or a library above it). The 32-bit Windows toolchain unwinds
// with tables that each copy of the GCC runtime keeps to itself, so this only
// holds while every module of a build shares one runtime; a module that links
// its own copy ends the process at the first throw here instead of failing a
// test.
//
// The manager module's own exception, thrown in a plug-in and caught in
// ravelin_client, is covered by the client's manager tests.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/automation/AutomationError.h"
#include "platform/automation/Guid.h"
#include "platform/basalt/AString.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/DataExchange.h"
#include "platform/basalt/io/ReadError.h"
#include "platform/dao/Database.h"
#include "platform/dao/JetSql.h"
#include "tests/platform/dao/DaoTestSupport.h"
#include "vod/Base.h"

namespace {

TEST(ModuleBoundaryTest, BasaltReadErrorReachesTheCaller) {
  io::CBlock block(L"Empty");
  long value = 0;
  try {
    io::DoDataExchange(block, true, AString(L"Required"), value, 1);
    FAIL() << "a missing required item must throw";
  } catch (const io::ReadError& error) {
    EXPECT_EQ(error.GetCode(), io::ReadError::kMissing);
    EXPECT_NE(std::string(error.what()).find("Required"), std::string::npos);
  }
}

TEST(ModuleBoundaryTest, AutomationErrorReachesTheCaller) {
  try {
    automation::RaiseRuntimeError(automation::kErrTypeMismatch);
    FAIL() << "RaiseRuntimeError returned";
  } catch (const automation::AutomationError& error) {
    EXPECT_EQ(error.GetNumber(), automation::kErrTypeMismatch);
  }
  // A standard library type thrown in another module is still the one type here.
  EXPECT_THROW(automation::Guid::FromString("not a guid"), std::invalid_argument);
}

TEST(ModuleBoundaryTest, JetSqlErrorReachesTheCaller) {
  try {
    dao::TranslateJetSql("SELECT * FROM Room WHERE strRoomName='open");
    FAIL() << "unbalanced text must not translate";
  } catch (const dao::JetSqlError& error) {
    EXPECT_NE(std::string(error.what()).find("unclosed"), std::string::npos);
  } catch (const std::runtime_error&) {
    FAIL() << "caught as its base only: the type's identity differs between modules";
  }
}

TEST(ModuleBoundaryTest, DaoErrorsAreCaughtInTheStoreAndTheHost) {
  const dao::test::ScratchDir folder;
  const std::string path = folder.File("venue.mdb");
  // Thrown in the data layer, caught here.
  EXPECT_THROW(dao::Database::Open(folder.File("missing.mdb")), automation::AutomationError);
  dao::test::MakeStore(folder, "venue.mdb")->Execute("DROP TABLE Song");
  // Thrown in the data layer ("no such table"), trapped by the store above it, which answers
  // as the member's error rule says.
  automation::ObjectPtr<vod::Base> base = automation::MakeObject<vod::Base>();
  ASSERT_TRUE(base->InitInterface(path));
  EXPECT_EQ(base->Song_Count(), 0);
}

}  // namespace
