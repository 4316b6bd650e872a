// io::DoDataExchange for Value, built on the AString exchange.
#include <string>

#include "platform/basalt/Value.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/DataExchange.h"

namespace io {

ReadError DoDataExchange(CBlock& block, bool reading, const AString& key, Value& value,
                         int requirement) {
  if (reading) {
    // A value stored as a bare number (written by hand, say) is the same
    // expression as its text; taking it keeps the value instead of dropping it.
    if (const CBlock_item_ptr item = block.Find(key, CBlock_item::Kind::NamedValue)) {
      const CToken& token = item->AsNamedValue()->GetToken();
      long whole = 0;
      double number = 0.0;
      if (token.Query(whole)) {
        value = AString(std::to_wstring(whole));
        return ReadError(ReadError::kOk);
      }
      if (token.Query(number)) {
        value = FormatShortestDouble(number);
        return ReadError(ReadError::kOk);
      }
    }
  }
  AString text = value.GetValueText();
  ReadError result = DoDataExchange(block, reading, key, text, requirement);
  if (reading && result.IsOk()) {
    value = text;
  }
  return result;
}

}  // namespace io
