#include "ManagerProbe.h"

namespace probe {
namespace {

std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

std::string& ThrowAt() {
  static std::string where;
  return where;
}

MembersAtUpdate& Members() {
  static MembersAtUpdate members;
  return members;
}

}  // namespace

void Record(const std::string& event) {
  Log().push_back(event);
}

std::vector<std::string> Events() {
  return Log();
}

void Reset() {
  Log().clear();
  ThrowAt().clear();
  Members() = MembersAtUpdate{};
}

void SetThrowAt(const std::string& where) {
  ThrowAt() = where;
}

bool ShouldThrow(const std::string& where) {
  return ThrowAt() == where;
}

void SetMembersAtUpdate(const MembersAtUpdate& members) {
  Members() = members;
}

MembersAtUpdate GetMembersAtUpdate() {
  return Members();
}

}  // namespace probe
