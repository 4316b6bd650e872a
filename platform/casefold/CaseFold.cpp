#include "platform/casefold/CaseFold.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <new>

namespace casefold {

namespace {

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      return false;
    }
  }
  return true;
}

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// u_strToUpper of a UTF-16 run with the root locale, whose mappings depend on no context, so
// runs may be mapped one by one.
std::u16string UpperRun(const std::u16string& run) {
  std::u16string out(run.size() + run.size() / 2 + 8, u'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = u_strToUpper(
        reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
        reinterpret_cast<const UChar*>(run.data()), static_cast<int32_t>(run.size()), "", &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      out.assign(static_cast<std::size_t>(length), u'\0');
      continue;
    }
    if (U_FAILURE(status)) {
      throw std::bad_alloc();  // the only failure left for well-formed input
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
  }
  throw std::bad_alloc();
}

void AppendUtf8(std::string& out, const std::u16string& text) {
  for (std::size_t i = 0; i < text.size();) {
    UChar32 cp = 0;
    U16_NEXT(text.data(), i, text.size(), cp);
    char bytes[U8_MAX_LENGTH];
    int32_t length = 0;
    U8_APPEND_UNSAFE(bytes, length, cp);
    out.append(bytes, static_cast<std::size_t>(length));
  }
}

}  // namespace

std::string Upper(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  if (IsAscii(text)) {
    for (char c : text) {
      out += AsciiUpper(c);
    }
    return out;
  }
  // Well-formed runs go through ICU as UTF-16; each ill-formed sequence is copied as it is.
  std::u16string run;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    const int32_t start = i;
    UChar32 cp = 0;
    U8_NEXT(bytes, i, length, cp);
    if (cp < 0) {
      if (!run.empty()) {
        AppendUtf8(out, UpperRun(run));
        run.clear();
      }
      out.append(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
      continue;
    }
    if (U_IS_BMP(cp)) {
      run += static_cast<char16_t>(cp);
    } else {
      run += static_cast<char16_t>(U16_LEAD(cp));
      run += static_cast<char16_t>(U16_TRAIL(cp));
    }
  }
  if (!run.empty()) {
    AppendUtf8(out, UpperRun(run));
  }
  return out;
}

std::u16string Upper(std::u16string_view text) {
  return UpperRun(std::u16string(text));
}

int Compare(std::string_view a, std::string_view b) {
  // ASCII letters compare by their upper case byte by byte; only the rest from the first byte
  // beyond ASCII on pays for the full mapping. Since the mapping depends on no context, equal
  // upper-cased prefixes leave the order to the rest.
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  std::size_t i = 0;
  for (; i < common; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x >= 0x80 || y >= 0x80) {
      break;
    }
    const char ux = AsciiUpper(static_cast<char>(x));
    const char uy = AsciiUpper(static_cast<char>(y));
    if (ux != uy) {
      return ux < uy ? -1 : 1;
    }
  }
  if (i == common) {
    // A non-empty rest never upper-cases to nothing, so the longer text sorts last.
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
  }
  const int order = Upper(a.substr(i)).compare(Upper(b.substr(i)));
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

bool Equal(std::string_view a, std::string_view b) {
  return Compare(a, b) == 0;
}

char16_t FoldUnit(char16_t unit) {
  if (U16_IS_SURROGATE(unit)) {
    return unit;
  }
  const UChar32 folded = u_foldCase(unit, U_FOLD_CASE_DEFAULT);
  return U_IS_BMP(folded) ? static_cast<char16_t>(folded) : unit;
}

}  // namespace casefold
