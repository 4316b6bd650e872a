// Export macro of the core library stand-in (basalt) shared library.
//
// Symbols are hidden by default; a declaration marked BASALT_EXPORT is part of the
// library's interface. The library itself is built with BASALT_BUILDING defined.
#pragma once

#if defined(_WIN32)
#if defined(BASALT_BUILDING)
#define BASALT_EXPORT __declspec(dllexport)
#else
#define BASALT_EXPORT __declspec(dllimport)
#endif
#else
#define BASALT_EXPORT __attribute__((visibility("default")))
#endif
