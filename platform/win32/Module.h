// Loading of shared modules (plug-ins, resource modules) at run time.
//
// LoadModule is reference-counted like the platform loader: every successful
// load must be matched by one UnloadModule, and the module leaves the process
// with the last one. The caller of LoadModule owns that load; ScopedModule
// holds one for a scope. The executable's handle is never owned and must not
// be freed.
//
// Failures leave an error for the calling thread: GetLastModuleError gives its
// code and number, GetLastModuleErrorText the loader's own words for it.
//
// An entry is found only among the module's own exports, never in a module it
// depends on.
//
// Thread-safety: every function may be called from any thread; the last error
// is kept per thread.
#pragma once

#include <string>

#include "platform/win32/Handles.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/Win32Export.h"

namespace win32 {

// Null when the module cannot be loaded; GetLastModuleError then says why.
WIN32SEAM_EXPORT ModuleHandle LoadModule(const wchar_t* path);
// Gives back one load. False (and an error number) for a null handle or when
// the loader refuses.
WIN32SEAM_EXPORT bool UnloadModule(ModuleHandle module);
// The exported entry of that name, or null (with an error number).
WIN32SEAM_EXPORT void* GetModuleEntry(ModuleHandle module, const char* name);
// The path under which the loader holds the module (for a loaded module, the
// path it was loaded by); empty for a null handle.
WIN32SEAM_EXPORT std::wstring GetModulePath(ModuleHandle module);
// The process's executable; always valid, never to be freed.
WIN32SEAM_EXPORT ModuleHandle GetExecutableModule();
// Whether the module at this path is in the process now; takes no load.
WIN32SEAM_EXPORT bool IsModuleLoaded(const wchar_t* path);
// The error left by the last failing call of this seam on this thread.
WIN32SEAM_EXPORT SystemError GetLastModuleError();
// The system's text for that error: what the loader said when a load failed,
// else the system's text for the number. Empty when the system gives none.
WIN32SEAM_EXPORT std::wstring GetLastModuleErrorText();
// The separator the platform puts between a directory and a file name.
WIN32SEAM_EXPORT wchar_t GetPathSeparator();

// Owns one load of a module for a scope.
class WIN32SEAM_EXPORT ScopedModule {
 public:
  ScopedModule() = default;
  explicit ScopedModule(ModuleHandle module) : mModule(module) {}
  ~ScopedModule();
  ScopedModule(const ScopedModule&) = delete;
  ScopedModule& operator=(const ScopedModule&) = delete;

  ModuleHandle Get() const { return mModule; }
  // Hands the load over to the caller, who then frees it.
  ModuleHandle Detach();
  // Frees the load held now, if any, and takes over `module` (may be null).
  void Reset(ModuleHandle module = nullptr);

 private:
  ModuleHandle mModule = nullptr;
};

}  // namespace win32
