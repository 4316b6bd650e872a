// Fuzzes the block text reader with whole files. Whatever it accepts must
// write back out, and what it writes must read back to the same text: the
// writer's output is a fixed point of read-then-write.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "platform/basalt/io/BlockText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  io::CBlock block;
  io::ReadError read = io::ReadBlockText(text, block);
  if (read.IsFailure()) {
    return 0;
  }
  std::string written;
  fuzz::Require(!io::WriteBlockText(block, written).IsFailure(),
                "a block that was read cannot be written");
  io::CBlock again;
  fuzz::Require(!io::ReadBlockText(written, again).IsFailure(),
                "the writer's text does not read back");
  std::string rewritten;
  fuzz::Require(!io::WriteBlockText(again, rewritten).IsFailure(),
                "a block read from written text cannot be written");
  fuzz::Require(written == rewritten, "read-write does not round-trip");
  return 0;
}
