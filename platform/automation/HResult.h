// HResult: the status codes the in-process server entry points and class factories return.
//
// Plain constants with the values a COM caller knows, so that hosts can test them as usual.
#pragma once

#include <cstdint>

namespace automation {

using HResult = std::int32_t;

inline constexpr HResult kS_OK = 0;
inline constexpr HResult kS_FALSE = 1;
inline constexpr HResult kE_NOINTERFACE = static_cast<HResult>(0x80004002u);
inline constexpr HResult kE_POINTER = static_cast<HResult>(0x80004003u);
inline constexpr HResult kE_FAIL = static_cast<HResult>(0x80004005u);
inline constexpr HResult kE_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
inline constexpr HResult kE_INVALIDARG = static_cast<HResult>(0x80070057u);
inline constexpr HResult kCLASS_E_CLASSNOTAVAILABLE = static_cast<HResult>(0x80040111u);
inline constexpr HResult kCONNECT_E_NOCONNECTION = static_cast<HResult>(0x80040200u);
inline constexpr HResult kSELFREG_E_CLASS = static_cast<HResult>(0x80040201u);

inline constexpr bool Succeeded(HResult hr) {
  return hr >= 0;
}

}  // namespace automation
