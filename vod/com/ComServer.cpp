// The entry points of the Ravelin in-process server on Windows: DllRegisterServer,
// DllUnregisterServer, DllInstall (regsvr32 /i, "user" for one user's registration),
// DllGetClassObject (the class factories of Base and BaseLink) and DllCanUnloadNow.
// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <olectl.h>

#include <new>

#include "platform/automation/ClassFactory.h"
#include "platform/dao/BaseLink.h"
#include "vod/Base.h"
#include "vod/com/ComBase.h"
#include "vod/com/ComObjects.h"
#include "vod/com/ComRegistration.h"
#include "vod/com/ComSupport.h"

namespace vod::com {

namespace {

// The factory of one class. A live factory counts as an object of the server: a host that
// keeps one may call it after CoFreeUnusedLibraries, so the DLL must stay loaded meanwhile.
class ClassFactory final : public ComObject<IClassFactory> {
 public:
  using Create = HRESULT (*)(REFIID iid, void** object);
  explicit ClassFactory(Create create) : mCreate(create) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) {
      return E_POINTER;
    }
    *object = nullptr;
    if (outer != nullptr) {
      return CLASS_E_NOAGGREGATION;
    }
    return mCreate(iid, object);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) {
      ComModule::Lock();
    } else {
      ComModule::Unlock();
    }
    return S_OK;
  }

 private:
  Create mCreate;
};

template <class Make>
HRESULT CreateAndQuery(Make&& make, REFIID iid, void** object) {
  try {
    auto created = make();
    return created->QueryInterface(iid, object);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT CreateBase(REFIID iid, void** object) {
  return CreateAndQuery([] { return ComBase::Create(); }, iid, object);
}

HRESULT CreateLink(REFIID iid, void** object) {
  return CreateAndQuery([] { return ComBaseLink::Create(dao::CreateBaseLink()); }, iid, object);
}

}  // namespace

}  // namespace vod::com

extern "C" {

STDAPI DllRegisterServer() {
  using vod::com::RegistrationScope;
  const HRESULT hr = vod::com::RegisterServer(RegistrationScope::kMachine);
  // A user who may not write the machine's classes gets them for himself.
  if (hr == E_ACCESSDENIED) {
    return vod::com::RegisterServer(RegistrationScope::kUser);
  }
  return hr;
}

STDAPI DllUnregisterServer() {
  using vod::com::RegistrationScope;
  const HRESULT machine = vod::com::UnregisterServer(RegistrationScope::kMachine);
  const HRESULT user = vod::com::UnregisterServer(RegistrationScope::kUser);
  return FAILED(machine) ? machine : user;
}

// regsvr32 /n /i:user registers for the current user only; any other command line means the
// machine, as DllRegisterServer.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  using vod::com::RegistrationScope;
  const bool user = commandLine != nullptr && vod::com::NamesEqual(commandLine, L"user");
  const RegistrationScope scope = user ? RegistrationScope::kUser : RegistrationScope::kMachine;
  return install ? vod::com::RegisterServer(scope) : vod::com::UnregisterServer(scope);
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  *object = nullptr;
  vod::com::ClassFactory::Create create = nullptr;
  if (IsEqualCLSID(clsid, CLSID_Base)) {
    create = vod::com::CreateBase;
  } else if (IsEqualCLSID(clsid, vod::com::CLSID_BaseLink)) {
    create = vod::com::CreateLink;
  } else {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  auto* factory = new (std::nothrow) vod::com::ClassFactory(create);
  if (factory == nullptr) {
    return E_OUTOFMEMORY;
  }
  const HRESULT hr = factory->QueryInterface(iid, object);
  factory->Release();
  return hr;
}

STDAPI DllCanUnloadNow() {
  if (vod::com::ComModule::GetObjectCount() == 0 && vod::com::ComModule::GetLockCount() == 0 &&
      vod::GetRavelinServerModule().CanUnloadNow()) {
    // Nothing of the server is alive: drop what it keeps of the type library, so the host may
    // unload it.
    vod::com::ReleaseRecordInfoCache();
    return S_OK;
  }
  return S_FALSE;
}

}  // extern "C"
