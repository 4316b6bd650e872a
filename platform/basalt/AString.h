// AString: the core library's wide-character string.
//
// An AString is a std::wstring with the few text operations the libraries
// need on top (case-blind comparison, tokenizing, trimming, wildcard match)
// and conversions to and from UTF-8. It owns its characters like any
// std::wstring, orders and compares exactly like one, and is no more
// thread-safe than one: share it read-only or guard it.
//
// Case-blind operations fold with the C library's towlower, which is
// locale-independent for ASCII and leaves characters it does not know as they
// are.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/basalt/BasaltExport.h"

class BASALT_EXPORT AString : public std::wstring {
 public:
  AString() = default;
  AString(const wchar_t* text) : std::wstring(text ? text : L"") {}
  AString(const wchar_t* text, size_type count) : std::wstring(text, count) {}
  AString(std::wstring text) : std::wstring(std::move(text)) {}
  AString(std::wstring_view text) : std::wstring(text) {}
  AString(size_type count, wchar_t ch) : std::wstring(count, ch) {}

  // 0 when both texts are equal ignoring case; otherwise the sign of the
  // first differing folded character, like wcscmp.
  int CompareNoCase(const AString& other) const;

  // Splits the text at every character that occurs in `delimiters`, appends
  // the pieces to `pieces` (which is cleared first) and returns their number.
  // With `keepEmpty` false, empty pieces (delimiters next to each other or at
  // either end) are dropped, so "C:" at ":" gives one piece and ":" gives
  // none; with it true every piece counts, so ":" gives two empty pieces.
  int TokenizeString(const AString& delimiters, std::vector<AString>& pieces, bool keepEmpty) const;

  // Removes leading and trailing white space (space, tab, CR, LF, VT, FF)
  // in place.
  void Trim();

  // The last `count` characters; the whole text when it is shorter, "" for a
  // count of 0 or less.
  AString Right(int count) const;
  AString Left(int count) const;

  // True when the whole text matches the wildcard `pattern`: "*" stands for
  // any run of characters (also none), "?" for exactly one. Case-sensitive.
  bool Match(const AString& pattern) const;

  AString ToUpper() const;
  AString ToLower() const;

  // UTF-8 conversions. Invalid input bytes become U+FFFD; wchar_t values
  // that are not Unicode scalar values (lone surrogates) become U+FFFD too.
  std::string ToUtf8() const;
  static AString FromUtf8(std::string_view utf8);
};
