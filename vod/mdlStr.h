// mdlStr: putting a value between single quotes for the SQL texts of the store.
//
// A plain function without state. A single quote inside the value is doubled, the dialect's
// escape, so no caller value can end the text early and change the meaning of a statement.
// The value is read as text; one that is no text (Null, Missing, an object) gives "".
#pragma once

#include <string>

#include "platform/automation/Variant.h"
#include "vod/RavelinVodExport.h"

namespace vod {

RAVELIN_VOD_EXPORT std::string Str_Quote(const automation::Variant& strValue);

}  // namespace vod
