// ComRegistration: what DllRegisterServer, DllUnregisterServer and DllInstall write to and
// remove from the registry.
//
// Under <root>\Software\Classes, with <root> HKEY_LOCAL_MACHINE for the machine or
// HKEY_CURRENT_USER for one user:
//   CLSID\{Base}        "Base"; InprocServer32 = this DLL's full path, ThreadingModel Apartment;
//                       ProgID "Ravelin.Base.1"; VersionIndependentProgID "Ravelin.Base";
//                       TypeLib; Version "7.0"; Programmable
//   CLSID\{BaseLink}    the same for "BaseLink", "Ravelin.BaseLink.1", "Ravelin.BaseLink"
//   Ravelin.Base        "Base"; CLSID = {Base}; CurVer = "Ravelin.Base.1"
//   Ravelin.Base.1      "Base"; CLSID = {Base}
//   Ravelin.BaseLink    and Ravelin.BaseLink.1 alike
// and the type library embedded as resource TYPELIB 1, with the interfaces it describes
// (_Base, __Base, _BaseLink, the last with the universal marshaler), through
// LoadTypeLibEx(REGKIND_REGISTER) for the machine and RegisterTypeLibForUser for one user.
//
// Unregistering removes only what belongs to this copy of the DLL: a class key while its
// InprocServer32 names this DLL, with its ProgIDs (or ProgIDs left over without a class key),
// and the type library while its registered path names this DLL. Another copy registered since
// keeps its keys. Functions of one process; registration tools call them on one thread.
#pragma once

#include <windows.h>

namespace vod::com {

enum class RegistrationScope { kMachine, kUser };

// S_OK, or SELFREG_E_CLASS / SELFREG_E_TYPELIB (with what was written removed again). The
// machine scope gives E_ACCESSDENIED when the machine's classes may not be written.
HRESULT RegisterServer(RegistrationScope scope);
// S_OK, or SELFREG_E_CLASS when a key that should go could not be removed (what could was).
HRESULT UnregisterServer(RegistrationScope scope);

}  // namespace vod::com
