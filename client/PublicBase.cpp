#include "client/PublicBase.h"

#include <cstring>
#include <memory>
#include <string>

#include "platform/win32/CodePage.h"
#include "platform/win32/Resource.h"

CPublicBase::~CPublicBase() = default;

int CPublicBase::SetResourceHandle(win32::ModuleHandle module) {
  mResourceModule = module;
  return 1;
}

unsigned long CPublicBase::GetResourceHandle(unsigned char** out, const wchar_t* name,
                                             const wchar_t* type) {
  if (out == nullptr || name == nullptr || type == nullptr || mResourceModule == nullptr) {
    return 0;
  }
  win32::ResourceData resource;
  if (!win32::FindModuleResource(mResourceModule, name, type, resource)) {
    return 0;
  }
  if (resource.size == 0 || resource.data == nullptr) {
    return 0;
  }
  // The text ends at the resource's end or its first zero byte.
  const auto* bytes = reinterpret_cast<const char*>(resource.data);
  const std::size_t textLength = ::strnlen(bytes, resource.size);

  std::wstring wide;
  if (!win32::MultiByteToWide(win32::kCpUtf8, bytes, textLength, wide)) {
    return 0;
  }
  // Convert with the terminator, as the size handed back counts it.
  wide.push_back(L'\0');
  std::string ansi;
  if (!win32::WideToMultiByte(win32::kCpAcp, wide.data(), wide.size(), ansi) || ansi.empty()) {
    // A text that cannot be converted is a failure, not an empty success.
    return 0;
  }
  const std::size_t converted = ansi.size();
  auto copy = std::make_unique<unsigned char[]>(converted + 1);  // zero-filled
  std::memcpy(copy.get(), ansi.data(), converted);
  *out = copy.release();
  return static_cast<unsigned long>(converted);
}
