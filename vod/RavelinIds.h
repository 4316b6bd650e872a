// Identifiers of the Ravelin type library: the library, the class Base, its interfaces, and
// the enumerations and records, as hosts find them in the type library and the class registry.
//
// Constants only; safe to use from any thread.
#pragma once

#include <string_view>

namespace vod {

inline constexpr std::string_view kLibidRavelin = "{0A138E39-AE43-45B3-AB62-DEEA2F0B6F6B}";
inline constexpr int kRavelinMajorVersion = 7;
inline constexpr int kRavelinMinorVersion = 0;

inline constexpr std::string_view kClsidBase = "{3CA5FB85-894A-4CE9-9115-D1FFC5278234}";
inline constexpr std::string_view kProgIdBase = "Ravelin.Base";
inline constexpr std::string_view kThreadingModelBase = "Apartment";
inline constexpr std::string_view kIidBase = "{C6BA3151-4892-4BC0-B2BC-20AD9FE9F548}";  // _Base
inline constexpr std::string_view kDiidBaseEvents =
    "{F87B1F10-B7C5-47F9-868D-DAB46FC8E2B9}";  // __Base

inline constexpr std::string_view kGuidRoomStatus = "{855C9794-925B-49A3-B593-FE0CACF80349}";
inline constexpr std::string_view kGuidRoomSearchModes = "{C41FF174-1D77-4D8C-B6F7-1E917679A56A}";
inline constexpr std::string_view kGuidRoomInfoStruct = "{69D9934A-954D-4D7C-83B3-69DA85C75843}";
inline constexpr std::string_view kGuidDefaultSongStruct = "{CD601AE0-BD94-498E-865C-8D9814E20ECD}";
inline constexpr std::string_view kGuidSelectSongStruct = "{7446DB18-C021-4516-9FCC-BB6CE8387C5B}";
inline constexpr std::string_view kGuidSongTaxisStruct = "{1FB80D61-1DC9-4CDA-968B-D2D8130A0E2F}";

// DISPIDs of the events.
inline constexpr int kDispidOnRoomBrowseInfo = 1;
inline constexpr int kDispidOnTaxisBrowse = 2;

}  // namespace vod
