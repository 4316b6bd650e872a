// A manager module as a client product would build it, compiled in four
// variants: MANAGER_VARIANT is 0 for a working manager, 1 for a module
// without "CreateManager", 2 for one whose "CreateManager" returns null and 3
// for one that throws wherever the probe tells it to.
#include <cstdint>
#include <exception>
#include <string>
#include <type_traits>

#include "ManagerProbe.h"
#include "client/PublicRavelin.h"
#include "platform/win32/TextConvert.h"

#ifndef MANAGER_VARIANT
#error MANAGER_VARIANT must be set
#endif

namespace {

// Defined in the module, so its code leaves with the module: the library must
// be done with a caught exception before it unloads the module.
class ManagerFailure : public std::exception {
 public:
  explicit ManagerFailure(std::string where) : mWhat("manager failed in " + where) {}
  const char* what() const noexcept override { return mWhat.c_str(); }

 private:
  std::string mWhat;
};

void MaybeThrow(const char* where) {
  if (MANAGER_VARIANT == 3 && probe::ShouldThrow(where)) {
    throw ManagerFailure(where);
  }
}

class CTestManager : public CPublicRavelin {
 public:
  void ReservedImplementation1() override { probe::Record("unexpected"); }
  void ReservedImplementation2() override { probe::Record("unexpected"); }
  void ReservedImplementation3() override { probe::Record("unexpected"); }
  void Reserved5() override { probe::Record("unexpected"); }
  int Shutdown() override {
    probe::Record("Shutdown");
    MaybeThrow("shutdown");
    return 1;
  }
  void Reserved7() override { probe::Record("unexpected"); }
  void Reserved8() override { probe::Record("unexpected"); }
  int HandleMessage(void* message) override {
    probe::Record("HandleMessage");
    MaybeThrow("message");
    return *static_cast<const int*>(message) * 2;
  }
  int Release() override {
    probe::Record("Release");
    MaybeThrow("release");
    delete this;
    return 1;
  }
  void Reserved11() override { probe::Record("unexpected"); }
  void Reserved12() override { probe::Record("unexpected"); }
  void Reserved13() override { probe::Record("unexpected"); }
  void Reserved14() override { probe::Record("unexpected"); }
  int Update() override {
    ++mUpdates;
    probe::Record("Update");
    if (mUpdates == 1) {
      probe::SetMembersAtUpdate({GetModule(), GetSection(), GetOwner(), mUpdates});
    }
    MaybeThrow("update");
    return 100 + mUpdates;
  }
  void Reserved16() override { probe::Record("unexpected"); }

 private:
  int mUpdates = 0;
};

__attribute__((constructor)) void ModuleLoaded() {
  probe::Record("load");
}

__attribute__((destructor)) void ModuleUnloaded() {
  probe::Record("unload");
}

}  // namespace

#if MANAGER_VARIANT != 1
extern "C" TEST_MODULE_EXPORT CPublicRavelin* CreateManager(
    const wchar_t* directory, std::uint32_t passThrough1, std::uint32_t passThrough2) {
  probe::Record("CreateManager " + win32::Utf16ToUtf8(win32::WideToUtf16(directory)) + " " +
                std::to_string(passThrough1) + " " + std::to_string(passThrough2));
  MaybeThrow("create");
  if (MANAGER_VARIANT == 2) {
    return nullptr;
  }
  return new CTestManager;
}
#endif

#if MANAGER_VARIANT != 1
static_assert(std::is_same_v<decltype(&CreateManager), CreateManagerFunction>);
#endif
