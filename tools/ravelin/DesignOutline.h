// Readable outlines of blocks for the ravelin tool: one line per item,
// indented by nesting, values shown as the block text writes them.
#pragma once

#include <string>

#include "platform/basalt/io/Block.h"

namespace ravelin_tool {

std::string OutlineBlock(const io::CBlock& block);

// Items in the block and all its sub-blocks, the block itself not counted.
long CountItems(const io::CBlock& block);

}  // namespace ravelin_tool
