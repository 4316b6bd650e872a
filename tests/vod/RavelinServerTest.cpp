#include "vod/RavelinServer.h"

#include <gtest/gtest.h>

#include "platform/automation/ClassRegistry.h"
#include "tests/vod/VodTestSupport.h"
#include "vod/Base.h"
#include "vod/RavelinIds.h"

namespace vod {
namespace {

using automation::Guid;
using automation::ObjectPtr;

class RavelinServerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(DllRegisterServer(), automation::kS_OK); }
  void TearDown() override { DllUnregisterServer(); }

  // Links are not what is tested here.
  test::ScopedLinkClass mLinkClass{
      [] { return ObjectPtr<automation::Object>(automation::MakeObject<test::RecordingLink>()); }};
};

TEST_F(RavelinServerTest, RegisterEntersClassProgIdAndInterfaces) {
  auto& registry = automation::ClassRegistry::Instance();
  const Guid clsid = Guid::FromString(kClsidBase);
  auto entry = registry.FindClass(clsid);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->mProgId, "Ravelin.Base");
  EXPECT_EQ(entry->mThreadingModel, "Apartment");
  EXPECT_NE(entry->mServerPath.find("ravelin_vod"), std::string::npos);
  EXPECT_EQ(entry->mTypeLibId, Guid::FromString(kLibidRavelin));
  EXPECT_EQ(registry.FindProgId("Ravelin.Base"), clsid);
  EXPECT_TRUE(registry.FindInterface(Guid::FromString(kIidBase)));
  EXPECT_TRUE(registry.FindInterface(Guid::FromString(kDiidBaseEvents)));
  if (!GetRavelinTypeLibrary().empty()) {
    auto typeLib = registry.FindTypeLib(Guid::FromString(kLibidRavelin));
    ASSERT_TRUE(typeLib);
    EXPECT_EQ(typeLib->mMajorVersion, 7);
    EXPECT_EQ(typeLib->mMinorVersion, 0);
    EXPECT_EQ(typeLib->mPath, entry->mServerPath);
  }

  ASSERT_EQ(DllUnregisterServer(), automation::kS_OK);
  EXPECT_FALSE(registry.FindClass(clsid));
  EXPECT_FALSE(registry.FindProgId("Ravelin.Base"));
  EXPECT_FALSE(registry.FindInterface(Guid::FromString(kIidBase)));
  EXPECT_FALSE(registry.FindTypeLib(Guid::FromString(kLibidRavelin)));
  EXPECT_THROW(automation::CreateObject("Ravelin.Base"), automation::AutomationError);
}

TEST_F(RavelinServerTest, CreateObjectByProgIdMakesBase) {
  auto object = automation::CreateObject("Ravelin.Base");
  auto base = automation::QueryInterface<Base>(object);
  ASSERT_TRUE(base);
  EXPECT_TRUE(base->GetBase());
}

TEST_F(RavelinServerTest, GetClassObjectChecksClassAndInterface) {
  automation::Object* factory = nullptr;
  const Guid clsid = Guid::FromString(kClsidBase);
  EXPECT_EQ(DllGetClassObject(clsid, automation::IidClassFactory(), nullptr),
            automation::kE_POINTER);
  EXPECT_EQ(DllGetClassObject(Guid::FromString(kIidBase), automation::IidClassFactory(), &factory),
            automation::kCLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(factory, nullptr);
  EXPECT_EQ(DllGetClassObject(clsid, Guid::FromString(kIidBase), &factory),
            automation::kE_NOINTERFACE);
  ASSERT_EQ(DllGetClassObject(clsid, automation::IidClassFactory(), &factory), automation::kS_OK);
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->GetRefCount(), 1u);
  factory->Release();
}

TEST_F(RavelinServerTest, CanUnloadNowCountsObjectsAndLocks) {
  EXPECT_EQ(DllCanUnloadNow(), automation::kS_OK);
  automation::Object* raw = nullptr;
  ASSERT_EQ(DllGetClassObject(Guid::FromString(kClsidBase), automation::IidUnknown(), &raw),
            automation::kS_OK);
  ObjectPtr<automation::Object> factoryObject(raw);
  raw->Release();
  auto factory = automation::QueryInterface<automation::ClassFactory>(factoryObject);
  ASSERT_TRUE(factory);
  EXPECT_EQ(DllCanUnloadNow(), automation::kS_OK);  // a factory alone keeps nothing loaded

  auto object = factory->CreateInstance();
  EXPECT_EQ(DllCanUnloadNow(), automation::kS_FALSE);
  object.Reset();
  EXPECT_EQ(DllCanUnloadNow(), automation::kS_OK);

  factory->LockServer(true);
  EXPECT_EQ(DllCanUnloadNow(), automation::kS_FALSE);
  factory->LockServer(false);
  EXPECT_EQ(DllCanUnloadNow(), automation::kS_OK);
}

}  // namespace
}  // namespace vod
