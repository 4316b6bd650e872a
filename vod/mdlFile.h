// mdlFile: splitting a file name into its extension and its title.
//
// Plain functions without state. Each reads its argument as text and ignores errors statement
// by statement, so an argument that is no text (Null, Missing, an object) gives "".
#pragma once

#include <string>

#include "platform/automation/Variant.h"
#include "vod/RavelinVodExport.h"

namespace vod {

// The text after the last "."; the whole name when it has no "."; "" when it ends in ".".
RAVELIN_VOD_EXPORT std::string File_ExtName(const automation::Variant& strFileName);

// The name up to two characters before the first occurrence (case-sensitive) of its extension
// text: usually the name without its extension and dot, "" when that cut would be negative
// (no dot, a trailing dot, or the extension text at the start of the name).
RAVELIN_VOD_EXPORT std::string File_TitleName(const automation::Variant& strFileName);

}  // namespace vod
