// Conversion between wide text and the platform's byte code pages.
//
// kCpAcp is the system's ANSI code page: on Windows the system's own, on
// POSIX the codeset of the C library's current character-type locale, taken
// as UTF-8 in the plain "C"/"POSIX" locale, where the codeset would otherwise
// be bare ASCII. Other code page numbers name the code page of that number
// ("CP1252" for 1252). A host or a test may pin the ANSI code page to a named
// codeset ("UTF-8", "ISO-8859-1", "CP1251") instead of the system's.
//
// Bytes that are not valid in the source code page become U+FFFD; characters
// the target code page cannot represent become '?'.
//
// Thread-safety: conversions may run on any thread. The override is process
// wide; set it before other threads convert.
#pragma once

#include <cstddef>
#include <string>

#include "platform/win32/Win32Export.h"

namespace win32 {

inline constexpr unsigned kCpAcp = 0;
inline constexpr unsigned kCpUtf8 = 65001;

// The name of the codeset that a code page stands for now ("UTF-8", "CP1252").
WIN32SEAM_EXPORT std::string GetCodeSetName(unsigned codePage);

// Pins kCpAcp to a named codeset (such as "ISO-8859-1"); null or empty goes
// back to the system's.
WIN32SEAM_EXPORT void SetAnsiCodeSetOverride(const char* codeSet);

// False, with `out` untouched, when the code page is not known to the system.
WIN32SEAM_EXPORT bool MultiByteToWide(unsigned codePage, const char* data, std::size_t length,
                                      std::wstring& out);
WIN32SEAM_EXPORT bool WideToMultiByte(unsigned codePage, const wchar_t* data, std::size_t length,
                                      std::string& out);

// Pins kCpAcp for a scope and then restores what was in force before.
class WIN32SEAM_EXPORT ScopedAnsiCodeSet {
 public:
  explicit ScopedAnsiCodeSet(const char* codeSet);
  ~ScopedAnsiCodeSet();
  ScopedAnsiCodeSet(const ScopedAnsiCodeSet&) = delete;
  ScopedAnsiCodeSet& operator=(const ScopedAnsiCodeSet&) = delete;

 private:
  std::string mPrevious;
};

}  // namespace win32
