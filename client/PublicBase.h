// CPublicBase: abstract base of the client's modules' public objects. This
// library supplies its resource access: a resource module chosen with
// SetResourceHandle, and GetResourceHandle, which hands out a text resource of
// that module converted from UTF-8 to the system's ANSI code page.
//
// The object does not own the resource module: whoever passes it in keeps the
// module loaded while the object reads from it. Text handed out by
// GetResourceHandle belongs to the caller, who releases it with delete[].
//
// Thread-safety: none; one object is used by one thread at a time.
// GetResourceHandle itself touches no shared state.
#pragma once

#include <cstdint>

#include "client/RavelinClientExport.h"
#include "platform/win32/Handles.h"

class RAVELIN_CLIENT_EXPORT CPublicBase {
 public:
  CPublicBase() = default;
  CPublicBase(const CPublicBase&) = default;
  CPublicBase& operator=(const CPublicBase&) = default;
  virtual ~CPublicBase();

  // Implemented by the client's modules; this library never calls them.
  virtual void Reserved1() = 0;
  virtual void Reserved2() = 0;
  virtual void Reserved3() = 0;
  virtual void Reserved4() = 0;
  virtual void Reserved5() = 0;
  virtual void Reserved6() = 0;
  virtual void Reserved7() = 0;
  virtual void Reserved8() = 0;
  virtual void Reserved9() = 0;
  virtual void Reserved10() = 0;

  // Selects the module whose resources GetResourceHandle reads; null allowed.
  // Always 1.
  int SetResourceHandle(win32::ModuleHandle module);
  win32::ModuleHandle GetResourceModule() const { return mResourceModule; }

  // Finds the resource `name` of type `type` (either may be an integer
  // identifier, see platform/win32/Resource.h), takes its UTF-8 text up to its
  // end or its first zero byte, and stores a new zero-terminated copy in the
  // ANSI code page in *out. Returns the number of bytes converted, terminator
  // included, so never 0 on success; 0 on any failure, with *out untouched.
  unsigned long GetResourceHandle(unsigned char** out, const wchar_t* name, const wchar_t* type);

 private:
  // Kept for the client's modules; copied, never read here.
  std::uint32_t mReserved1 = 0;
  std::uint32_t mReserved2 = 0;
  win32::ModuleHandle mResourceModule = nullptr;
};
