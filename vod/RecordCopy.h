// Field copies between a record and the current row of a recordset, with the rules the record
// families share.
//
// Writing (the _Struct2Base members): the key column is read back into the record first, text
// is trimmed of spaces (and upper-cased where the family says so), numbers go in unchanged; the
// row must already be in add or edit mode and nothing here calls Update. Reading (the
// _Base2Struct members): a column read "without a Null test" converts directly, so a Null there
// raises; a column that may be Null reads as "" or 0. CopySteps runs a family's steps in order
// and turns the first error into False, leaving the fields copied so far.
//
// Used inside the library only, on the calling Base object's thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/dao/Recordset.h"
#include "vod/BaseShapes.h"

namespace vod {

enum class NullRule {
  kRaise,    // read without a Null test: Null is an error
  kNeutral,  // Null reads as "" or 0
};

enum class TextCase { kAsIs, kUpper };

// The recordset a copy member was handed; raises 91 when it is Nothing.
dao::Recordset& RequireRecordset(const dao::RecordsetPtr& recordset);

// Step 1 of every write: the record's key field takes the row's key (as Long).
void ReadKey(dao::Recordset& recordset, const std::string& column, std::int32_t& field);

void WriteText(dao::Recordset& recordset, const std::string& column, std::string_view value,
               TextCase textCase = TextCase::kAsIs);
void WriteLong(dao::Recordset& recordset, const std::string& column, std::int32_t value);
void WriteByte(dao::Recordset& recordset, const std::string& column, std::uint8_t value);

void ReadText(dao::Recordset& recordset, const std::string& column, std::string& field,
              NullRule nullRule, TextCase textCase = TextCase::kAsIs, bool trim = false);
void ReadLong(dao::Recordset& recordset, const std::string& column, std::int32_t& field,
              NullRule nullRule);
void ReadByte(dao::Recordset& recordset, const std::string& column, std::uint8_t& field,
              NullRule nullRule);

// Runs a family's copy steps: true, or false at the first error.
template <class Steps>
bool CopySteps(Steps&& steps) {
  return IgnoreErrors(std::forward<Steps>(steps));
}

}  // namespace vod
