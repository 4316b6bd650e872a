// FileLinks: a list of linked file paths and a table of file contents by key.
//
// The list keeps paths in the order they were added or read, duplicates
// included; the table keeps one text per key, in key order. Both are stored
// in the block "FileLinks": the list as the vector item "Files", the table as
// the function item "FileContents" whose named arguments are the entries.
// Nothing is ever removed except by reading a block that holds the entry.
//
// This header also declares the two container exchanges the block uses, as
// overloads of io::DoDataExchange for a list of texts and a table of texts.
//
// Ownership: a value type owning its texts. Thread-safety: none.
#pragma once

#include <map>
#include <vector>

#include "platform/basalt/AString.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/ReadError.h"
#include "platform/basalt/io/StreamioBlockObject.h"
#include "setups/RavelinSetupsExport.h"

class RAVELIN_SETUPS_EXPORT FileLinks : public virtual io::CStreamio_block_object {
 public:
  FileLinks();
  FileLinks(const FileLinks& other);
  FileLinks& operator=(const FileLinks& other);
  ~FileLinks() override;

  const std::vector<AString>& GetFiles() const { return mFiles; }
  const std::map<AString, AString>& GetFileContents() const { return mFileContents; }

  // Appends the path as it is; neither duplicates nor existence are checked.
  void AddFile(const AString& path);
  // Appends the paths of the files the core's SimpleFind finds in `folder` for
  // `pattern`, in the order it gives them. Nothing found, nothing added.
  void AddFiles(const AString& folder, const AString& pattern);
  // Stores `contents` under `key`, replacing an earlier text.
  void AddFileContents(const AString& key, const AString& contents);

  // "FileLinks".
  AString GetItemName() const override;
  // Exchanges "Files" and "FileContents". Returns 0, or 1 when either entry
  // was missing or held something other than texts; a missing entry leaves
  // its part as it was.
  io::ReadError DoDataExchange(io::CBlock& block, bool reading) override;

 private:
  std::vector<AString> mFiles;
  std::map<AString, AString> mFileContents;
};

namespace io {

// A list of texts as the vector item `key`. Writing appends the item and
// returns 0. Reading: 2 when there is no such item (thrown as a ReadError when
// `requirement` is 1), the list left as it was; otherwise the list becomes the
// item's texts, and elements that are not texts are skipped with result 1.
RAVELIN_SETUPS_EXPORT ReadError DoDataExchange(CBlock& block, bool reading, const AString& key,
                                               std::vector<AString>& texts, int requirement);

// A table of texts as the function item `key`, one named argument per entry in
// key order. Writing appends the item and returns 0. Reading: 2 when there is
// no such item (thrown when `requirement` is 1), the table left as it was;
// otherwise the table becomes the named text arguments, the first text of a
// name repeated winning; unnamed or non-text arguments are skipped with
// result 1.
RAVELIN_SETUPS_EXPORT ReadError DoDataExchange(CBlock& block, bool reading, const AString& key,
                                               std::map<AString, AString>& texts, int requirement);

}  // namespace io
