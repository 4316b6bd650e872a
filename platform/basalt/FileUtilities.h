// CFileUtilities: small file-system look-ups.
//
// The folder is a real directory of the system the code runs on; its path
// text is used as given.
//
// Ownership: holds nothing. Thread-safety: the functions may run on several
// threads at once.
#pragma once

#include <vector>

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"
#include "platform/basalt/LongFileName.h"

class BASALT_EXPORT CFileUtilities {
 public:
  CFileUtilities();
  ~CFileUtilities();

  // Finds the regular files (links to regular files included) directly in
  // `folder` (first text; "" is the current directory) whose names match
  // the wildcard `pattern` (second text; "*" any run, "?" one character,
  // letters compared ignoring case as Windows does). Their paths (folder,
  // separator, name) are appended to `found` sorted by name; sub-folders are
  // not searched. Returns how many were appended, or -1 when the folder
  // cannot be read (nothing appended) or `found` is null.
  int SimpleFind(std::vector<LongFileName>* found, const AString& folder, const AString& pattern);
};
