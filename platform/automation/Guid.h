// Guid: a 128-bit class, interface or record identifier as automation uses it.
//
// A plain value type; parsing accepts the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
// with or without braces. Values are immutable once made and safe to share between threads.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/automation/AutomationExport.h"

namespace automation {

struct AUTOMATION_EXPORT Guid {
  std::uint32_t mData1 = 0;
  std::uint16_t mData2 = 0;
  std::uint16_t mData3 = 0;
  std::array<std::uint8_t, 8> mData4{};

  // Throws std::invalid_argument on a malformed text; identifiers in code are constants, so a
  // bad one is a programming error that must not go unnoticed.
  static Guid FromString(std::string_view text);
  static std::optional<Guid> TryParse(std::string_view text);

  // Upper-case registry form with braces.
  std::string ToString() const;
  bool IsNull() const;

  friend bool operator==(const Guid&, const Guid&) = default;
  friend auto operator<=>(const Guid&, const Guid&) = default;
};

}  // namespace automation
