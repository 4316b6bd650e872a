// What the test manager modules did, kept outside them so that it survives
// their unloading: the modules record each call and the tests read the log.
// The tests also tell the throwing module where to throw.
//
// Single-threaded use by the tests; no locking.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// MANAGER_PROBE_EXPORT comes from the build: how a module exports a function
// is the platform's matter.

namespace probe {

// What CreatePublicManager had put into the object when Update first ran.
struct MembersAtUpdate {
  void* module = nullptr;
  const wchar_t* section = nullptr;
  void* owner = nullptr;
  int updates = 0;
};

MANAGER_PROBE_EXPORT void Record(const std::string& event);
MANAGER_PROBE_EXPORT std::vector<std::string> Events();
MANAGER_PROBE_EXPORT void Reset();

// "create", "update", "message", "shutdown" or "release"; empty for none.
MANAGER_PROBE_EXPORT void SetThrowAt(const std::string& where);
MANAGER_PROBE_EXPORT bool ShouldThrow(const std::string& where);

MANAGER_PROBE_EXPORT void SetMembersAtUpdate(const MembersAtUpdate& members);
MANAGER_PROBE_EXPORT MembersAtUpdate GetMembersAtUpdate();

}  // namespace probe
