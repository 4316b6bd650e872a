#include "vod/RavelinServer.h"

#include "platform/automation/ClassFactory.h"
#include "platform/automation/ClassRegistry.h"
#include "vod/Base.h"
#include "vod/RavelinIds.h"

namespace {

using automation::Guid;

automation::HResult GetClassObject(const Guid& clsid, const Guid& iid,
                                   automation::ObjectPtr<automation::Object>& factory) {
  automation::Object* raw = nullptr;
  const automation::HResult hr = DllGetClassObject(clsid, iid, &raw);
  if (automation::Succeeded(hr)) {
    factory = automation::ObjectPtr<automation::Object>(raw);
    raw->Release();  // the smart pointer holds its own reference now
  }
  return hr;
}

}  // namespace

extern "C" {

automation::HResult DllRegisterServer() {
  try {
    auto& registry = automation::ClassRegistry::Instance();
    const Guid libid = Guid::FromString(vod::kLibidRavelin);
    automation::ClassRegistration entry;
    entry.mClsid = Guid::FromString(vod::kClsidBase);
    entry.mProgId = std::string(vod::kProgIdBase);
    entry.mName = "Base";
    entry.mThreadingModel = std::string(vod::kThreadingModelBase);
    entry.mServerPath = automation::ModulePathOf(reinterpret_cast<const void*>(&DllRegisterServer));
    entry.mTypeLibId = libid;
    entry.mGetClassObject = GetClassObject;
    registry.RegisterClass(std::move(entry));
    if (!vod::GetRavelinTypeLibrary().empty()) {
      registry.RegisterTypeLib(
          {libid, vod::kRavelinMajorVersion, vod::kRavelinMinorVersion, "Ravelin",
           automation::ModulePathOf(reinterpret_cast<const void*>(&DllRegisterServer))});
    }
    registry.RegisterInterface({Guid::FromString(vod::kIidBase), "_Base", libid});
    registry.RegisterInterface({Guid::FromString(vod::kDiidBaseEvents), "__Base", libid});
    return automation::kS_OK;
  } catch (const std::exception&) {
    return automation::kSELFREG_E_CLASS;
  }
}

automation::HResult DllUnregisterServer() {
  try {
    auto& registry = automation::ClassRegistry::Instance();
    registry.UnregisterClass(Guid::FromString(vod::kClsidBase));
    registry.UnregisterInterface(Guid::FromString(vod::kIidBase));
    registry.UnregisterInterface(Guid::FromString(vod::kDiidBaseEvents));
    registry.UnregisterTypeLib(Guid::FromString(vod::kLibidRavelin));
    return automation::kS_OK;
  } catch (const std::exception&) {
    return automation::kSELFREG_E_CLASS;
  }
}

automation::HResult DllGetClassObject(const Guid& rclsid, const Guid& riid,
                                      automation::Object** ppv) {
  if (ppv == nullptr) {
    return automation::kE_POINTER;
  }
  *ppv = nullptr;
  try {
    if (rclsid != Guid::FromString(vod::kClsidBase)) {
      return automation::kCLASS_E_CLASSNOTAVAILABLE;
    }
    if (riid != automation::IidClassFactory() && riid != automation::IidUnknown()) {
      return automation::kE_NOINTERFACE;
    }
    auto factory = automation::MakeObject<automation::ClassFactoryOf<vod::Base>>(
        vod::GetRavelinServerModule());
    *ppv = factory.Detach();
    return automation::kS_OK;
  } catch (const std::bad_alloc&) {
    return automation::kE_OUTOFMEMORY;
  } catch (const std::exception&) {
    return automation::kE_FAIL;
  }
}

automation::HResult DllCanUnloadNow() {
  return vod::GetRavelinServerModule().CanUnloadNow() ? automation::kS_OK : automation::kS_FALSE;
}

}  // extern "C"
