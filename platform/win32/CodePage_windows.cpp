// Windows code pages are the system's own: MultiByteToWideChar and
// WideCharToMultiByte do the work. UTF-8 goes through the seam's own UTF
// routines so that malformed input is treated exactly as on every other
// platform. A pinned ANSI codeset name ("ISO-8859-1", "CP1251", "UTF-8") is
// turned into the code page number that Windows knows it by.
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/win32/CodePage.h"
#include "platform/win32/TextConvert.h"

namespace win32 {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

std::mutex& OverrideMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string& OverrideCodeSet() {
  static std::string codeSet;
  return codeSet;
}

std::string GetOverride() {
  std::lock_guard<std::mutex> lock(OverrideMutex());
  return OverrideCodeSet();
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return upper;
}

// The number after `prefix`, or 0 when `text` is not prefix and digits.
unsigned NumberAfter(const std::string& text, std::string_view prefix) {
  if (text.size() <= prefix.size() || text.compare(0, prefix.size(), prefix) != 0 ||
      text.find_first_not_of("0123456789", prefix.size()) != std::string::npos ||
      text.size() - prefix.size() > 5) {
    return 0;
  }
  return static_cast<unsigned>(std::strtoul(text.c_str() + prefix.size(), nullptr, 10));
}

// The code page a codeset name stands for; 0 when Windows has none for it.
unsigned CodePageOfName(const std::string& name) {
  const std::string upper = Upper(name);
  if (upper == "UTF-8" || upper == "UTF8") {
    return CP_UTF8;
  }
  if (unsigned part = NumberAfter(upper, "ISO-8859-"); part >= 1 && part <= 15) {
    return 28590 + part;
  }
  for (std::string_view prefix : {"CP", "WINDOWS-", "IBM"}) {
    if (unsigned number = NumberAfter(upper, prefix); number != 0) {
      return number;
    }
  }
  return 0;
}

// The code page to convert with, or 0 when there is none the system knows.
unsigned Resolve(unsigned codePage) {
  if (codePage == kCpAcp) {
    const std::string pinned = GetOverride();
    codePage = pinned.empty() ? ::GetACP() : CodePageOfName(pinned);
  }
  if (codePage == 0 || (codePage != CP_UTF8 && !::IsValidCodePage(codePage))) {
    return 0;
  }
  return codePage;
}

// Converts one run strictly; false when a byte sequence has no character.
bool ConvertStrict(unsigned codePage, const char* data, int length, std::wstring& out) {
  const int needed =
      ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, data, length, nullptr, 0);
  if (needed <= 0) {
    return false;
  }
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, data, length, wide.data(), needed);
  out += wide;
  return true;
}

}  // namespace

std::string GetCodeSetName(unsigned codePage) {
  if (codePage == kCpUtf8) {
    return "UTF-8";
  }
  if (codePage != kCpAcp) {
    return "CP" + std::to_string(codePage);
  }
  std::string pinned = GetOverride();
  if (!pinned.empty()) {
    return pinned;
  }
  const unsigned acp = ::GetACP();
  return acp == CP_UTF8 ? std::string("UTF-8") : "CP" + std::to_string(acp);
}

void SetAnsiCodeSetOverride(const char* codeSet) {
  std::lock_guard<std::mutex> lock(OverrideMutex());
  OverrideCodeSet() = codeSet != nullptr ? codeSet : "";
}

bool MultiByteToWide(unsigned codePage, const char* data, std::size_t length, std::wstring& out) {
  if ((data == nullptr && length != 0) || length > 0x7FFFFFFF) {
    return false;
  }
  const unsigned resolved = Resolve(codePage);
  if (resolved == 0) {
    return false;
  }
  if (resolved == CP_UTF8) {
    std::u16string utf16;
    AppendUtf8AsUtf16(data, length, utf16);
    out = Utf16ToWide(utf16);
    return true;
  }
  std::wstring wide;
  if (length == 0 || ConvertStrict(resolved, data, static_cast<int>(length), wide)) {
    out = std::move(wide);
    return true;
  }
  // Some bytes have no character: convert character by character so that
  // only those become U+FFFD, where the system would pick a private-use
  // stand-in of its own.
  wide.clear();
  std::size_t i = 0;
  while (i < length) {
    std::size_t step = 1;
    if (i + 1 < length && ::IsDBCSLeadByteEx(resolved, static_cast<BYTE>(data[i]))) {
      step = 2;
    }
    if (!ConvertStrict(resolved, data + i, static_cast<int>(step), wide)) {
      wide.push_back(kReplacement);
    }
    i += step;
  }
  out = std::move(wide);
  return true;
}

bool WideToMultiByte(unsigned codePage, const wchar_t* data, std::size_t length, std::string& out) {
  if ((data == nullptr && length != 0) || length > 0x7FFFFFFF) {
    return false;
  }
  const unsigned resolved = Resolve(codePage);
  if (resolved == 0) {
    return false;
  }
  if (resolved == CP_UTF8) {
    out = Utf16ToUtf8(WideToUtf16(data, length));
    return true;
  }
  if (length == 0) {
    out.clear();
    return true;
  }
  // No best-fit look-alikes: a character the code page lacks becomes "?".
  const int wideLength = static_cast<int>(length);
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  const char* defaultChar = "?";
  int needed =
      ::WideCharToMultiByte(resolved, flags, data, wideLength, nullptr, 0, defaultChar, nullptr);
  if (needed <= 0 && ::GetLastError() == ERROR_INVALID_PARAMETER) {
    // Code pages such as the ISO-2022 family take neither flags nor a
    // default character.
    flags = 0;
    defaultChar = nullptr;
    needed =
        ::WideCharToMultiByte(resolved, flags, data, wideLength, nullptr, 0, defaultChar, nullptr);
  }
  if (needed <= 0) {
    return false;
  }
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  ::WideCharToMultiByte(resolved, flags, data, wideLength, bytes.data(), needed, defaultChar,
                        nullptr);
  out = std::move(bytes);
  return true;
}

ScopedAnsiCodeSet::ScopedAnsiCodeSet(const char* codeSet) : mPrevious(GetOverride()) {
  SetAnsiCodeSetOverride(codeSet);
}

ScopedAnsiCodeSet::~ScopedAnsiCodeSet() {
  SetAnsiCodeSetOverride(mPrevious.c_str());
}

}  // namespace win32
