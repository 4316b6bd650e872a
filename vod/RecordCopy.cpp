#include "vod/RecordCopy.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Variant.h"

namespace vod {

using automation::Variant;

dao::Recordset& RequireRecordset(const dao::RecordsetPtr& recordset) {
  if (!recordset) {
    automation::RaiseRuntimeError(automation::kErrObjectNotSet);
  }
  return *recordset;
}

void ReadKey(dao::Recordset& recordset, const std::string& column, std::int32_t& field) {
  field = recordset.GetField(column).ToLong();
}

void WriteText(dao::Recordset& recordset, const std::string& column, std::string_view value,
               TextCase textCase) {
  std::string text = automation::TextTrim(value);
  if (textCase == TextCase::kUpper) {
    text = automation::TextUpper(text);
  }
  recordset.SetField(column, Variant(std::move(text)));
}

void WriteLong(dao::Recordset& recordset, const std::string& column, std::int32_t value) {
  recordset.SetField(column, Variant(value));
}

void WriteByte(dao::Recordset& recordset, const std::string& column, std::uint8_t value) {
  recordset.SetField(column, Variant(value));
}

void ReadText(dao::Recordset& recordset, const std::string& column, std::string& field,
              NullRule nullRule, TextCase textCase, bool trim) {
  const Variant value = recordset.GetField(column);
  std::string text =
      (nullRule == NullRule::kNeutral && value.IsNull()) ? std::string() : value.ToString();
  if (textCase == TextCase::kUpper) {
    text = automation::TextUpper(text);
  }
  if (trim) {
    text = automation::TextTrim(text);
  }
  field = std::move(text);
}

void ReadLong(dao::Recordset& recordset, const std::string& column, std::int32_t& field,
              NullRule nullRule) {
  const Variant value = recordset.GetField(column);
  field = (nullRule == NullRule::kNeutral && value.IsNull()) ? 0 : value.ToLong();
}

void ReadByte(dao::Recordset& recordset, const std::string& column, std::uint8_t& field,
              NullRule nullRule) {
  const Variant value = recordset.GetField(column);
  field = (nullRule == NullRule::kNeutral && value.IsNull()) ? std::uint8_t{0} : value.ToByte();
}

}  // namespace vod
