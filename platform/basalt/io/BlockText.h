// The block text format on disk: reading and writing blocks as UTF-8 text.
//
// The grammar is in docs/block-format.md. In short:
//
//   Setup1 {
//     ID = 3
//     SetupType = "Driven"
//     Ratio = 0.25
//     Enabled = true
//     s("S1", "S2")
//     FileContents(a = "x", "b c" = "y")
//     Files["one.txt", "two.txt"]
//   }
//
// The writer is deterministic: equal blocks give equal bytes. Every name and
// text round-trips exactly (any wchar_t value, including control characters,
// lone surrogates and characters outside the BMP), longs exactly, doubles
// exactly through their shortest round-trip form.
//
// The reader never reads past its input and never recurses deeper than
// kMaxNesting blocks; any malformed input gives a failing ReadError whose
// message names the line and column. On failure the output block is left
// unchanged.
//
// Files are written to a temporary file next to the target and renamed over
// it, so a failed save leaves the earlier file intact.
//
// Thread-safety: the functions share no state; a block must not change while
// it is being written.
#pragma once

#include <string>
#include <string_view>

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/ReadError.h"

namespace io {

// The deepest nesting of blocks the reader and writer accept; the outermost
// block is level 1.
inline constexpr int kMaxNesting = 256;

// Appends the text of `block` (its name, then its items) to `out`. Fails only
// for blocks nested deeper than kMaxNesting, leaving `out` as it was.
BASALT_EXPORT ReadError WriteBlockText(const CBlock& block, std::string& out);
// Parses exactly one block from `text` (a leading UTF-8 byte order mark is
// skipped) into `block`, replacing its name and items.
BASALT_EXPORT ReadError ReadBlockText(std::string_view text, CBlock& block);

// The same for files; `path` is a UTF-8-convertible file name.
BASALT_EXPORT ReadError WriteBlockFile(const AString& path, const CBlock& block);
BASALT_EXPORT ReadError ReadBlockFile(const AString& path, CBlock& block);

}  // namespace io
