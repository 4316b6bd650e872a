#include "platform/automation/ClassRegistry.h"

#include <map>
#include <mutex>

#include "platform/automation/AutomationError.h"

namespace automation {

struct ClassRegistry::Impl {
  mutable std::mutex mMutex;
  std::map<Guid, ClassRegistration> mClasses;
  std::map<Guid, InterfaceRegistration> mInterfaces;
  std::map<Guid, TypeLibRegistration> mTypeLibs;
};

ClassRegistry& ClassRegistry::Instance() {
  static ClassRegistry registry;
  return registry;
}

ClassRegistry::Impl& ClassRegistry::GetImpl() const {
  // Lives as long as the process: servers may unregister from static destructors.
  static Impl* impl = new Impl;
  return *impl;
}

void ClassRegistry::RegisterClass(ClassRegistration entry) {
  Impl& impl = GetImpl();
  std::lock_guard lock(impl.mMutex);
  const Guid clsid = entry.mClsid;
  impl.mClasses[clsid] = std::move(entry);
}

bool ClassRegistry::UnregisterClass(const Guid& clsid) {
  Impl& impl = GetImpl();
  std::lock_guard lock(impl.mMutex);
  return impl.mClasses.erase(clsid) > 0;
}

std::optional<ClassRegistration> ClassRegistry::FindClass(const Guid& clsid) const {
  Impl& impl = GetImpl();
  std::lock_guard lock(impl.mMutex);
  auto it = impl.mClasses.find(clsid);
  if (it == impl.mClasses.end()) {
    return std::nullopt;
  }
  return it->second;
}

std::optional<Guid> ClassRegistry::FindProgId(std::string_view progId) const {
  Impl& impl = GetImpl();
  std::lock_guard lock(impl.mMutex);
  for (const auto& [clsid, entry] : impl.mClasses) {
    if (!entry.mProgId.empty() && entry.mProgId == progId) {
      return clsid;
    }
  }
  return std::nullopt;
}

void ClassRegistry::RegisterInterface(InterfaceRegistration entry) {
  Impl& impl = GetImpl();
  std::lock_guard lock(impl.mMutex);
  const Guid iid = entry.mIid;
  impl.mInterfaces[iid] = std::move(entry);
}

bool ClassRegistry::UnregisterInterface(const Guid& iid) {
  Impl& impl = GetImpl();
  std::lock_guard lock(impl.mMutex);
  return impl.mInterfaces.erase(iid) > 0;
}

std::optional<InterfaceRegistration> ClassRegistry::FindInterface(const Guid& iid) const {
  Impl& impl = GetImpl();
  std::lock_guard lock(impl.mMutex);
  auto it = impl.mInterfaces.find(iid);
  if (it == impl.mInterfaces.end()) {
    return std::nullopt;
  }
  return it->second;
}

void ClassRegistry::RegisterTypeLib(TypeLibRegistration entry) {
  Impl& impl = GetImpl();
  std::lock_guard lock(impl.mMutex);
  const Guid libId = entry.mLibId;
  impl.mTypeLibs[libId] = std::move(entry);
}

bool ClassRegistry::UnregisterTypeLib(const Guid& libId) {
  Impl& impl = GetImpl();
  std::lock_guard lock(impl.mMutex);
  return impl.mTypeLibs.erase(libId) > 0;
}

std::optional<TypeLibRegistration> ClassRegistry::FindTypeLib(const Guid& libId) const {
  Impl& impl = GetImpl();
  std::lock_guard lock(impl.mMutex);
  auto it = impl.mTypeLibs.find(libId);
  if (it == impl.mTypeLibs.end()) {
    return std::nullopt;
  }
  return it->second;
}

ObjectPtr<Object> CreateObject(const Guid& clsid) {
  // The factory is called outside the registry's lock: creating an object may create others.
  const auto entry = ClassRegistry::Instance().FindClass(clsid);
  if (!entry || !entry->mGetClassObject) {
    RaiseRuntimeError(kErrCannotCreateObject);
  }
  ObjectPtr<Object> factoryObject;
  if (!Succeeded(entry->mGetClassObject(clsid, IidClassFactory(), factoryObject))) {
    RaiseRuntimeError(kErrCannotCreateObject);
  }
  auto factory = QueryInterface<ClassFactory>(factoryObject);
  if (!factory) {
    RaiseRuntimeError(kErrCannotCreateObject);
  }
  ObjectPtr<Object> object;
  try {
    object = factory->CreateInstance();
  } catch (const std::exception&) {
    RaiseRuntimeError(kErrCannotCreateObject);
  }
  if (!object) {
    RaiseRuntimeError(kErrCannotCreateObject);
  }
  return object;
}

ObjectPtr<Object> CreateObject(std::string_view progId) {
  const auto clsid = ClassRegistry::Instance().FindProgId(progId);
  if (!clsid) {
    RaiseRuntimeError(kErrCannotCreateObject);
  }
  return CreateObject(*clsid);
}

}  // namespace automation
