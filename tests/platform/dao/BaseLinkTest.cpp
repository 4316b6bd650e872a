#include "platform/dao/BaseLink.h"
#include "vod/RavelinSchema.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/automation/AutomationError.h"
#include "platform/automation/ClassFactory.h"
#include "platform/automation/ClassRegistry.h"
#include "tests/platform/dao/DaoTestSupport.h"

namespace dao {
namespace {

bool Open(const BaseLinkPtr& link, const std::string& path, std::string password = {}) {
  bool flag = false;
  return link->OpenBase(path, password, flag);
}

TEST(BaseLinkTest, OpenBaseOpensOnlyExistingDatabases) {
  test::ScratchDir dir;
  BaseLinkPtr link = CreateBaseLink();
  EXPECT_FALSE(link->IsOpen());
  EXPECT_FALSE(link->BaseDatabase());

  EXPECT_FALSE(Open(link, dir.File("missing.db")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing.db")));
  EXPECT_NE(link->GetLastError(), "");
  std::ofstream(dir.File("notes.txt")) << "not a database at all, only words and more words";
  EXPECT_FALSE(Open(link, dir.File("notes.txt")));
  EXPECT_FALSE(link->BaseDatabase());

  ASSERT_TRUE(link->CreateBase(dir.File("store.db"), "", vod::GetRavelinSchemaSql()));
  EXPECT_FALSE(link->CreateBase(dir.File("store.db"), "",
                                vod::GetRavelinSchemaSql()));  // never over an existing file
  ASSERT_TRUE(Open(link, dir.File("store.db")));
  EXPECT_TRUE(link->IsOpen());
  EXPECT_EQ(link->GetBasePath(), dir.File("store.db"));
  EXPECT_EQ(link->GetLastError(), "");
  DatabasePtr db = link->BaseDatabase();
  ASSERT_TRUE(db);
  EXPECT_EQ(db->OpenRecordset("SELECT * FROM Room", dbOpenSnapshot)->GetRecordCount(), 0);

  // A failed second open leaves nothing open, and the database handed out is closed.
  EXPECT_FALSE(Open(link, dir.File("missing.db")));
  EXPECT_FALSE(link->IsOpen());
  EXPECT_FALSE(db->IsOpen());
}

TEST(BaseLinkTest, PasswordRules) {
  test::ScratchDir dir;
  BaseLinkPtr link = CreateBaseLink();
  ASSERT_TRUE(link->CreateBase(dir.File("locked.db"), "pa'ss word", vod::GetRavelinSchemaSql()));
  EXPECT_FALSE(Open(link, dir.File("locked.db")));
  EXPECT_FALSE(Open(link, dir.File("locked.db"), "pa'ss"));
  EXPECT_TRUE(Open(link, dir.File("locked.db"), "pa'ss word"));

  ASSERT_TRUE(link->CreateBase(dir.File("free.db"), "", vod::GetRavelinSchemaSql()));
  EXPECT_TRUE(Open(link, dir.File("free.db"), "whatever"));
  EXPECT_TRUE(Open(link, dir.File("free.db")));
}

TEST(BaseLinkTest, ExecuteSqlReportsFailureWithoutRaising) {
  test::ScratchDir dir;
  BaseLinkPtr link = CreateBaseLink();
  EXPECT_FALSE(link->ExecuteSQL("DELETE FROM Room"));  // nothing open
  ASSERT_TRUE(link->CreateBase(dir.File("store.db"), "", vod::GetRavelinSchemaSql()));
  ASSERT_TRUE(Open(link, dir.File("store.db")));
  EXPECT_TRUE(link->ExecuteSQL("INSERT INTO Song(strSongName,strSignFile) VALUES('s','S.MPG')"));
  EXPECT_FALSE(link->ExecuteSQL("INSERT INTO Nowhere VALUES(1)"));
  EXPECT_NE(link->GetLastError().find("Nowhere"), std::string::npos);
  EXPECT_TRUE(link->ExecuteSQL("DELETE FROM Song"));
  EXPECT_EQ(link->GetLastError(), "");

  DatabasePtr db = link->BaseDatabase();
  link->CloseBase();
  link->CloseBase();
  EXPECT_FALSE(link->IsOpen());
  EXPECT_FALSE(link->BaseDatabase());
  EXPECT_FALSE(link->ExecuteSQL("DELETE FROM Song"));
  EXPECT_THROW(db->Execute("DELETE FROM Song"), automation::AutomationError);
}

TEST(BaseLinkTest, ReadOnlyFlagOpensForReadingOnly) {
  test::ScratchDir dir;
  BaseLinkPtr link = CreateBaseLink();
  ASSERT_TRUE(link->CreateBase(dir.File("store.db"), "", vod::GetRavelinSchemaSql()));
  std::string password;
  bool readOnly = true;
  ASSERT_TRUE(link->OpenBase(dir.File("store.db"), password, readOnly));
  EXPECT_FALSE(link->ExecuteSQL("DELETE FROM Song"));
  EXPECT_EQ(
      link->BaseDatabase()->OpenRecordset("SELECT * FROM Song", dbOpenSnapshot)->GetRecordCount(),
      0);
}

TEST(BaseLinkTest, SchemaTextIsTheEmbeddedStoreSchema) {
  const std::string_view schema = vod::GetRavelinSchemaSql();
  for (const char* table :
       {"CREATE TABLE Room ", "CREATE TABLE RoomBackup ", "CREATE TABLE SongTaxis "}) {
    EXPECT_NE(schema.find(table), std::string_view::npos) << table;
  }
}

}  // namespace
}  // namespace dao

namespace dao {
namespace {

TEST(BaseLinkRegistrationTest, TheComponentIsCreatedByItsClassIdAndCanBeTakenAway) {
  using automation::Guid;
  const Guid clsid = Guid::FromString(kBaseLinkClsid);
  EXPECT_TRUE(BaseLinkCanUnloadNow());
  {
    auto object = automation::CreateObject(clsid);
    BaseLinkPtr link = automation::QueryInterface<BaseLink>(object);
    ASSERT_TRUE(link);
    EXPECT_FALSE(link->IsOpen());
    EXPECT_FALSE(BaseLinkCanUnloadNow());
    EXPECT_TRUE(automation::QueryInterface<BaseLink>(automation::CreateObject(kBaseLinkProgId)));
  }
  EXPECT_TRUE(BaseLinkCanUnloadNow());
  const auto entry = automation::ClassRegistry::Instance().FindClass(clsid);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->mThreadingModel, "Apartment");
  EXPECT_TRUE(automation::ClassRegistry::Instance().FindInterface(Guid::FromString(kBaseLinkIid)));

  automation::ObjectPtr<automation::Object> factory;
  EXPECT_EQ(BaseLinkGetClassObject(Guid::FromString(kBaseLinkIid), automation::IidClassFactory(),
                                   factory),
            automation::kCLASS_E_CLASSNOTAVAILABLE);

  ASSERT_EQ(UnregisterBaseLinkServer(), automation::kS_OK);
  try {
    automation::CreateObject(clsid);
    ADD_FAILURE() << "created without a registration";
  } catch (const automation::AutomationError& error) {
    EXPECT_EQ(error.GetNumber(), automation::kErrCannotCreateObject);
  }
  ASSERT_EQ(RegisterBaseLinkServer(), automation::kS_OK);
  EXPECT_TRUE(automation::CreateObject(clsid));
}

}  // namespace
}  // namespace dao
