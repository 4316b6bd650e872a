# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DNAMESPACE=<ns> -DSYMBOL=<name> -P EmbedBinary.cmake
# Writes a source file that defines `std::span<const std::uint8_t> <ns>::<name>()` returning
# the bytes of INPUT; an empty or missing INPUT gives an empty span.
set(bytes "")
if(INPUT AND EXISTS "${INPUT}")
  file(READ "${INPUT}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
endif()
if(bytes STREQUAL "")
  set(body "  return {};")
  set(array "")
else()
  set(array "const std::uint8_t kData[] = {${bytes}};")
  set(body "  return {kData, sizeof kData};")
endif()
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.
#include <cstdint>
#include <span>

namespace ${NAMESPACE} {
namespace {
${array}
}  // namespace

std::span<const std::uint8_t> ${SYMBOL}() {
${body}
}

}  // namespace ${NAMESPACE}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
