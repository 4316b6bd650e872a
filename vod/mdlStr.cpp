#include "vod/mdlStr.h"

#include <exception>

namespace vod {

std::string Str_Quote(const automation::Variant& strValue) {
  std::string text;
  try {
    text = strValue.ToString();
  } catch (const std::exception&) {
    return {};
  }
  std::string quoted = "'";
  quoted.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '\'') {
      quoted += '\'';
    }
    quoted += c;
  }
  quoted += '\'';
  return quoted;
}

}  // namespace vod
