#include "vod/com/ComSupport.h"

#include <new>

namespace vod::com {

namespace {

std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};

}  // namespace

Bstr::Bstr(std::wstring_view text)
    : mValue(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
  if (mValue == nullptr) {
    throw std::bad_alloc();
  }
}

std::wstring Utf8ToWide(std::string_view text) {
  if (text.empty()) {
    return {};
  }
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                      length);
  return result;
}

std::string WideToUtf8(std::wstring_view text) {
  if (text.empty()) {
    return {};
  }
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length,
                      nullptr, nullptr);
  return result;
}

BSTR Utf8ToBstr(std::string_view text) {
  const std::wstring wide = Utf8ToWide(text);
  BSTR result = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (result == nullptr) {
    throw std::bad_alloc();
  }
  return result;
}

std::string BstrToUtf8(BSTR text) {
  if (text == nullptr) {
    return {};
  }
  return WideToUtf8(std::wstring_view(text, SysStringLen(text)));
}

void ComModule::AddObject() noexcept {
  ++gObjects;
}
void ComModule::RemoveObject() noexcept {
  --gObjects;
}
void ComModule::Lock() noexcept {
  ++gLocks;
}
void ComModule::Unlock() noexcept {
  --gLocks;
}
long ComModule::GetObjectCount() noexcept {
  return gObjects.load();
}
long ComModule::GetLockCount() noexcept {
  return gLocks.load();
}

HMODULE ComModule::GetHandle() noexcept {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ComModule::GetHandle), &module);
  return module;
}

std::wstring ComModule::GetPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(GetHandle(), path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      return {};
    }
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace vod::com
