// Export macro of the UI library stand-in (panelkit) shared library.
//
// Symbols are hidden by default; a declaration marked PANELKIT_EXPORT is part of the
// library's interface. The library itself is built with PANELKIT_BUILDING defined.
#pragma once

#if defined(_WIN32)
#if defined(PANELKIT_BUILDING)
#define PANELKIT_EXPORT __declspec(dllexport)
#else
#define PANELKIT_EXPORT __declspec(dllimport)
#endif
#else
#define PANELKIT_EXPORT __attribute__((visibility("default")))
#endif
