// Export macro of the ravelin_setups shared library.
//
// Symbols are hidden by default; a declaration marked RAVELIN_SETUPS_EXPORT is part of the
// library's interface. The library itself is built with RAVELIN_SETUPS_BUILDING defined.
#pragma once

#if defined(_WIN32)
#if defined(RAVELIN_SETUPS_BUILDING)
#define RAVELIN_SETUPS_EXPORT __declspec(dllexport)
#else
#define RAVELIN_SETUPS_EXPORT __declspec(dllimport)
#endif
#else
#define RAVELIN_SETUPS_EXPORT __attribute__((visibility("default")))
#endif
