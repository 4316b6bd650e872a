// LongFileName: a file path handled as text.
//
// Paths are read the way Windows reads them, whatever system runs the code:
// both "/" and "\" separate names; "C:" starts a drive ("C:/work" absolute,
// "C:work" relative to the drive); "\\server\share" (or "//server/share")
// starts a network path whose root is the share; a leading single separator
// starts at the root of the current drive. Nothing here touches the file
// system.
//
// The path text is kept as given: FilePath() returns it unchanged. Comparison
// (operator==) normalises first: separators are unified, "." names and
// repeated separators dropped, ".." taken back against the name before it
// (never above a root), a trailing separator ignored, and letters compared
// ignoring case when either path is a Windows one (a drive, a network path
// or a backslash), exactly otherwise. Relative paths equal only relative
// paths.
//
// Ownership: a value type. Thread-safety: like any value.
#pragma once

#include <vector>

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"

class BASALT_EXPORT LongFileName {
 public:
  LongFileName() = default;
  LongFileName(const AString& path);

  // Same file after normalisation (see above).
  bool operator==(const LongFileName& other) const;
  bool operator!=(const LongFileName& other) const { return !(*this == other); }

  // The full path text, as given or as made by Reset.
  const AString& FilePath() const { return mPath; }
  // The last name of the path ("C:/a/b.tar.gz" gives "b.tar.gz"); a
  // trailing separator is ignored; a root gives "".
  AString Name() const;
  // Name() without its extension, the part from the last "." on ("b.tar");
  // a name whose only dot is its first character keeps it (".cfg").
  AString NameWOExt() const;
  // The extension without the dot ("gz"); "" when there is none.
  AString Extension() const;

  // Becomes `name` resolved in `directory`: `name` itself when it is
  // absolute (drive letter, leading separator or network path); otherwise
  // the directory, a separator (the directory's own style, "/" when it has
  // none) unless it already ends in one or is empty, and the name, with "."
  // and ".." names of the result taken back where possible.
  void Reset(const AString& name, const AString& directory);

  // True for paths that do not depend on a current directory or drive:
  // "C:/x", "\\server\share\x". "/x" and "C:x" count as not absolute.
  bool IsAbsolute() const;
  // True when the path has no name below its root ("C:/", "/", "\\s\share",
  // "C:", and the empty path).
  bool IsRoot() const;

  // The path in normalised form, as operator== compares it (without the
  // case folding); separators become "/".
  AString GetNormalizedPath() const;

 private:
  AString mPath;
};

// The directory holding `file`: the path without its last name and the
// separator before it ("C:/work/proj" gives "C:/work", "C:/work" gives
// "C:/", "a.txt" gives ""). A root gives a path equal to itself. A last name
// of "." or ".." is resolved first, so "C:/a/b/.." gives "C:/".
BASALT_EXPORT LongFileName LFN_GetContainingDirectory(const LongFileName& file);
