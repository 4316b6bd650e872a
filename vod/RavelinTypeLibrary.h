// The compiled type library of the Ravelin server, as embedded in the library: the bytes a
// registration tool or a test reads the classes, interfaces and records from.
//
// Constant data; safe from any thread.
#pragma once

#include <cstdint>
#include <span>

#include "vod/RavelinVodExport.h"

namespace vod {

// Empty when the library was built without widl.
RAVELIN_VOD_EXPORT std::span<const std::uint8_t> GetRavelinTypeLibrary();

}  // namespace vod
