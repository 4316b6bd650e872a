#include "datalink/source/ValueExchange.h"

#include "platform/basalt/io/DataExchange.h"

namespace datalink {

io::ReadError ExchangeValue(io::CBlock& block, bool reading, const AString& key, Value& value,
                            int requirement) {
  AString text = value.GetValueText();
  io::ReadError result = io::DoDataExchange(block, reading, key, text, requirement);
  if (reading && result == 0) {
    value = Value(text, value.GetUnitType());
  }
  return result;
}

}  // namespace datalink
