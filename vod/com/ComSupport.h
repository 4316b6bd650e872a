// ComSupport: the small RAII helpers the COM shell of the Ravelin server is built from.
//
// ComPtr holds one counted reference to a COM interface; Bstr owns one BSTR; VariantValue owns
// one VARIANT and clears it when it goes. Utf8ToBstr and BstrToUtf8 convert between the store's
// UTF-8 text and automation text (UTF-16). ComModule counts the live COM objects of this DLL and
// the locks its hosts hold on its class factories, which DllCanUnloadNow answers from, and
// knows the DLL's own module handle and path. ComObject is the base every COM object of the
// server (class factories too) gets its reference counting and that count from.
//
// Thread-safety: the counts are atomic; everything else belongs to the apartment (thread) that
// uses it, as apartment-threaded objects do.
#pragma once

// windows.h comes first: the other Windows headers build on it.
#include <windows.h>

#include <oleauto.h>

#include <atomic>
#include <string>
#include <string_view>
#include <utility>

namespace vod::com {

template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Adds a reference to p.
  explicit ComPtr(T* p) noexcept : mPtr(p) {
    if (mPtr) {
      mPtr->AddRef();
    }
  }
  ComPtr(const ComPtr& other) noexcept : ComPtr(other.mPtr) {}
  ComPtr(ComPtr&& other) noexcept : mPtr(std::exchange(other.mPtr, nullptr)) {}
  ~ComPtr() { Reset(); }
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(mPtr, other.mPtr);
    return *this;
  }

  // Takes over a reference the caller already owns (an out-parameter's result).
  static ComPtr Attach(T* p) noexcept {
    ComPtr result;
    result.mPtr = p;
    return result;
  }
  void Reset() noexcept {
    if (T* p = std::exchange(mPtr, nullptr)) {
      p->Release();
    }
  }
  // For out-parameters: releases what is held and gives the slot.
  T** Receive() noexcept {
    Reset();
    return &mPtr;
  }
  T* Detach() noexcept { return std::exchange(mPtr, nullptr); }
  T* Get() const noexcept { return mPtr; }
  T* operator->() const noexcept { return mPtr; }
  explicit operator bool() const noexcept { return mPtr != nullptr; }

  // QueryInterface for I; empty when the object does not have it.
  template <class I>
  ComPtr<I> As(REFIID iid) const noexcept {
    ComPtr<I> result;
    if (mPtr) {
      mPtr->QueryInterface(iid, reinterpret_cast<void**>(result.Receive()));
    }
    return result;
  }

 private:
  T* mPtr = nullptr;
};

class Bstr {
 public:
  Bstr() noexcept = default;
  explicit Bstr(std::wstring_view text);
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : mValue(std::exchange(other.mValue, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    std::swap(mValue, other.mValue);
    return *this;
  }
  ~Bstr() { SysFreeString(mValue); }

  static Bstr Attach(BSTR value) noexcept {
    Bstr result;
    result.mValue = value;
    return result;
  }
  BSTR Get() const noexcept { return mValue; }
  BSTR* Receive() noexcept {
    SysFreeString(std::exchange(mValue, nullptr));
    return &mValue;
  }
  BSTR Detach() noexcept { return std::exchange(mValue, nullptr); }

 private:
  BSTR mValue = nullptr;
};

class VariantValue {
 public:
  VariantValue() noexcept { VariantInit(&mValue); }
  VariantValue(const VariantValue&) = delete;
  VariantValue& operator=(const VariantValue&) = delete;
  ~VariantValue() { VariantClear(&mValue); }

  VARIANT* Get() noexcept { return &mValue; }
  const VARIANT* Get() const noexcept { return &mValue; }
  VARIANT* operator&() noexcept { return &mValue; }
  // Clears what is held and gives the VARIANT to be filled.
  VARIANT* Receive() noexcept {
    VariantClear(&mValue);
    return &mValue;
  }
  // Moves the value out into *target (which must be cleared or uninitialised).
  void DetachTo(VARIANT* target) noexcept {
    *target = mValue;
    VariantInit(&mValue);
  }

 private:
  VARIANT mValue;
};

// UTF-8 (the store's text) to a new BSTR and back. A null BSTR is the empty text.
BSTR Utf8ToBstr(std::string_view text);
std::string BstrToUtf8(BSTR text);
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

class ComModule {
 public:
  static void AddObject() noexcept;
  static void RemoveObject() noexcept;
  static void Lock() noexcept;
  static void Unlock() noexcept;
  static long GetObjectCount() noexcept;
  static long GetLockCount() noexcept;

  // The DLL this code lives in, and its full path.
  static HMODULE GetHandle() noexcept;
  static std::wstring GetPath();
};

// The reference and object counting every COM object of the server shares, class factories
// included: the object counts for DllCanUnloadNow from construction to destruction, and deletes
// itself (through the virtual destructor) when its last reference goes. AddRef and Release
// here are the final overriders for every interface in Interfaces.
template <class... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP_(ULONG) AddRef() override { return ++mRefs; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --mRefs;
    if (left == 0) {
      delete this;
    }
    return left;
  }

 protected:
  ComObject() noexcept { ComModule::AddObject(); }
  virtual ~ComObject() { ComModule::RemoveObject(); }

 private:
  std::atomic<ULONG> mRefs{1};
};

}  // namespace vod::com
