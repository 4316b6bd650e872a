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

bool IsHighSurrogate(wchar_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// Appends the conversion of `length` units to `out`; with a null `out` only
// checks that the code page takes these flags (an empty run always converts).
bool ConvertRun(unsigned codePage, DWORD flags, const char* defaultChar, const wchar_t* data,
                std::size_t length, std::string* out) {
  if (out == nullptr) {
    const wchar_t probe = L'a';
    return ::WideCharToMultiByte(codePage, flags, &probe, 1, nullptr, 0, defaultChar, nullptr) > 0;
  }
  if (length == 0) {
    return true;
  }
  const int wideLength = static_cast<int>(length);
  const int needed =
      ::WideCharToMultiByte(codePage, flags, data, wideLength, nullptr, 0, defaultChar, nullptr);
  if (needed <= 0) {
    return false;
  }
  const std::size_t start = out->size();
  out->resize(start + static_cast<std::size_t>(needed));
  ::WideCharToMultiByte(codePage, flags, data, wideLength, out->data() + start, needed, defaultChar,
                        nullptr);
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
  // Some code pages (the ISO-2022 family) take neither flag nor default.
  const bool strict = ConvertRun(resolved, WC_NO_BEST_FIT_CHARS, "?", data, 0, nullptr);
  const DWORD flags = strict ? WC_NO_BEST_FIT_CHARS : 0;
  const char* defaultChar = strict ? "?" : nullptr;
  std::string bytes;
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const bool pair = i + 1 < length && IsHighSurrogate(data[i]) && IsLowSurrogate(data[i + 1]);
    if (!pair) {
      continue;
    }
    if (!ConvertRun(resolved, flags, defaultChar, data + runStart, i - runStart, &bytes)) {
      return false;
    }
    // A character outside the BMP that the code page lacks is one "?", as
    // elsewhere, where the system would give one per surrogate.
    std::string character;
    if (!ConvertRun(resolved, flags, defaultChar, data + i, 2, &character)) {
      return false;
    }
    bytes += strict && character == "??" ? std::string("?") : character;
    ++i;
    runStart = i + 1;
  }
  if (!ConvertRun(resolved, flags, defaultChar, data + runStart, length - runStart, &bytes)) {
    return false;
  }
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
