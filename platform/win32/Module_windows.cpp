// Windows modules are the loader's HMODULEs, counted by the loader itself.
// GetProcAddress looks only at the module's own export table, which is what
// GetModuleEntry promises.
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/win32/Module.h"
#include "platform/win32/SystemError.h"

namespace win32 {
namespace {

thread_local SystemError tLastError;

HMODULE ToLoader(ModuleHandle module) {
  return reinterpret_cast<HMODULE>(module);
}

ModuleHandle FromLoader(HMODULE handle) {
  return reinterpret_cast<ModuleHandle>(handle);
}

void RememberError(unsigned long number) {
  tLastError = SystemError{ErrorCodeFromSystem(number), number};
}

void RememberLastError() {
  RememberError(::GetLastError());
}

bool HasFolder(const wchar_t* path) {
  for (const wchar_t* c = path; *c != L'\0'; ++c) {
    if (*c == L'\\' || *c == L'/') {
      return true;
    }
  }
  return false;
}

}  // namespace

ModuleHandle LoadModule(const wchar_t* path) {
  if (path == nullptr || *path == L'\0') {
    RememberError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // A module named with its folder finds the modules it imports next to it
  // first, as it would when the host's own folder holds it.
  const DWORD flags = HasFolder(path) ? LOAD_WITH_ALTERED_SEARCH_PATH : 0;
  HMODULE handle = ::LoadLibraryExW(path, nullptr, flags);
  if (handle == nullptr) {
    RememberLastError();
    return nullptr;
  }
  return FromLoader(handle);
}

bool UnloadModule(ModuleHandle module) {
  if (module == nullptr) {
    RememberError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (module == GetExecutableModule()) {
    // Never owned by anyone; the executable stays.
    return true;
  }
  if (!::FreeLibrary(ToLoader(module))) {
    RememberLastError();
    return false;
  }
  return true;
}

void* GetModuleEntry(ModuleHandle module, const char* name) {
  if (module == nullptr || name == nullptr) {
    RememberError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  FARPROC entry = ::GetProcAddress(ToLoader(module), name);
  if (entry == nullptr) {
    RememberLastError();
    return nullptr;
  }
  // Callers cast the entry back to the function type they know it has.
  return reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(entry));
}

std::wstring GetModulePath(ModuleHandle module) {
  if (module == nullptr) {
    return {};
  }
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(ToLoader(module), path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      return {};
    }
    // A full buffer may mean a cut-off path; try again with more room.
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) {
      return {};
    }
    path.resize(path.size() * 2);
  }
}

ModuleHandle GetExecutableModule() {
  return FromLoader(::GetModuleHandleW(nullptr));
}

bool IsModuleLoaded(const wchar_t* path) {
  if (path == nullptr || *path == L'\0') {
    return false;
  }
  HMODULE handle = nullptr;
  return ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, path, &handle) &&
         handle != nullptr;
}

SystemError GetLastModuleError() {
  return tLastError;
}

std::wstring GetLastModuleErrorText() {
  return FormatSystemMessage(tLastError.number);
}

wchar_t GetPathSeparator() {
  return L'\\';
}

}  // namespace win32
