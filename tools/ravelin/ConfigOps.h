// Configuration operations shared by the config commands and the demo.
#pragma once

#include <string>

namespace ravelin_tool {

// The configuration at `path` (INI text, or the packed form for a .qve
// name) rendered as INI text; ToolError when it cannot be loaded.
std::string RenderConfiguration(const std::string& path);

// Writes `in` to `out`: the packed form when `out` ends in "qve", else INI
// text. The target is replaced whole or not at all.
void ConvertConfiguration(const std::string& in, const std::string& out);

}  // namespace ravelin_tool
