// ComRegistration: what DllRegisterServer, DllUnregisterServer and DllInstall write to and
// remove from the registry.
//
// Under <root>\Software\Classes, with <root> HKEY_LOCAL_MACHINE for the machine or
// HKEY_CURRENT_USER for one user:
//   CLSID\{Base}        "Base"; InprocServer32 = this DLL's full path, ThreadingModel Apartment;
//                       ProgID "Ravelin.Base"; TypeLib; Version "7.0"; Programmable
//   CLSID\{BaseLink}    "BaseLink"; InprocServer32 as above; ProgID "Ravelin.BaseLink"
//   Ravelin.Base        "Base"; CLSID = {Base}
//   Ravelin.BaseLink    "BaseLink"; CLSID = {BaseLink}
// and the type library embedded as resource TYPELIB 1, with the interfaces it describes
// (_Base, __Base), through LoadTypeLibEx(REGKIND_REGISTER) for the machine and
// RegisterTypeLibForUser for one user.
//
// Unregistering removes a class key only while its InprocServer32 names this DLL, and a ProgID
// key only while it names this server's class, so another server registered since keeps its
// keys. Functions of one process; registration tools call them on one thread.
#pragma once

#include <windows.h>

namespace vod::com {

enum class RegistrationScope { kMachine, kUser };

// S_OK, or SELFREG_E_CLASS / SELFREG_E_TYPELIB (with what was written removed again). The
// machine scope gives E_ACCESSDENIED when the machine's classes may not be written.
HRESULT RegisterServer(RegistrationScope scope);
HRESULT UnregisterServer(RegistrationScope scope);

}  // namespace vod::com
