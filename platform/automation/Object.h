// Object: the reference-counted base of every automation object, and ObjectPtr, the smart
// reference that holds one.
//
// An object starts with no references; the first ObjectPtr that takes it (MakeObject) holds
// the first one and the object deletes itself when the last reference is released, exactly as a
// COM object does. Interfaces derive virtually from Object so that one object may implement
// several; QueryInterface asks an object for another of its interfaces and gives an empty
// pointer when it has none. Counting is atomic; everything else follows the apartment rule of
// the object that uses it (one thread).
#pragma once

#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "platform/automation/AutomationExport.h"

namespace automation {

class AUTOMATION_EXPORT Object {
 public:
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  unsigned long AddRef() noexcept;
  // Deletes the object when the count drops to zero; returns the count left.
  unsigned long Release() noexcept;
  unsigned long GetRefCount() const noexcept { return mRefCount.load(); }

 protected:
  Object() = default;
  virtual ~Object();

 private:
  std::atomic<unsigned long> mRefCount{0};
};

template <class T>
class ObjectPtr {
 public:
  ObjectPtr() noexcept = default;
  ObjectPtr(std::nullptr_t) noexcept {}
  // Takes an added reference to p.
  explicit ObjectPtr(T* p) noexcept : mPtr(p) {
    if (mPtr) {
      mPtr->AddRef();
    }
  }
  ObjectPtr(const ObjectPtr& other) noexcept : ObjectPtr(other.mPtr) {}
  ObjectPtr(ObjectPtr&& other) noexcept : mPtr(std::exchange(other.mPtr, nullptr)) {}
  // Widening only (derived to base); narrowing goes through QueryInterface.
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  ObjectPtr(const ObjectPtr<U>& other) noexcept : ObjectPtr(static_cast<T*>(other.Get())) {}
  ~ObjectPtr() { Reset(); }

  ObjectPtr& operator=(ObjectPtr other) noexcept {
    std::swap(mPtr, other.mPtr);
    return *this;
  }

  void Reset() noexcept {
    if (T* p = std::exchange(mPtr, nullptr)) {
      p->Release();
    }
  }

  T* Get() const noexcept { return mPtr; }
  T* operator->() const noexcept { return mPtr; }
  T& operator*() const noexcept { return *mPtr; }
  explicit operator bool() const noexcept { return mPtr != nullptr; }

  // Hands the reference to the caller, who must Release it.
  T* Detach() noexcept { return std::exchange(mPtr, nullptr); }

  friend bool operator==(const ObjectPtr& a, const ObjectPtr& b) noexcept {
    return a.mPtr == b.mPtr;
  }
  friend bool operator==(const ObjectPtr& a, std::nullptr_t) noexcept { return a.mPtr == nullptr; }

 private:
  T* mPtr = nullptr;
};

template <class T, class... Args>
ObjectPtr<T> MakeObject(Args&&... args) {
  return ObjectPtr<T>(new T(std::forward<Args>(args)...));
}

// Asks an object for interface I; empty when the object does not implement it.
template <class I, class T>
ObjectPtr<I> QueryInterface(T* object) {
  return ObjectPtr<I>(dynamic_cast<I*>(object));
}

template <class I, class T>
ObjectPtr<I> QueryInterface(const ObjectPtr<T>& object) {
  return QueryInterface<I>(object.Get());
}

}  // namespace automation
