// Export macro of the ravelin_vod shared library.
//
// Symbols are hidden by default; a declaration marked RAVELIN_VOD_EXPORT is part of the
// library's interface. The library itself is built with RAVELIN_VOD_BUILDING defined.
#pragma once

#if defined(_WIN32)
#if defined(RAVELIN_VOD_BUILDING)
#define RAVELIN_VOD_EXPORT __declspec(dllexport)
#else
#define RAVELIN_VOD_EXPORT __declspec(dllimport)
#endif
#else
#define RAVELIN_VOD_EXPORT __attribute__((visibility("default")))
#endif
