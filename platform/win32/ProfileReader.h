// The profile (INI) reader, working on text in memory instead of on a file.
//
// It answers the two questions the configuration store asks of the Windows
// profile reader, with the same buffer conventions and the same rules:
// GetSectionNames is GetPrivateProfileSectionNamesW, GetSection is
// GetPrivateProfileSectionW. Because it never writes the text to disk, two
// loads cannot meet on a shared temporary file.
//
// Rules (those of the Windows reader):
// - The text is UTF-16LE or UTF-16BE after the matching byte-order mark,
//   otherwise UTF-8 (with or without its mark); bytes that are not UTF-8
//   become U+FFFD.
// - CR, LF and CR LF end a line. White space around each line is ignored;
//   blank lines are ignored.
// - A line starting with "[" and containing "]" heads a section; the name is
//   what lies between the first "[" and the last "]", trimmed; text after the
//   "]" is ignored. A header with an empty name ("[]") starts a section that
//   is never listed. A "[" line without "]" is an ordinary line.
// - Lines before the first header belong to no listed section.
// - Lines whose first character is ";" are comments and never returned.
// - An ordinary line is key "=" value, split at the first "=", each side
//   trimmed; a line without "=" is a key without value and is returned as it
//   stands.
// - Every name, key and value ends at a NUL character, as C strings would.
// - A section is found by name without regard to case; the first one wins,
//   so the lines of a repeated section are never returned.
// - When the buffer is too small, the result is the buffer size minus two and
//   the string that was being written when room ran out is cut off.
//
// The object owns a decoded copy of the text, which never changes after
// construction; GetSection also keeps what it wrote for each section, under
// a lock. Concurrent calls on one object are safe.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/win32/Win32Export.h"

namespace win32 {

class WIN32SEAM_EXPORT CProfileText {
 public:
  // data must be valid for length bytes during the call only.
  CProfileText(const char* data, std::size_t length);
  ~CProfileText();
  CProfileText(const CProfileText&) = delete;
  CProfileText& operator=(const CProfileText&) = delete;

  // Writes the listed section names in text order, each ended by a zero, and
  // one more zero after the last; returns the number of characters stored,
  // not counting that final zero. size is the buffer's size in characters.
  unsigned long GetSectionNames(char16_t* buffer, unsigned long size) const;

  // Writes the lines of the first section called name (any letter case), each
  // "key=value" or "key" and ended by a zero, and one more zero after the
  // last; returns the number of characters stored, not counting that final
  // zero. 0 when there is no such section.
  unsigned long GetSection(const char16_t* name, char16_t* buffer, unsigned long size) const;

 private:
  struct Parsed;
  std::unique_ptr<Parsed> mParsed;
};

// One unit's simple case fold (Unicode's, for every script). Section look-up
// compares whole names by their full upper-case mapping instead, so that
// "Main" finds "MAIN" and "straße" finds "STRASSE".
WIN32SEAM_EXPORT char16_t FoldCase(char16_t unit);

}  // namespace win32
