#include "platform/basalt/VelmorNameServer.h"

#include <set>
#include <string>

namespace {

bool IsBlank(wchar_t ch) {
  return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n' || ch == L'\v' || ch == L'\f' ||
         ch == 0x00A0 || ch == 0x3000;
}

bool IsControl(wchar_t ch) {
  return ch < 0x20 || (ch >= 0x7F && ch <= 0x9F);
}

}  // namespace

VelmorNameServer::~VelmorNameServer() = default;

AString VelmorNameServer::GetUniqueName(const AString& base, int indexMode) const {
  std::list<AString> names;
  GetAllNames(names);
  // Folded the same way as AString::CompareNoCase, so "taken" agrees with it.
  std::set<AString> taken;
  for (const AString& name : names) {
    taken.insert(name.ToLower());
  }
  const AString foldedBase = base.ToLower();
  if (indexMode == kIndexWhenTaken && taken.count(foldedBase) == 0) {
    return base;
  }
  // Among names.size() + 1 numbers at least one is free.
  for (std::size_t index = 1;; ++index) {
    const std::wstring suffix = std::to_wstring(index);
    if (taken.count(foldedBase + AString(suffix)) == 0) {
      return base + AString(suffix);
    }
  }
}

bool VelmorNameServer::IsNameValid(const AString& name, AString& reason) const {
  reason.clear();
  if (name.empty()) {
    reason = L"The name is empty.";
  } else if (IsBlank(name.front()) || IsBlank(name.back())) {
    reason = L"The name begins or ends with a blank.";
  } else {
    for (wchar_t ch : name) {
      if (IsControl(ch)) {
        reason = L"The name contains a control character.";
        break;
      }
    }
  }
  return reason.empty();
}
