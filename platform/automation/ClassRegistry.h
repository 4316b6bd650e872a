// ClassRegistry: the process-wide table of creatable classes, the stand-in for the system
// registry's CLSID, ProgID and Interface keys, and CreateObject, which creates an object of a
// registered class the way CoCreateInstance does.
//
// A server enters its classes (DllRegisterServer) with the CLSID, ProgID, threading model,
// the path of the module that serves it and the function that gives its class factory
// (DllGetClassObject), and its interfaces and type library; DllUnregisterServer removes them.
// Entries are copied in and out, so callers hold no references into the table. All members lock, so
// the table may be used from any thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/AutomationExport.h"
#include "platform/automation/ClassFactory.h"
#include "platform/automation/Guid.h"
#include "platform/automation/HResult.h"
#include "platform/automation/Object.h"

namespace automation {

// DllGetClassObject's contract: the factory for clsid supporting iid, or a failure code.
using GetClassObjectFunction =
    std::function<HResult(const Guid& clsid, const Guid& iid, ObjectPtr<Object>& factory)>;

struct ClassRegistration {
  Guid mClsid;
  std::string mProgId;
  std::string mName;            // the class's description
  std::string mThreadingModel;  // "Apartment", "Both", "Free"
  std::string mServerPath;      // the module that serves the class
  Guid mTypeLibId;              // null when the class has no type library
  GetClassObjectFunction mGetClassObject;
};

struct InterfaceRegistration {
  Guid mIid;
  std::string mName;
  Guid mTypeLibId;
};

// A type library a server carries (TypeLib key): found by its id and version at `mPath`.
struct TypeLibRegistration {
  Guid mLibId;
  int mMajorVersion = 0;
  int mMinorVersion = 0;
  std::string mName;
  std::string mPath;  // the module that embeds it, or the library file
};

class AUTOMATION_EXPORT ClassRegistry {
 public:
  static ClassRegistry& Instance();

  // Enters or replaces the class; its ProgID then names it.
  void RegisterClass(ClassRegistration entry);
  // False when the class was not registered.
  bool UnregisterClass(const Guid& clsid);
  std::optional<ClassRegistration> FindClass(const Guid& clsid) const;
  std::optional<Guid> FindProgId(std::string_view progId) const;

  void RegisterInterface(InterfaceRegistration entry);
  bool UnregisterInterface(const Guid& iid);
  std::optional<InterfaceRegistration> FindInterface(const Guid& iid) const;

  void RegisterTypeLib(TypeLibRegistration entry);
  bool UnregisterTypeLib(const Guid& libId);
  std::optional<TypeLibRegistration> FindTypeLib(const Guid& libId) const;

 private:
  ClassRegistry() = default;
  struct Impl;
  Impl& GetImpl() const;
};

// CoCreateInstance: asks the registered class's factory for a new object. Raises
// AutomationError 429 when the class is not registered or its factory fails to create it.
AUTOMATION_EXPORT ObjectPtr<Object> CreateObject(const Guid& clsid);
// CreateObject by ProgID, as the runtime's CreateObject("Server.Class") does.
AUTOMATION_EXPORT ObjectPtr<Object> CreateObject(std::string_view progId);

// Path of the loaded module that contains `address` ("" when unknown), for the server path a
// module enters when it registers itself.
AUTOMATION_EXPORT std::string ModulePathOf(const void* address);

}  // namespace automation
