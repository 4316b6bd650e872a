// io::DoDataExchange: reading or writing one keyed item of a block.
//
// Every overload takes the block, the direction (`reading` true reads the
// item into the variable, false appends it to the block), the key, the
// variable, and a requirement:
//   0  a problem is returned as a warning code and the variable keeps its
//      value: ReadError::kMissing (2) when the block has no item of that key
//      and kind, ReadError::kWrongType (1) when the item's token is of another
//      kind or does not fit the variable;
//   1  the same problems are thrown as that io::ReadError, with a message
//      naming the key.
// Writing always appends (it never replaces an item already in the block)
// and returns 0. Reading takes the first matching item.
//
// Scalars (AString, long, int, bool, double) are named values with one token
// of the matching kind. A Value (a number or expression with a unit) is
// stored as a named value whose token is the text GetValueText() gives, and
// read back by parsing that text; its exchange is built on the AString
// overload here.
//
// Sub-blocks: the CBlock_ptr overload shares, the CBlock& overload copies.
// Reading a CBlock_ptr points it at the sub-block inside `block`. Writing a
// CBlock_ptr appends its block (a new empty one if the pointer is null, which
// then points at it), renamed to the key; items added through the pointer
// afterwards still land in `block`.
//
// Thread-safety: as for the block passed in.
#pragma once

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/ReadError.h"

namespace io {

BASALT_EXPORT ReadError DoDataExchange(CBlock& block, bool reading, const AString& key,
                                       AString& value, int requirement);
BASALT_EXPORT ReadError DoDataExchange(CBlock& block, bool reading, const AString& key, long& value,
                                       int requirement);
BASALT_EXPORT ReadError DoDataExchange(CBlock& block, bool reading, const AString& key, int& value,
                                       int requirement);
BASALT_EXPORT ReadError DoDataExchange(CBlock& block, bool reading, const AString& key, bool& value,
                                       int requirement);
BASALT_EXPORT ReadError DoDataExchange(CBlock& block, bool reading, const AString& key,
                                       double& value, int requirement);
BASALT_EXPORT ReadError DoDataExchange(CBlock& block, bool reading, const AString& key,
                                       CBlockPtr& sub, int requirement);
BASALT_EXPORT ReadError DoDataExchange(CBlock& block, bool reading, const AString& key, CBlock& sub,
                                       int requirement);

}  // namespace io
