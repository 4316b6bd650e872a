// The client's configuration store: a two-level table of section, key and
// value, filled from INI text or from the packed stream form, looked up and
// changed in memory, and written back as the packed form (or rendered as INI
// text).
//
// Ordering and storage: names, keys and values are held as UTF-16 code units
// whatever the size of wchar_t; the wchar_t interface converts at the
// boundary (outside the BMP a 32-bit wchar_t becomes a surrogate pair). Both
// levels are ordered by unsigned code-unit comparison and are case-sensitive;
// on a repeated section or key the first one stays.
//
// Ownership: the store owns its table and its copy of the remembered path.
// GetKeyVar hands out a new[]-allocated array that the caller releases with
// delete[]. Copying a store is not supported.
//
// Thread-safety: none; a store is used by one thread at a time. Different
// stores may be used on different threads at once.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "client/RavelinClientExport.h"

class RAVELIN_CLIENT_EXPORT CQvConfig {
 public:
  // What Save is asked to write. Every value writes the packed stream form;
  // INI text comes from ReadDataToString.
  enum CONFIGTYPE {
    CONFIGTYPE_QVE = 0,
    CONFIGTYPE_INI = 1,
  };

  // GetKeyVar's result when nothing was found.
  static constexpr unsigned long kNotFound = 0xFFFFFFFFul;

  CQvConfig();
  virtual ~CQvConfig();
  CQvConfig(const CQvConfig&) = delete;
  CQvConfig& operator=(const CQvConfig&) = delete;

  // Reads the file at path and loads it: as the packed stream form when the
  // path's last three characters are "qve" in any letter case, else as INI
  // text. 1 when the file was read (even if the packed form was then
  // rejected), 0 on a null path, an empty file or a failed read. A file that
  // cannot be opened also shows a message box holding the system's error
  // number. On 1 the path is remembered for Save.
  int OpenFile(const wchar_t* path);
  // Replaces the table with the content of the INI text (data valid for
  // length bytes). Always 1.
  int OpeniniStream(const char* data, unsigned long length);
  // Replaces the table with the content of the packed stream; 0 leaves the
  // store unchanged (null data, fewer than 12 bytes, no section, counts and
  // record sizes that reach past the end, or a record size too small for the
  // record's own three fields: no writer makes one, and taken as it stands it
  // would let a short stream make the reader walk one record billions of
  // times).
  int OpenQuveStream(const char* data, unsigned long length);
  // Drops the table and the remembered path. Always 1.
  int Close();

  // On success *value receives a new[] array with the value and a zero, and
  // the result is the value's length in wchar_t; otherwise kNotFound and
  // *value is not written.
  unsigned long GetKeyVar(const wchar_t* section, const wchar_t* key, wchar_t** value) const;
  // Replaces the value of an existing key; never creates a section or key.
  int SetKeyVar(const wchar_t* section, const wchar_t* key, wchar_t* value);

  // Writes the packed stream form to path, or to the remembered path when
  // path is null. 1 when the file now holds the table; 0 when there is
  // nothing to save, no target or writing failed, and then the file that was
  // there is left exactly as it was.
  int Save(CONFIGTYPE type, const wchar_t* path) const;
  // Appends the table as INI text ("[section]" and "key=value" lines ended by
  // CR LF) to out. 0, with out unchanged, when nothing is loaded.
  int ReadDataToString(std::wstring& out) const;

 private:
  struct SectionTable;

  // Reserved for a formatting step the stream form never needed; returns 0.
  unsigned long FormatData(wchar_t* text, unsigned char** data);

  std::optional<std::u16string> mPath;
  std::unique_ptr<SectionTable> mSections;
};
