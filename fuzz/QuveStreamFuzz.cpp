// Fuzzes the packed configuration stream reader. A rejected stream must leave
// the store as it was; an accepted one must render, save and reload to the
// same table.
#include <cstddef>
#include <cstdint>
#include <string>

#include "client/QvConfig.h"
#include "fuzz/ConfigFuzzSupport.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SilenceMessageBoxes();
  static const char kEarlier[] = "[Earlier]\nkey=value\n";
  CQvConfig config;
  config.OpeniniStream(kEarlier, sizeof kEarlier - 1);
  std::wstring before;
  config.ReadDataToString(before);

  if (config.OpenQuveStream(reinterpret_cast<const char*>(data),
                            static_cast<unsigned long>(size)) == 0) {
    std::wstring after;
    config.ReadDataToString(after);
    fuzz::Require(after == before, "a rejected stream changed the store");
    return 0;
  }
  fuzz::CheckSaveRoundTrip(config);
  return 0;
}
