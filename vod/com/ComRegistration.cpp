#include "vod/com/ComRegistration.h"

#include <oleauto.h>
#include <olectl.h>

#include <atomic>
#include <mutex>
#include <string>
#include <utility>

#include "Ravelin_h.h"
#include "vod/RavelinIds.h"
#include "vod/com/ComObjects.h"
#include "vod/com/ComRegistrationFault.h"
#include "vod/com/ComSupport.h"

// Exported by oleaut32 (Windows Vista and later, and Wine) but not declared by the MinGW-w64
// headers.
extern "C" {
WINOLEAUTAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpDir);
WINOLEAUTAPI UnRegisterTypeLibForUser(REFGUID libId, WORD majorVersion, WORD minorVersion,
                                      LCID lcid, SYSKIND sysKind);
}

namespace vod::com {

namespace {

struct KeyRemovalFault {
  std::atomic<bool> mSet{false};  // read without the lock: the hook costs nothing unset
  std::mutex mLock;
  std::wstring mSubKey;
};

KeyRemovalFault& TheKeyRemovalFault() {
  static KeyRemovalFault fault;
  return fault;
}

}  // namespace

bool InjectedKeyRemovalFault(std::wstring_view subKey) {
  KeyRemovalFault& fault = TheKeyRemovalFault();
  if (!fault.mSet.load(std::memory_order_acquire)) {
    return false;
  }
  std::lock_guard lock(fault.mLock);
  return !fault.mSubKey.empty() &&
         CompareStringOrdinal(fault.mSubKey.data(), static_cast<int>(fault.mSubKey.size()),
                              subKey.data(), static_cast<int>(subKey.size()), TRUE) == CSTR_EQUAL;
}

namespace {

// An open registry key, closed when it goes.
class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& other) noexcept : mKey(std::exchange(other.mKey, nullptr)) {}
  ~RegKey() {
    if (mKey != nullptr) {
      RegCloseKey(mKey);
    }
  }
  HKEY Get() const { return mKey; }
  HKEY* Receive() { return &mKey; }

 private:
  HKEY mKey = nullptr;
};

HKEY RootOf(RegistrationScope scope) {
  return scope == RegistrationScope::kMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::wstring ClassesPath(const std::wstring& subKey) {
  return L"Software\\Classes\\" + subKey;
}

LSTATUS SetValue(RegistrationScope scope, const std::wstring& subKey, const wchar_t* name,
                 const std::wstring& value) {
  RegKey key;
  LSTATUS status =
      RegCreateKeyExW(RootOf(scope), ClassesPath(subKey).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.Receive(), nullptr);
  if (status != ERROR_SUCCESS) {
    return status;
  }
  return RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// The text value of a key, "" when either is missing.
std::wstring GetValue(RegistrationScope scope, const std::wstring& subKey, const wchar_t* name) {
  RegKey key;
  if (RegOpenKeyExW(RootOf(scope), ClassesPath(subKey).c_str(), 0, KEY_QUERY_VALUE,
                    key.Receive()) != ERROR_SUCCESS) {
    return {};
  }
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                       &size) != ERROR_SUCCESS) {
    return {};
  }
  value.resize(wcsnlen(value.c_str(), value.size()));
  return value;
}

// True when the key is gone afterwards (also when it was not there).
bool DeleteTree(RegistrationScope scope, const std::wstring& subKey) {
  if (InjectedKeyRemovalFault(subKey)) {
    return false;
  }
  const LSTATUS tree = RegDeleteTreeW(RootOf(scope), ClassesPath(subKey).c_str());
  if (tree != ERROR_SUCCESS && tree != ERROR_FILE_NOT_FOUND) {
    return false;
  }
  const LSTATUS key = RegDeleteKeyW(RootOf(scope), ClassesPath(subKey).c_str());
  return key == ERROR_SUCCESS || key == ERROR_FILE_NOT_FOUND;
}

bool KeyExists(RegistrationScope scope, const std::wstring& subKey) {
  RegKey key;
  return RegOpenKeyExW(RootOf(scope), ClassesPath(subKey).c_str(), 0, KEY_QUERY_VALUE,
                       key.Receive()) == ERROR_SUCCESS;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

struct ServerClass {
  std::wstring mClsid;
  std::wstring mName;
  std::wstring mProgId;  // version-independent
  bool mWithTypeLib;

  // The ProgID of this version of the class, which the version-independent one names as CurVer.
  std::wstring VersionedProgId() const { return mProgId + L".1"; }
};

ServerClass BaseClass() {
  return {Utf8ToWide(kClsidBase), L"Base", Utf8ToWide(kProgIdBase), true};
}

ServerClass LinkClass() {
  return {Utf8ToWide(dao::kBaseLinkClsid), L"BaseLink", Utf8ToWide(dao::kBaseLinkProgId), true};
}

LSTATUS WriteClass(RegistrationScope scope, const ServerClass& entry, const std::wstring& path) {
  const std::wstring clsidKey = L"CLSID\\" + entry.mClsid;
  LSTATUS status = ERROR_SUCCESS;
  auto set = [&](const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    if (status == ERROR_SUCCESS) {
      status = SetValue(scope, key, name, value);
    }
  };
  set(clsidKey, nullptr, entry.mName);
  set(clsidKey + L"\\InprocServer32", nullptr, path);
  set(clsidKey + L"\\InprocServer32", L"ThreadingModel", Utf8ToWide(kThreadingModelBase));
  set(clsidKey + L"\\ProgID", nullptr, entry.VersionedProgId());
  set(clsidKey + L"\\VersionIndependentProgID", nullptr, entry.mProgId);
  if (entry.mWithTypeLib) {
    set(clsidKey + L"\\TypeLib", nullptr, Utf8ToWide(kLibidRavelin));
    set(clsidKey + L"\\Version", nullptr,
        std::to_wstring(kRavelinMajorVersion) + L"." + std::to_wstring(kRavelinMinorVersion));
    set(clsidKey + L"\\Programmable", nullptr, L"");
  }
  set(entry.mProgId, nullptr, entry.mName);
  set(entry.mProgId + L"\\CLSID", nullptr, entry.mClsid);
  set(entry.mProgId + L"\\CurVer", nullptr, entry.VersionedProgId());
  set(entry.VersionedProgId(), nullptr, entry.mName);
  set(entry.VersionedProgId() + L"\\CLSID", nullptr, entry.mClsid);
  return status;
}

// Removes the class while its key names this DLL. Its ProgIDs go with it, or alone when they
// are left over from a class key that is gone; while another copy of the server owns the class
// key, they are that copy's. False when a key that should go could not be removed.
bool RemoveClass(RegistrationScope scope, const ServerClass& entry, const std::wstring& path) {
  const std::wstring clsidKey = L"CLSID\\" + entry.mClsid;
  bool removed = true;
  bool ours = !KeyExists(scope, clsidKey);
  if (SamePath(GetValue(scope, clsidKey + L"\\InprocServer32", nullptr), path)) {
    ours = true;
    removed = DeleteTree(scope, clsidKey) && removed;
  }
  if (!ours) {
    return removed;
  }
  for (const std::wstring& progId : {entry.mProgId, entry.VersionedProgId()}) {
    if (SamePath(GetValue(scope, progId + L"\\CLSID", nullptr), entry.mClsid)) {
      removed = DeleteTree(scope, progId) && removed;
    }
  }
  return removed;
}

// Whether the path a type library was registered with names this DLL: the registration may
// carry the long-path prefix (\\?\) and, for a library that is not the module's first, its
// resource number.
bool SameModule(std::wstring registered, const std::wstring& path) {
  const std::wstring longPrefix = L"\\\\?\\";
  if (registered.rfind(longPrefix, 0) == 0) {
    registered.erase(0, longPrefix.size());
  }
  if (SamePath(registered, path)) {
    return true;
  }
  const auto slash = registered.find_last_of(L'\\');
  if (slash != std::wstring::npos && slash + 1 < registered.size() &&
      registered.find_first_not_of(L"0123456789", slash + 1) == std::wstring::npos) {
    return SamePath(registered.substr(0, slash), path);
  }
  return false;
}

SYSKIND OwnSysKind() {
  return sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
}

HRESULT RegisterTypeLibrary(RegistrationScope scope, const std::wstring& path) {
  ComPtr<ITypeLib> library;
  if (scope == RegistrationScope::kMachine) {
    return LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, library.Receive());
  }
  HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Receive());
  if (SUCCEEDED(hr)) {
    hr = RegisterTypeLibForUser(library.Get(), const_cast<OLECHAR*>(path.c_str()), nullptr);
  }
  return hr;
}

// Removes the type library (and the interface keys it entered) while its registration names
// this DLL; another copy registered since keeps it. False when that failed.
bool UnregisterTypeLibrary(RegistrationScope scope, const std::wstring& path) {
  const std::wstring version =
      std::to_wstring(kRavelinMajorVersion) + L"." + std::to_wstring(kRavelinMinorVersion);
  const std::wstring key = L"TypeLib\\" + Utf8ToWide(kLibidRavelin) + L"\\" + version + L"\\0\\" +
                           (OwnSysKind() == SYS_WIN64 ? L"win64" : L"win32");
  if (!SameModule(GetValue(scope, key, nullptr), path)) {
    return true;
  }
  const HRESULT hr = scope == RegistrationScope::kMachine
                         ? UnRegisterTypeLib(LIBID_Ravelin, kRavelinMajorVersion,
                                             kRavelinMinorVersion, 0, OwnSysKind())
                         : UnRegisterTypeLibForUser(LIBID_Ravelin, kRavelinMajorVersion,
                                                    kRavelinMinorVersion, 0, OwnSysKind());
  return SUCCEEDED(hr);
}

}  // namespace

HRESULT RegisterServer(RegistrationScope scope) {
  try {
    const std::wstring path = ComModule::GetPath();
    if (path.empty()) {
      return SELFREG_E_CLASS;
    }
    for (const ServerClass& entry : {BaseClass(), LinkClass()}) {
      const LSTATUS status = WriteClass(scope, entry, path);
      if (status != ERROR_SUCCESS) {
        UnregisterServer(scope);
        return status == ERROR_ACCESS_DENIED ? E_ACCESSDENIED : SELFREG_E_CLASS;
      }
    }
    if (FAILED(RegisterTypeLibrary(scope, path))) {
      UnregisterServer(scope);
      return SELFREG_E_TYPELIB;
    }
    return S_OK;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

HRESULT UnregisterServer(RegistrationScope scope) {
  try {
    const std::wstring path = ComModule::GetPath();
    // Each part is tried even when an earlier one failed, so that as much as can go goes.
    bool removed = UnregisterTypeLibrary(scope, path);
    removed = RemoveClass(scope, BaseClass(), path) && removed;
    removed = RemoveClass(scope, LinkClass(), path) && removed;
    return removed ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

}  // namespace vod::com

extern "C" void RavelinSetKeyRemovalFault(const wchar_t* subKey) {
  vod::com::KeyRemovalFault& fault = vod::com::TheKeyRemovalFault();
  std::lock_guard lock(fault.mLock);
  try {
    fault.mSubKey = subKey != nullptr ? subKey : L"";
  } catch (...) {
    fault.mSubKey.clear();  // out of memory: no hook rather than an exception through C
  }
  fault.mSet.store(!fault.mSubKey.empty(), std::memory_order_release);
}
