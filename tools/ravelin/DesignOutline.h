// Design files for the ravelin tool: reading them, and readable outlines of
// blocks (one line per item, indented by nesting, values shown as the block
// text writes them).
#pragma once

#include <string>

#include "platform/basalt/io/Block.h"

namespace ravelin_tool {

// Reads a block text file; ToolError for a missing file or malformed text,
// whose message names the line and column.
io::CBlock ReadDesignFile(const std::string& path);

std::string OutlineBlock(const io::CBlock& block);

// Items in the block and all its sub-blocks, the block itself not counted.
long CountItems(const io::CBlock& block);

}  // namespace ravelin_tool
