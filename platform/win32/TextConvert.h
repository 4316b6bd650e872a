// Conversions between the text encodings the client meets: UTF-8 (files, the
// POSIX file system, standard error), UTF-16 (how all text is held) and the
// platform's wchar_t strings (UTF-16 where wchar_t has 16 bits, UTF-32 where it
// has 32).
//
// Free functions without state; safe to call from any thread. Every result is a
// fresh string owned by the caller.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/win32/Win32Export.h"

namespace win32 {

// Malformed UTF-8 (stray continuation bytes, overlong forms, encoded
// surrogates, values past U+10FFFF, cut-off sequences) becomes U+FFFD, one per
// maximal ill-formed subsequence, so that no input byte is silently lost.
WIN32SEAM_EXPORT void AppendUtf8AsUtf16(const char* data, std::size_t length, std::u16string& out);
WIN32SEAM_EXPORT std::u16string Utf8ToUtf16(std::string_view text);

// Unpaired surrogates cannot be written in UTF-8 and become U+FFFD.
WIN32SEAM_EXPORT std::string Utf16ToUtf8(std::u16string_view text);

// A 32-bit wchar_t outside the BMP becomes a surrogate pair; one that is no
// code point at all (above U+10FFFF) becomes U+FFFD. Lone surrogates pass
// through unchanged so that they survive a round trip.
WIN32SEAM_EXPORT std::u16string WideToUtf16(const wchar_t* text, std::size_t length);
WIN32SEAM_EXPORT std::u16string WideToUtf16(const wchar_t* zeroTerminated);

// With a 32-bit wchar_t a surrogate pair becomes one character; lone surrogates
// pass through as they are.
WIN32SEAM_EXPORT std::wstring Utf16ToWide(std::u16string_view text);
WIN32SEAM_EXPORT void AppendUtf16AsWide(std::u16string_view text, std::wstring& out);

}  // namespace win32
