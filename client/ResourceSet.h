// CResourceSet: a scope in which the UI library (Panelkit) loads its
// resources from a chosen module. SetResHandle selects the module; destruction
// selects the executable again (not whatever was selected before the scope).
// A scope on which SetResHandle was never called changes nothing.
//
// The scope does not own the module; the caller keeps it loaded for the
// scope's lifetime.
//
// Thread-safety: the selection is process-wide in Panelkit, so scopes on
// different threads affect one another.
#pragma once

#include <cstdint>

#include "client/RavelinClientExport.h"
#include "platform/win32/Handles.h"

class RAVELIN_CLIENT_EXPORT CResourceSet {
 public:
  CResourceSet() = default;
  CResourceSet(const CResourceSet&) = default;
  CResourceSet& operator=(const CResourceSet&) = default;
  ~CResourceSet();

  void SetResHandle(win32::ModuleHandle module);

 private:
  // Kept for callers; copied, never read here.
  std::uint32_t mReserved = 0;
  // Handed back to Panelkit on destruction; null until SetResHandle.
  win32::ModuleHandle mSavedModule = nullptr;
};
