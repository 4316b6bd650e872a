// Portable: the same code serves every platform, only the width of wchar_t
// differs and is decided at compile time.
#include "platform/win32/TextConvert.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>

namespace win32 {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Makes room for an append without giving up geometric growth, so that
// many small appends stay linear.
template <typename String>
void ReserveForAppend(String& out, std::size_t more) {
  std::size_t wanted = out.size() + more;
  if (wanted > out.capacity()) {
    out.reserve(std::max(wanted, 2 * out.capacity()));
  }
}

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

void AppendCodePoint(char32_t cp, std::u16string& out) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

}  // namespace

void AppendUtf8AsUtf16(const char* data, std::size_t length, std::u16string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  const unsigned char* end = p + length;
  // Never more UTF-16 units than input bytes.
  ReserveForAppend(out, length);
  while (p < end) {
    unsigned char lead = *p;
    if (lead < 0x80) {
      // Runs of ASCII dominate configuration text; copy them without branching
      // on the multi-byte cases.
      const unsigned char* run = p;
      while (run < end && *run < 0x80) {
        ++run;
      }
      out.append(p, run);
      p = run;
      continue;
    }
    // Bounds of the second byte follow the Unicode table of well-formed
    // sequences, which rules out overlong forms and surrogates.
    std::size_t need = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    char32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      need = 1;
      cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      need = 2;
      cp = lead & 0x0F;
      if (lead == 0xE0) {
        low = 0xA0;
      } else if (lead == 0xED) {
        high = 0x9F;
      }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      need = 3;
      cp = lead & 0x07;
      if (lead == 0xF0) {
        low = 0x90;
      } else if (lead == 0xF4) {
        high = 0x8F;
      }
    } else {
      out.push_back(kReplacement);
      ++p;
      continue;
    }
    ++p;
    bool good = true;
    for (std::size_t i = 0; i < need; ++i) {
      if (p >= end) {
        good = false;
        break;
      }
      unsigned char byte = *p;
      bool inRange = i == 0 ? (byte >= low && byte <= high) : IsContinuation(byte);
      if (!inRange) {
        good = false;
        break;
      }
      cp = (cp << 6) | (byte & 0x3F);
      ++p;
    }
    if (good) {
      AppendCodePoint(cp, out);
    } else {
      // The bytes consumed so far form one maximal ill-formed subsequence; the
      // byte that broke it is looked at again as a new lead.
      out.push_back(kReplacement);
    }
  }
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  AppendUtf8AsUtf16(text.data(), text.size(), out);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::u16string WideToUtf16(const wchar_t* text, std::size_t length) {
  std::u16string out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    if constexpr (sizeof(wchar_t) == 2) {
      out.push_back(static_cast<char16_t>(text[i]));
    } else {
      auto cp = static_cast<std::uint32_t>(text[i]);
      if (cp > 0x10FFFF) {
        out.push_back(kReplacement);
      } else {
        AppendCodePoint(static_cast<char32_t>(cp), out);
      }
    }
  }
  return out;
}

std::u16string WideToUtf16(const wchar_t* zeroTerminated) {
  return WideToUtf16(zeroTerminated, std::wcslen(zeroTerminated));
}

void AppendUtf16AsWide(std::u16string_view text, std::wstring& out) {
  if constexpr (sizeof(wchar_t) == 2) {
    out.append(text.begin(), text.end());
  } else {
    ReserveForAppend(out, text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
      char32_t unit = text[i];
      if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
          text[i + 1] <= 0xDFFF) {
        out.push_back(
            static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00)));
        ++i;
      } else {
        out.push_back(static_cast<wchar_t>(unit));
      }
    }
  }
}

std::wstring Utf16ToWide(std::u16string_view text) {
  std::wstring out;
  AppendUtf16AsWide(text, out);
  return out;
}

}  // namespace win32
