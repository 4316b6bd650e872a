// Opaque handles that cross the win32 seam: a loaded module and an owner window.
//
// A handle is only an identity that the seam hands out and takes back; nothing
// outside the seam looks behind it. Whoever loaded a module owns that one load
// and gives it back with UnloadModule (Module.h). A window handle is owned by the
// host that passed it in and is never touched here.
//
// Thread-safety: plain values, safe to copy between threads.
#pragma once

namespace win32 {

// Never defined: a module handle is compared and passed on, never dereferenced.
struct ModuleObject;
using ModuleHandle = ModuleObject*;

// The host's window; matches the owner argument of ShowMessageBox.
using WindowHandle = void*;

}  // namespace win32
