// The four entry points of the Ravelin in-process server, exported by name.
//
// DllRegisterServer enters the class Base (CLSID, ProgID "Ravelin.Base", apartment threading,
// this module's path, the type library) and its interfaces _Base and __Base in the
// process-wide class registry; DllUnregisterServer removes exactly those entries.
// DllGetClassObject hands out Base's class factory (with a reference the caller releases);
// DllCanUnloadNow answers S_OK only while no Base object lives and no host holds a lock on the
// server. Callable from any thread; the registry locks itself and the counts are atomic.
#pragma once

#include <cstdint>
#include <span>

#include "platform/automation/Guid.h"
#include "platform/automation/HResult.h"
#include "platform/automation/Object.h"
#include "vod/RavelinTypeLibrary.h"
#include "vod/RavelinVodExport.h"

extern "C" {

RAVELIN_VOD_EXPORT automation::HResult DllRegisterServer();
RAVELIN_VOD_EXPORT automation::HResult DllUnregisterServer();
// *ppv receives the factory, or null with a failure code: E_POINTER for a null ppv,
// CLASS_E_CLASSNOTAVAILABLE for another CLSID, E_NOINTERFACE for an interface other than
// IUnknown and IClassFactory.
RAVELIN_VOD_EXPORT automation::HResult DllGetClassObject(const automation::Guid& rclsid,
                                                         const automation::Guid& riid,
                                                         automation::Object** ppv);
RAVELIN_VOD_EXPORT automation::HResult DllCanUnloadNow();
}
