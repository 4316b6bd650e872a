#include "platform/dao/BaseLink.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/ClassFactory.h"
#include "platform/automation/ClassRegistry.h"

namespace dao {
namespace {

automation::ServerModule& GetBaseLinkModule() {
  static automation::ServerModule module;
  return module;
}

// The default connection component: one database at a time, a file or on a server.
class DefaultBaseLink final : public BaseLink {
 public:
  bool CreateBase(const std::string& path, const std::string& password,
                  std::string_view schemaSql) override {
    try {
      Database::Create(path, password, schemaSql)->Close();
      mLastError.clear();
      return true;
    } catch (const automation::AutomationError& error) {
      mLastError = error.GetDescription();
      return false;
    }
  }

  DatabasePtr BaseDatabase() override { return mDatabase; }

  std::string GetBasePath() const override { return mDatabase ? mDatabase->GetName() : ""; }

  bool IsOpen() const override { return mDatabase && mDatabase->IsOpen(); }

  void CloseBase() override {
    if (mDatabase) {
      mDatabase->Close();
      mDatabase.Reset();
    }
  }

  bool ExecuteSQL(std::string sql) override {
    // A server connection that was lost is not open, yet the statement connects it again.
    if (!mDatabase) {
      mLastError = "No database is open.";
      return false;
    }
    try {
      mDatabase->Execute(sql);
      mLastError.clear();
      return true;
    } catch (const automation::AutomationError& error) {
      mLastError = error.GetDescription();
      return false;
    }
  }

  bool OpenBase(std::string path, std::string& password, bool& readOnly) override {
    CloseBase();
    try {
      mDatabase = Database::Open(path, password, readOnly);
      mLastError.clear();
      return true;
    } catch (const automation::AutomationError& error) {
      mLastError = error.GetDescription();
      return false;
    }
  }

  std::string GetLastError() const override { return mLastError; }

 protected:
  ~DefaultBaseLink() override { CloseBase(); }

 private:
  automation::ServerObjectCount mCount{GetBaseLinkModule()};
  DatabasePtr mDatabase;
  std::string mLastError;
};

// The component is there as soon as its library is: enter it once at load time.
[[maybe_unused]] const bool kRegisteredAtLoad = [] {
  return RegisterBaseLinkServer() == automation::kS_OK;
}();

}  // namespace

BaseLink::~BaseLink() = default;

BaseLinkPtr CreateBaseLink() {
  return BaseLinkPtr(automation::MakeObject<DefaultBaseLink>());
}

automation::HResult RegisterBaseLinkServer() {
  auto& registry = automation::ClassRegistry::Instance();
  automation::ClassRegistration entry;
  entry.mClsid = automation::Guid::FromString(kBaseLinkClsid);
  entry.mProgId = std::string(kBaseLinkProgId);
  entry.mName = "BaseLink";
  entry.mThreadingModel = "Apartment";
  entry.mServerPath = automation::ModulePathOf(reinterpret_cast<const void*>(&CreateBaseLink));
  entry.mGetClassObject = BaseLinkGetClassObject;
  registry.RegisterClass(std::move(entry));
  registry.RegisterInterface({automation::Guid::FromString(kBaseLinkIid), "_BaseLink", {}});
  return automation::kS_OK;
}

automation::HResult UnregisterBaseLinkServer() {
  auto& registry = automation::ClassRegistry::Instance();
  registry.UnregisterClass(automation::Guid::FromString(kBaseLinkClsid));
  registry.UnregisterInterface(automation::Guid::FromString(kBaseLinkIid));
  return automation::kS_OK;
}

automation::HResult BaseLinkGetClassObject(const automation::Guid& clsid,
                                           const automation::Guid& iid,
                                           automation::ObjectPtr<automation::Object>& factory) {
  if (clsid != automation::Guid::FromString(kBaseLinkClsid)) {
    return automation::kCLASS_E_CLASSNOTAVAILABLE;
  }
  if (iid != automation::IidClassFactory() && iid != automation::IidUnknown()) {
    return automation::kE_NOINTERFACE;
  }
  factory = automation::ObjectPtr<automation::Object>(
      automation::MakeObject<automation::ClassFactoryOf<DefaultBaseLink>>(GetBaseLinkModule()));
  return automation::kS_OK;
}

bool BaseLinkCanUnloadNow() {
  return GetBaseLinkModule().CanUnloadNow();
}

}  // namespace dao
