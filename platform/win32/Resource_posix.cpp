// POSIX modules carry their resources in the exported table of
// ResourceTable.h. dlsym also searches a module's dependencies (and, for the
// executable, the whole global scope), so a table found is accepted only when
// it lies in the very module asked about.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dlfcn.h>
#include <link.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32/Resource.h"
#include "platform/win32/ResourceTable.h"
#include "platform/win32/TextConvert.h"

namespace win32 {
namespace {

// A name or type as asked for: an integer identifier or UTF-8 text.
struct ResourceKey {
  std::optional<unsigned> id;
  std::string text;
};

std::optional<ResourceKey> MakeKey(const wchar_t* nameOrId) {
  if (nameOrId == nullptr) {
    return std::nullopt;
  }
  ResourceKey key;
  if (IsIntResource(nameOrId)) {
    key.id = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(nameOrId));
    return key;
  }
  key.text = Utf16ToUtf8(WideToUtf16(nameOrId));
  // "#101" is the text form of the identifier 101.
  if (key.text.size() > 1 && key.text.size() <= 6 && key.text[0] == '#' &&
      key.text.find_first_not_of("0123456789", 1) == std::string::npos) {
    const unsigned long value = std::stoul(key.text.substr(1));
    if (value <= 0xFFFF) {
      key.id = static_cast<unsigned>(value);
    }
  }
  return key;
}

char FoldAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameText(const std::string& wanted, const char* stored) {
  std::size_t i = 0;
  for (; i < wanted.size(); ++i) {
    if (stored[i] == '\0' || FoldAscii(wanted[i]) != FoldAscii(stored[i])) {
      return false;
    }
  }
  return stored[i] == '\0';
}

bool Matches(const ResourceKey& key, const char* storedText, unsigned storedId) {
  if (key.id) {
    return storedText == nullptr && storedId == *key.id;
  }
  return storedText != nullptr && SameText(key.text, storedText);
}

const RavelinResourceDirectory* FindTable(ModuleHandle module) {
  void* handle = static_cast<void*>(module);
  void* symbol = ::dlsym(handle, kResourceTableSymbol);
  if (symbol == nullptr) {
    return nullptr;
  }
  link_map* moduleMap = nullptr;
  if (::dlinfo(handle, RTLD_DI_LINKMAP, &moduleMap) != 0 || moduleMap == nullptr) {
    return nullptr;
  }
  Dl_info info{};
  link_map* symbolMap = nullptr;
  if (::dladdr1(symbol, &info, reinterpret_cast<void**>(&symbolMap), RTLD_DL_LINKMAP) == 0 ||
      symbolMap != moduleMap) {
    return nullptr;
  }
  const auto tableFunction = reinterpret_cast<RavelinResourceTableFunction>(symbol);
  const RavelinResourceDirectory* table = tableFunction();
  if (table == nullptr || table->version < 1 || (table->count != 0 && table->entries == nullptr)) {
    return nullptr;
  }
  return table;
}

}  // namespace

bool FindModuleResource(ModuleHandle module, const wchar_t* name, const wchar_t* type,
                        ResourceData& out) {
  if (module == nullptr) {
    return false;
  }
  const std::optional<ResourceKey> nameKey = MakeKey(name);
  const std::optional<ResourceKey> typeKey = MakeKey(type);
  if (!nameKey || !typeKey) {
    return false;
  }
  const RavelinResourceDirectory* table = FindTable(module);
  if (table == nullptr) {
    return false;
  }
  for (std::size_t i = 0; i < table->count; ++i) {
    const RavelinResourceEntry& entry = table->entries[i];
    if (Matches(*typeKey, entry.typeName, entry.typeId) &&
        Matches(*nameKey, entry.name, entry.nameId)) {
      out.data = entry.data;
      out.size = entry.size;
      return true;
    }
  }
  return false;
}

}  // namespace win32
