// Export macro of the Win32 platform seam (win32) shared library.
//
// Symbols are hidden by default; a declaration marked WIN32SEAM_EXPORT is part of the
// library's interface. The library itself is built with WIN32SEAM_BUILDING defined.
#pragma once

#if defined(_WIN32)
#if defined(WIN32SEAM_BUILDING)
#define WIN32SEAM_EXPORT __declspec(dllexport)
#else
#define WIN32SEAM_EXPORT __declspec(dllimport)
#endif
#else
#define WIN32SEAM_EXPORT __attribute__((visibility("default")))
#endif
