// POSIX modules are the dynamic loader's objects. dlopen counts loads itself,
// so a handle is the loader's own handle. The text of a failed load is the
// one dlerror gives; dlopen gives no error number, so the code is traced back
// to the file: missing or unreadable files give the file system's error, a
// directory EISDIR, and a file the loader refuses ENOEXEC.
//
// dlsym on a handle also searches the module's dependencies; an entry found
// there is not the module's own and is refused, as GetProcAddress would.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "platform/win32/SystemError.h"
#include "platform/win32/TextConvert.h"

namespace win32 {
namespace {

thread_local SystemError tLastError;
// What dlerror said about the last failed load, when that was the last error.
thread_local std::string tLastLoaderText;

void RememberError(int number) {
  tLastError = SystemError{ErrorCodeFromSystem(static_cast<unsigned long>(number)),
                           static_cast<unsigned long>(number)};
  tLastLoaderText.clear();
}

void* ToLoader(ModuleHandle module) {
  return static_cast<void*>(module);
}

ModuleHandle FromLoader(void* handle) {
  return static_cast<ModuleHandle>(handle);
}

std::string ToFileSystemPath(const wchar_t* path) {
  return Utf16ToUtf8(WideToUtf16(path));
}

int ExplainLoadFailure(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    return errno;
  }
  if (S_ISDIR(info.st_mode)) {
    return EISDIR;
  }
  return ENOEXEC;
}

// Whether `symbol` lies in the module that `handle` stands for.
bool IsOwnSymbol(void* handle, void* symbol) {
  link_map* moduleMap = nullptr;
  if (::dlinfo(handle, RTLD_DI_LINKMAP, &moduleMap) != 0 || moduleMap == nullptr) {
    return false;
  }
  Dl_info info{};
  link_map* symbolMap = nullptr;
  return ::dladdr1(symbol, &info, reinterpret_cast<void**>(&symbolMap), RTLD_DL_LINKMAP) != 0 &&
         symbolMap == moduleMap;
}

}  // namespace

ModuleHandle LoadModule(const wchar_t* path) {
  if (path == nullptr || *path == L'\0') {
    RememberError(ENOENT);
    return nullptr;
  }
  const std::string fsPath = ToFileSystemPath(path);
  // RTLD_NOW: like the platform loader, refuse a module whose imports are
  // missing at load time rather than failing later at a call.
  void* handle = ::dlopen(fsPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* loaderText = ::dlerror();
    RememberError(ExplainLoadFailure(fsPath));
    tLastLoaderText = loaderText != nullptr ? loaderText : "";
    return nullptr;
  }
  return FromLoader(handle);
}

bool UnloadModule(ModuleHandle module) {
  if (module == nullptr) {
    RememberError(EINVAL);
    return false;
  }
  if (module == GetExecutableModule()) {
    // Never owned by anyone; the executable stays.
    return true;
  }
  if (::dlclose(ToLoader(module)) != 0) {
    RememberError(EINVAL);
    return false;
  }
  return true;
}

void* GetModuleEntry(ModuleHandle module, const char* name) {
  if (module == nullptr || name == nullptr) {
    RememberError(EINVAL);
    return nullptr;
  }
  ::dlerror();
  void* entry = ::dlsym(ToLoader(module), name);
  // The executable's handle stands for the whole global scope, as
  // GetProcAddress on it would not; only its own exports count there too.
  if (entry == nullptr || !IsOwnSymbol(ToLoader(module), entry)) {
    RememberError(ENOENT);
    return nullptr;
  }
  return entry;
}

std::wstring GetModulePath(ModuleHandle module) {
  if (module == nullptr) {
    return {};
  }
  link_map* map = nullptr;
  if (::dlinfo(ToLoader(module), RTLD_DI_LINKMAP, &map) != 0 || map == nullptr ||
      map->l_name == nullptr) {
    return {};
  }
  std::string name(map->l_name);
  if (name.empty()) {
    // The loader leaves the executable's own entry unnamed.
    std::error_code error;
    name = std::filesystem::read_symlink("/proc/self/exe", error).string();
  }
  return Utf16ToWide(Utf8ToUtf16(name));
}

ModuleHandle GetExecutableModule() {
  static void* const executable = ::dlopen(nullptr, RTLD_LAZY);
  return FromLoader(executable);
}

bool IsModuleLoaded(const wchar_t* path) {
  if (path == nullptr || *path == L'\0') {
    return false;
  }
  // RTLD_NOLOAD still counts a load when it finds the module; give it back.
  void* handle = ::dlopen(ToFileSystemPath(path).c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) {
    return false;
  }
  ::dlclose(handle);
  return true;
}

SystemError GetLastModuleError() {
  return tLastError;
}

std::wstring GetLastModuleErrorText() {
  if (!tLastLoaderText.empty()) {
    std::wstring text;
    if (MultiByteToWide(kCpAcp, tLastLoaderText.data(), tLastLoaderText.size(), text)) {
      return text;
    }
    return Utf16ToWide(Utf8ToUtf16(tLastLoaderText));
  }
  return FormatSystemMessage(tLastError.number);
}

wchar_t GetPathSeparator() {
  return L'/';
}

}  // namespace win32
