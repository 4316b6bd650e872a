// The table through which a module carries its resources on POSIX, where the
// executable format has no resource section of its own.
//
// ravelin_embed_resources (EmbedResources.cmake) generates the table from
// files at build time, and the module exports the C function
// RavelinResourceTable (RavelinResourceTableFunction) that returns it;
// FindModuleResource (Resource.h) looks it up through a module handle. The
// layout is shared between separately built modules, so fields are only ever
// added at the end, with a higher version. Windows modules carry a resource
// section instead and never use this table.
//
// The table and everything it points to are constant data of the module and
// live exactly as long as the module is loaded.
#pragma once

#include <cstddef>

extern "C" {

struct RavelinResourceEntry {
  // UTF-8 type name, or null when the type is the integer typeId.
  const char* typeName;
  unsigned typeId;
  // UTF-8 resource name, or null when the name is the integer nameId.
  const char* name;
  unsigned nameId;
  const unsigned char* data;
  std::size_t size;
};

struct RavelinResourceDirectory {
  unsigned version;
  std::size_t count;
  const RavelinResourceEntry* entries;
};

using RavelinResourceTableFunction = const RavelinResourceDirectory* (*)();

}  // extern "C"

namespace win32 {

inline constexpr unsigned kResourceTableVersion = 1;
inline constexpr const char* kResourceTableSymbol = "RavelinResourceTable";

}  // namespace win32
