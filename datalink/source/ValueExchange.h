// Exchange of a Value under a key of a block, for the data-link classes.
//
// A value is stored as a named value holding its text; reading parses that
// text again with the unit type the variable already has. Internal to the
// library: not installed.
//
// Thread-safety: as for the block passed in.
#pragma once

#include "platform/basalt/AString.h"
#include "platform/basalt/Value.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/ReadError.h"

namespace datalink {

// Reads `value` from the named value `key` of `block` when `reading`, else
// appends it. Requirement and result codes as for io::DoDataExchange; on a
// failed read the value keeps what it held.
io::ReadError ExchangeValue(io::CBlock& block, bool reading, const AString& key, Value& value,
                            int requirement);

}  // namespace datalink
