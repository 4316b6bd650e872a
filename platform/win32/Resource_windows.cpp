// Windows modules carry their resources in the resource section that windres
// compiles from an .rc file; the system finds them by name and type, ignoring
// letter case and reading "#101" as the identifier 101 itself.
#include <windows.h>

#include "platform/win32/Resource.h"

namespace win32 {

bool FindModuleResource(ModuleHandle module, const wchar_t* name, const wchar_t* type,
                        ResourceData& out) {
  if (module == nullptr || name == nullptr || type == nullptr) {
    return false;
  }
  const auto handle = reinterpret_cast<HMODULE>(module);
  HRSRC found = ::FindResourceW(handle, name, type);
  if (found == nullptr) {
    return false;
  }
  const DWORD size = ::SizeofResource(handle, found);
  // Loaded resources belong to the module and are never freed on their own.
  HGLOBAL loaded = ::LoadResource(handle, found);
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr && size != 0) {
    return false;
  }
  out.data = static_cast<const unsigned char*>(bytes);
  out.size = size;
  return true;
}

}  // namespace win32
