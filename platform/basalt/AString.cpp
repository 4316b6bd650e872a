#include "platform/basalt/AString.h"

#include <cwctype>
#include <iterator>

#include <utf8cpp/utf8.h>

namespace {

bool IsBlank(wchar_t ch) {
  return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n' || ch == L'\v' || ch == L'\f';
}

wchar_t Fold(wchar_t ch) {
  return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
}

bool IsScalarValue(uint32_t cp) {
  return cp < 0xD800 || (cp > 0xDFFF && cp <= 0x10FFFF);
}

}  // namespace

int AString::CompareNoCase(const AString& other) const {
  const size_type n = std::min(size(), other.size());
  for (size_type i = 0; i < n; ++i) {
    const wchar_t a = Fold((*this)[i]);
    const wchar_t b = Fold(other[i]);
    if (a != b) {
      return a < b ? -1 : 1;
    }
  }
  if (size() == other.size()) {
    return 0;
  }
  return size() < other.size() ? -1 : 1;
}

int AString::TokenizeString(const AString& delimiters, std::vector<AString>& pieces,
                            bool keepEmpty) const {
  pieces.clear();
  size_type start = 0;
  while (true) {
    const size_type stop = find_first_of(delimiters, start);
    const size_type end = stop == npos ? size() : stop;
    if (keepEmpty || end > start) {
      pieces.emplace_back(substr(start, end - start));
    }
    if (stop == npos) {
      break;
    }
    start = stop + 1;
  }
  if (!keepEmpty && empty()) {
    pieces.clear();
  }
  return static_cast<int>(pieces.size());
}

void AString::Trim() {
  size_type first = 0;
  while (first < size() && IsBlank((*this)[first])) {
    ++first;
  }
  size_type last = size();
  while (last > first && IsBlank((*this)[last - 1])) {
    --last;
  }
  *this = AString(substr(first, last - first));
}

AString AString::Right(int count) const {
  if (count <= 0) {
    return AString();
  }
  const size_type n = static_cast<size_type>(count);
  return n >= size() ? *this : AString(substr(size() - n));
}

AString AString::Left(int count) const {
  if (count <= 0) {
    return AString();
  }
  return AString(substr(0, static_cast<size_type>(count)));
}

bool AString::Match(const AString& pattern) const {
  // Iterative matcher with one backtrack point: linear in practice and
  // never recursive, so hostile patterns cannot exhaust the stack.
  size_type t = 0, p = 0;
  size_type starP = npos, starT = 0;
  while (t < size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == (*this)[t])) {
      ++t;
      ++p;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      starP = p++;
      starT = t;
    } else if (starP != npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') {
    ++p;
  }
  return p == pattern.size();
}

AString AString::ToUpper() const {
  AString out(*this);
  for (wchar_t& ch : out) {
    ch = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(ch)));
  }
  return out;
}

AString AString::ToLower() const {
  AString out(*this);
  for (wchar_t& ch : out) {
    ch = Fold(ch);
  }
  return out;
}

std::string AString::ToUtf8() const {
  std::string out;
  out.reserve(size());
  auto sink = std::back_inserter(out);
  for (size_type i = 0; i < size(); ++i) {
    uint32_t cp = static_cast<uint32_t>((*this)[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      // UTF-16 platforms: join surrogate pairs.
      if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < size()) {
        const uint32_t low = static_cast<uint32_t>((*this)[i + 1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
    }
    sink = utf8::append(IsScalarValue(cp) ? cp : 0xFFFD, sink);
  }
  return out;
}

AString AString::FromUtf8(std::string_view utf8) {
  std::string valid;
  utf8::replace_invalid(utf8.begin(), utf8.end(), std::back_inserter(valid), 0xFFFD);
  AString out;
  out.reserve(valid.size());
  auto it = valid.begin();
  while (it != valid.end()) {
    const uint32_t cp = utf8::next(it, valid.end());
    if constexpr (sizeof(wchar_t) == 2) {
      if (cp >= 0x10000) {
        out.push_back(static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        continue;
      }
    }
    out.push_back(static_cast<wchar_t>(cp));
  }
  return out;
}
