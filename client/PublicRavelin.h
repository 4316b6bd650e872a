// The manager object of the desktop client and the four C entry points that
// create, drive and release it.
//
// CImplementation and CPublicRavelin are abstract: a manager module, named by
// the client's configuration and loaded at run time, implements them and
// creates its object through its exported "CreateManager" entry
// (CreateManagerFunction). A module built on its own relies on the order of
// the virtual operations below, so that order never changes.
//
// Ownership: CreatePublicManager hands the object to the host, which owns it
// until it passes it to UnPublicManager; that call makes the object shut down
// and release itself, then gives back the module load that came with it. One
// object holds one load of its module. The object keeps the host's section
// string by pointer: the host keeps that string alive as long as the object.
//
// Thread-safety: none of the entry points takes a lock. Creations must not
// overlap, because reading the configuration goes through one fixed
// temporary file; an object is driven by one thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "client/RavelinClientExport.h"
#include "platform/win32/Handles.h"

class RAVELIN_CLIENT_EXPORT CImplementation {
 public:
  CImplementation() = default;
  CImplementation(const CImplementation&) = default;
  CImplementation& operator=(const CImplementation&) = default;

  // Implemented by the manager module; this library never calls them.
  virtual void ReservedImplementation1() = 0;
  virtual void ReservedImplementation2() = 0;
  virtual void ReservedImplementation3() = 0;

 protected:
  // Not virtual, and so not public: an object is destroyed through
  // CPublicRavelin (or its own Release), never through this interface.
  ~CImplementation() = default;
};

class RAVELIN_CLIENT_EXPORT CPublicRavelin : public CImplementation {
 public:
  CPublicRavelin() = default;
  CPublicRavelin(const CPublicRavelin&) = default;
  CPublicRavelin& operator=(const CPublicRavelin&) = default;
  virtual ~CPublicRavelin();

  virtual void Reserved5() = 0;
  // Called by UnPublicManager before Release; the result is not used.
  virtual int Shutdown() = 0;
  virtual void Reserved7() = 0;
  virtual void Reserved8() = 0;
  // Called by TranslateMimoMessage with the host's message, unread here.
  virtual int HandleMessage(void* message) = 0;
  // Called by UnPublicManager last: the object ends itself; it is not touched
  // afterwards. The result is not used.
  virtual int Release() = 0;
  virtual void Reserved11() = 0;
  virtual void Reserved12() = 0;
  virtual void Reserved13() = 0;
  virtual void Reserved14() = 0;
  // Called once by CreatePublicManager right after creation and by
  // UpDataManager.
  virtual int Update() = 0;
  virtual void Reserved16() = 0;

  // The system's text for an error number, exactly as the system gives it;
  // empty when the system has none.
  static std::wstring GetLastErrText(std::uint32_t code);

  // Filled by CreatePublicManager before the first Update.
  win32::ModuleHandle GetModule() const { return mModule; }
  void SetModule(win32::ModuleHandle module) { mModule = module; }
  const wchar_t* GetSection() const { return mSection; }
  void SetSection(const wchar_t* section) { mSection = section; }
  win32::WindowHandle GetOwner() const { return mOwner; }
  void SetOwner(win32::WindowHandle owner) { mOwner = owner; }

 private:
  // The module that created the object; its load is given back by
  // UnPublicManager.
  win32::ModuleHandle mModule = nullptr;
  // The host's own string, not a copy.
  const wchar_t* mSection = nullptr;
  win32::WindowHandle mOwner = nullptr;
  // Left to the manager module.
  std::uint32_t mReserved = 0;
};

// What a manager module exports as "CreateManager": the directory passed to
// CreatePublicManager and its two pass-through values, unchanged. Returns a
// new object, or null.
using CreateManagerFunction = CPublicRavelin* (*)(const wchar_t* directory,
                                                  std::uint32_t passThrough1,
                                                  std::uint32_t passThrough2);

extern "C" {

// Reads key "patch" of `section` from the configuration file `fileName` in
// `directory`, loads the module it names from `directory` and returns the
// manager object that the module's "CreateManager" makes, after one Update.
// Null on any failure; a file that cannot be opened or a module that cannot
// be loaded is reported in a message box (the latter owned by `owner`).
RAVELIN_CLIENT_EXPORT CPublicRavelin* CreatePublicManager(
    const wchar_t* directory, const wchar_t* fileName, const wchar_t* section,
    std::uint32_t passThrough1, win32::WindowHandle owner, std::uint32_t passThrough2);

// Shuts the object down, makes it release itself and unloads its module. Null
// does nothing. The object must not be used afterwards.
RAVELIN_CLIENT_EXPORT void UnPublicManager(CPublicRavelin* manager);

// The manager's HandleMessage result; 0 for a null argument or when it throws.
RAVELIN_CLIENT_EXPORT int TranslateMimoMessage(void* message, CPublicRavelin* manager);

// The manager's Update result; 0 for null or when it throws.
RAVELIN_CLIENT_EXPORT int UpDataManager(CPublicRavelin* manager);

}  // extern "C"
