// Test hook of the server's registration: makes the removal of a chosen registry key fail, as
// an access-control list that forbids deleting it would, so that tests reach DllUnregisterServer's
// report of a key it could not remove on every platform (Wine lets such a key go regardless).
//
// Not an installed header: only the registration code and the COM tests include it. The hook is
// exported with C linkage so that a host that loaded the server can find it by name
// (GetProcAddress) without linking to it. It is process-wide; setting it while another thread
// registers or unregisters is safe, and unset it costs one atomic load per key.
#pragma once

#include <string_view>

#include "vod/RavelinVodExport.h"

// Makes every later removal of the key `subKey` (a path below Software\Classes, such as
// "Ravelin.Base.1" or "CLSID\{...}", compared without regard to case; in either scope) fail
// and leave the key. It covers the class and ProgID keys the server removes itself; the type
// library's keys are removed by oleaut32. nullptr or "" removes the hook.
extern "C" RAVELIN_VOD_EXPORT void RavelinSetKeyRemovalFault(const wchar_t* subKey);

namespace vod::com {

// For the registration code: whether the hook wants the removal of this key to fail.
bool InjectedKeyRemovalFault(std::wstring_view subKey);

}  // namespace vod::com
