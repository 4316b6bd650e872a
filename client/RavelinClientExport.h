// Export macro of the ravelin_client shared library.
//
// Symbols are hidden by default; a declaration marked RAVELIN_CLIENT_EXPORT is part of the
// library's interface. The library itself is built with RAVELIN_CLIENT_BUILDING defined.
#pragma once

#if defined(_WIN32)
#if defined(RAVELIN_CLIENT_BUILDING)
#define RAVELIN_CLIENT_EXPORT __declspec(dllexport)
#else
#define RAVELIN_CLIENT_EXPORT __declspec(dllimport)
#endif
#else
#define RAVELIN_CLIENT_EXPORT __attribute__((visibility("default")))
#endif
