// Export macro of the automation stand-in (automation) shared library.
//
// Symbols are hidden by default; a declaration marked AUTOMATION_EXPORT is part of the
// library's interface. The library itself is built with AUTOMATION_BUILDING defined.
#pragma once

#if defined(_WIN32)
#if defined(AUTOMATION_BUILDING)
#define AUTOMATION_EXPORT __declspec(dllexport)
#else
#define AUTOMATION_EXPORT __declspec(dllimport)
#endif
#else
#define AUTOMATION_EXPORT __attribute__((visibility("default")))
#endif
