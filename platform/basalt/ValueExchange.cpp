// io::DoDataExchange for Value, built on the AString exchange.
#include "platform/basalt/Value.h"
#include "platform/basalt/io/DataExchange.h"

namespace io {

ReadError DoDataExchange(CBlock& block, bool reading, const AString& key, Value& value,
                         int requirement) {
  AString text = value.GetValueText();
  ReadError result = DoDataExchange(block, reading, key, text, requirement);
  if (reading && result.IsOk()) {
    value = text;
  }
  return result;
}

}  // namespace io
