#include "platform/automation/ClassRegistry.h"

#include <gtest/gtest.h>

#include "platform/automation/AutomationError.h"

namespace automation {
namespace {

ServerModule gTestModule;

class Widget final : public virtual Object {
 public:
  Widget() : mCount(gTestModule) {}

 private:
  ServerObjectCount mCount;
};

const Guid kWidgetClsid = Guid::FromString("{11111111-2222-3333-4444-555555555555}");

HResult GetWidgetFactory(const Guid& clsid, const Guid& iid, ObjectPtr<Object>& out) {
  if (clsid != kWidgetClsid) {
    return kCLASS_E_CLASSNOTAVAILABLE;
  }
  if (iid != IidClassFactory() && iid != IidUnknown()) {
    return kE_NOINTERFACE;
  }
  out = MakeObject<ClassFactoryOf<Widget>>(gTestModule);
  return kS_OK;
}

class ClassRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClassRegistration entry;
    entry.mClsid = kWidgetClsid;
    entry.mProgId = "Test.Widget";
    entry.mThreadingModel = "Apartment";
    entry.mServerPath = ModulePathOf(reinterpret_cast<const void*>(&GetWidgetFactory));
    entry.mGetClassObject = GetWidgetFactory;
    ClassRegistry::Instance().RegisterClass(entry);
  }
  void TearDown() override { ClassRegistry::Instance().UnregisterClass(kWidgetClsid); }
};

TEST_F(ClassRegistryTest, CreatesRegisteredClassByClsidAndProgId) {
  auto entry = ClassRegistry::Instance().FindClass(kWidgetClsid);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->mThreadingModel, "Apartment");
  EXPECT_NE(entry->mServerPath.find("automation_tests"), std::string::npos);
  EXPECT_EQ(ClassRegistry::Instance().FindProgId("Test.Widget"), kWidgetClsid);

  auto byClsid = CreateObject(kWidgetClsid);
  auto byProgId = CreateObject("Test.Widget");
  EXPECT_TRUE(byClsid);
  EXPECT_TRUE(byProgId);
  EXPECT_EQ(gTestModule.GetObjectCount(), 2);
  EXPECT_FALSE(gTestModule.CanUnloadNow());
  byClsid.Reset();
  byProgId.Reset();
  EXPECT_TRUE(gTestModule.CanUnloadNow());
}

TEST_F(ClassRegistryTest, LocksKeepServerLoaded) {
  ObjectPtr<Object> factoryObject;
  ASSERT_EQ(GetWidgetFactory(kWidgetClsid, IidClassFactory(), factoryObject), kS_OK);
  auto factory = QueryInterface<ClassFactory>(factoryObject);
  ASSERT_TRUE(factory);
  factory->LockServer(true);
  EXPECT_FALSE(gTestModule.CanUnloadNow());
  factory->LockServer(false);
  EXPECT_TRUE(gTestModule.CanUnloadNow());
}

TEST_F(ClassRegistryTest, UnregisteredClassCannotBeCreated) {
  EXPECT_TRUE(ClassRegistry::Instance().UnregisterClass(kWidgetClsid));
  EXPECT_FALSE(ClassRegistry::Instance().UnregisterClass(kWidgetClsid));
  EXPECT_FALSE(ClassRegistry::Instance().FindProgId("Test.Widget"));
  try {
    CreateObject(kWidgetClsid);
    FAIL() << "created an unregistered class";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.GetNumber(), kErrCannotCreateObject);
  }
  EXPECT_THROW(CreateObject("No.Such.Class"), AutomationError);
}

TEST(InterfaceRegistryTest, EntersAndRemovesInterfaces) {
  const Guid iid = Guid::FromString("{99999999-2222-3333-4444-555555555555}");
  ClassRegistry::Instance().RegisterInterface({iid, "_Thing", Guid()});
  auto found = ClassRegistry::Instance().FindInterface(iid);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->mName, "_Thing");
  EXPECT_TRUE(ClassRegistry::Instance().UnregisterInterface(iid));
  EXPECT_FALSE(ClassRegistry::Instance().FindInterface(iid));
}

TEST(TypeLibRegistryTest, EntersAndRemovesTypeLibraries) {
  const Guid libId = Guid::FromString("{88888888-2222-3333-4444-555555555555}");
  ClassRegistry::Instance().RegisterTypeLib({libId, 7, 0, "Lib", "/lib/thing.so"});
  auto found = ClassRegistry::Instance().FindTypeLib(libId);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->mMajorVersion, 7);
  EXPECT_EQ(found->mPath, "/lib/thing.so");
  EXPECT_TRUE(ClassRegistry::Instance().UnregisterTypeLib(libId));
  EXPECT_FALSE(ClassRegistry::Instance().FindTypeLib(libId));
}

}  // namespace
}  // namespace automation
