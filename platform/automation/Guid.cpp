#include "platform/automation/Guid.h"

#include <cstdio>
#include <stdexcept>

namespace automation {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

}  // namespace

std::optional<Guid> Guid::TryParse(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, 36);
  }
  if (text.size() != 36) {
    return std::nullopt;
  }
  std::array<std::uint8_t, 16> bytes{};
  std::size_t byte = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') {
        return std::nullopt;
      }
      ++i;
      continue;
    }
    const int high = HexValue(text[i]);
    const int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) {
      return std::nullopt;
    }
    bytes[byte++] = static_cast<std::uint8_t>(high * 16 + low);
    i += 2;
  }
  Guid guid;
  guid.mData1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
                (std::uint32_t{bytes[2]} << 8) | bytes[3];
  guid.mData2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  guid.mData3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
  for (std::size_t i = 0; i < 8; ++i) {
    guid.mData4[i] = bytes[8 + i];
  }
  return guid;
}

Guid Guid::FromString(std::string_view text) {
  if (auto guid = TryParse(text)) {
    return *guid;
  }
  throw std::invalid_argument("malformed GUID: " + std::string(text));
}

std::string Guid::ToString() const {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(mData1), static_cast<unsigned>(mData2),
                static_cast<unsigned>(mData3), mData4[0], mData4[1], mData4[2], mData4[3],
                mData4[4], mData4[5], mData4[6], mData4[7]);
  return buffer;
}

bool Guid::IsNull() const {
  return *this == Guid{};
}

}  // namespace automation
