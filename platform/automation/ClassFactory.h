// ClassFactory and ServerModule: what an in-process server hands out to create its objects and
// how it knows whether it may be unloaded.
//
// A ServerModule counts the live objects of one server and the locks its hosts hold through
// ClassFactory::LockServer; DllCanUnloadNow answers from these counts. ServerObjectCount is a
// member an object of the server holds for its lifetime. ClassFactoryOf<T> creates T with
// MakeObject and locks its module. Counting is atomic, so the counts stay right even when the
// last reference goes on another thread.
#pragma once

#include <atomic>

#include "platform/automation/AutomationExport.h"
#include "platform/automation/Guid.h"
#include "platform/automation/Object.h"

namespace automation {

// IUnknown and IClassFactory, the interfaces DllGetClassObject is asked for.
AUTOMATION_EXPORT const Guid& IidUnknown();
AUTOMATION_EXPORT const Guid& IidClassFactory();

class AUTOMATION_EXPORT ServerModule {
 public:
  void AddObject() noexcept { ++mObjects; }
  void RemoveObject() noexcept { --mObjects; }
  void Lock() noexcept { ++mLocks; }
  void Unlock() noexcept { --mLocks; }
  long GetObjectCount() const noexcept { return mObjects.load(); }
  long GetLockCount() const noexcept { return mLocks.load(); }
  bool CanUnloadNow() const noexcept { return mObjects.load() == 0 && mLocks.load() == 0; }

 private:
  std::atomic<long> mObjects{0};
  std::atomic<long> mLocks{0};
};

// Keeps the server module's object count for as long as the owning object lives.
class ServerObjectCount {
 public:
  explicit ServerObjectCount(ServerModule& module) : mModule(module) { mModule.AddObject(); }
  ~ServerObjectCount() { mModule.RemoveObject(); }
  ServerObjectCount(const ServerObjectCount&) = delete;
  ServerObjectCount& operator=(const ServerObjectCount&) = delete;

 private:
  ServerModule& mModule;
};

class AUTOMATION_EXPORT ClassFactory : public virtual Object {
 public:
  // A new object with one reference held by the result; raises AutomationError on failure.
  virtual ObjectPtr<Object> CreateInstance() = 0;
  virtual void LockServer(bool lock) = 0;

 protected:
  ~ClassFactory() override;
};

template <class T>
class ClassFactoryOf final : public ClassFactory {
 public:
  explicit ClassFactoryOf(ServerModule& module) : mModule(module) {}
  ObjectPtr<Object> CreateInstance() override { return ObjectPtr<Object>(MakeObject<T>()); }
  void LockServer(bool lock) override {
    if (lock) {
      mModule.Lock();
    } else {
      mModule.Unlock();
    }
  }

 private:
  ServerModule& mModule;
};

}  // namespace automation
