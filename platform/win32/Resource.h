// Named, typed resources carried inside a module.
//
// Names and types are strings, compared without regard to ASCII letter case,
// or integer identifiers made with MakeIntResource ("#101" as a string means
// the identifier 101), as the platform allows. The bytes found belong to the
// module and stay valid while the caller holds a load of it.
//
// Thread-safety: lookups may run on any thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32/Handles.h"
#include "platform/win32/Win32Export.h"

namespace win32 {

// The platform's type number for raw data resources.
inline constexpr unsigned short kRtRcData = 10;

inline const wchar_t* MakeIntResource(unsigned short id) {
  return reinterpret_cast<const wchar_t*>(static_cast<std::uintptr_t>(id));
}

inline bool IsIntResource(const wchar_t* nameOrId) {
  return (reinterpret_cast<std::uintptr_t>(nameOrId) >> 16) == 0;
}

struct ResourceData {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

// False when the module is null, carries no resources or none of that name and
// type. A found resource may be empty.
WIN32SEAM_EXPORT bool FindModuleResource(ModuleHandle module, const wchar_t* name,
                                         const wchar_t* type, ResourceData& out);

}  // namespace win32
