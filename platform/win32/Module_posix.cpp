// POSIX modules are the dynamic loader's objects. dlopen counts loads itself,
// so a handle is the loader's own handle. dlopen gives no error number, so a
// failure is traced back to the file: missing or unreadable files give the
// file system's error, a directory EISDIR, and a file the loader refuses
// ENOEXEC.
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/win32/Module.h"
#include "platform/win32/TextConvert.h"

namespace win32 {
namespace {

thread_local unsigned long tLastError = 0;

void* ToLoader(ModuleHandle module) {
  return static_cast<void*>(module);
}

ModuleHandle FromLoader(void* handle) {
  return static_cast<ModuleHandle>(handle);
}

std::string ToFileSystemPath(const wchar_t* path) {
  return Utf16ToUtf8(WideToUtf16(path));
}

unsigned long ExplainLoadFailure(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    return static_cast<unsigned long>(errno);
  }
  if (S_ISDIR(info.st_mode)) {
    return EISDIR;
  }
  return ENOEXEC;
}

}  // namespace

ModuleHandle LoadModule(const wchar_t* path) {
  if (path == nullptr || *path == L'\0') {
    tLastError = ENOENT;
    return nullptr;
  }
  const std::string fsPath = ToFileSystemPath(path);
  // RTLD_NOW: like the platform loader, refuse a module whose imports are
  // missing at load time rather than failing later at a call.
  void* handle = ::dlopen(fsPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    tLastError = ExplainLoadFailure(fsPath);
    return nullptr;
  }
  return FromLoader(handle);
}

bool FreeModule(ModuleHandle module) {
  if (module == nullptr) {
    tLastError = EINVAL;
    return false;
  }
  if (module == GetExecutableModule()) {
    // Never owned by anyone; the executable stays.
    return true;
  }
  if (::dlclose(ToLoader(module)) != 0) {
    tLastError = EINVAL;
    return false;
  }
  return true;
}

void* GetModuleEntry(ModuleHandle module, const char* name) {
  if (module == nullptr || name == nullptr) {
    tLastError = EINVAL;
    return nullptr;
  }
  ::dlerror();
  void* entry = ::dlsym(ToLoader(module), name);
  if (entry == nullptr) {
    tLastError = ENOENT;
  }
  return entry;
}

std::wstring GetModuleFileName(ModuleHandle module) {
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

unsigned long GetLastModuleError() {
  return tLastError;
}

wchar_t GetPathSeparator() {
  return L'/';
}

}  // namespace win32
