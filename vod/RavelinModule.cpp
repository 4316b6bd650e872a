// What every build of the server shares, whichever entry points it has: the counts behind
// DllCanUnloadNow and the embedded type library.
#include "vod/Base.h"
#include "vod/RavelinTypeLibrary.h"

namespace vod {

// Generated from the compiled type library at build time.
std::span<const std::uint8_t> GetRavelinTypeLibraryData();

std::span<const std::uint8_t> GetRavelinTypeLibrary() {
  return GetRavelinTypeLibraryData();
}

automation::ServerModule& GetRavelinServerModule() {
  static automation::ServerModule module;
  return module;
}

}  // namespace vod
