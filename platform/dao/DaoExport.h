// Export macro of the DAO stand-in (dao) shared library.
//
// Symbols are hidden by default; a declaration marked DAO_EXPORT is part of the
// library's interface. The library itself is built with DAO_BUILDING defined.
#pragma once

#if defined(_WIN32)
#if defined(DAO_BUILDING)
#define DAO_EXPORT __declspec(dllexport)
#else
#define DAO_EXPORT __declspec(dllimport)
#endif
#else
#define DAO_EXPORT __attribute__((visibility("default")))
#endif
