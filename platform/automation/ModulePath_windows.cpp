// The module that holds an address, found by the loader from the address
// itself and named by GetModuleFileNameW; the path is handed out as UTF-8.
#include <windows.h>

#include <string>

#include "platform/automation/ClassRegistry.h"

namespace automation {

std::string ModulePathOf(const void* address) {
  HMODULE module = nullptr;
  // UNCHANGED_REFCOUNT: only a name is wanted, not a load to give back.
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<const wchar_t*>(address), &module)) {
    return {};
  }
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      return {};
    }
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    // A full buffer may hold a cut-off path.
    if (path.size() >= 32768) {
      return {};
    }
    path.resize(path.size() * 2);
  }
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()),
                                          nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) {
    return {};
  }
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), utf8.data(), bytes,
                        nullptr, nullptr);
  return utf8;
}

}  // namespace automation
