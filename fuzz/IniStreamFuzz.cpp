// Fuzzes the INI reader. Any text loads; what it loads must render, save in
// the packed form and reload to the same table.
#include <cstddef>
#include <cstdint>

#include "client/QvConfig.h"
#include "fuzz/ConfigFuzzSupport.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SilenceMessageBoxes();
  CQvConfig config;
  fuzz::Require(config.OpeniniStream(reinterpret_cast<const char*>(data),
                                     static_cast<unsigned long>(size)) == 1,
                "INI text was refused");
  fuzz::CheckSaveRoundTrip(config);
  return 0;
}
