#include "platform/basalt/Units.h"

#include <iterator>
#include <numbers>

namespace Units {
namespace {

struct UnitEntry {
  FullUnitType mUnit;
  const wchar_t* mName;
  UnitKind mKind;
  double mFactor;
};

constexpr UnitEntry kUnitTable[] = {
    {kMeter, L"m", kKindLength, 1.0},
    {kCentimeter, L"cm", kKindLength, 1e-2},
    {kMillimeter, L"mm", kKindLength, 1e-3},
    {kMicrometer, L"um", kKindLength, 1e-6},
    {kNanometer, L"nm", kKindLength, 1e-9},
    {kInch, L"in", kKindLength, 0.0254},
    {kMil, L"mil", kKindLength, 0.0254e-3},
    {kHertz, L"Hz", kKindFrequency, 1.0},
    {kKilohertz, L"kHz", kKindFrequency, 1e3},
    {kMegahertz, L"MHz", kKindFrequency, 1e6},
    {kGigahertz, L"GHz", kKindFrequency, 1e9},
    {kDegree, L"deg", kKindAngle, std::numbers::pi / 180.0},
    {kRadian, L"rad", kKindAngle, 1.0},
};

const UnitEntry* FindEntry(int code) {
  for (const UnitEntry& entry : kUnitTable) {
    if (entry.mUnit == code) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace

bool IsKnownUnit(int code) {
  return code == kNoUnit || FindEntry(code) != nullptr;
}

UnitKind GetUnitKind(FullUnitType unit) {
  const UnitEntry* entry = FindEntry(unit);
  return entry ? entry->mKind : kKindNone;
}

double GetUnitFactor(FullUnitType unit) {
  const UnitEntry* entry = FindEntry(unit);
  return entry ? entry->mFactor : 1.0;
}

AString GetUnitName(FullUnitType unit) {
  const UnitEntry* entry = FindEntry(unit);
  return entry ? AString(entry->mName) : AString();
}

bool FindUnit(const AString& name, FullUnitType& unit) {
  for (const UnitEntry& entry : kUnitTable) {
    if (name == entry.mName) {
      unit = entry.mUnit;
      return true;
    }
  }
  for (const UnitEntry& entry : kUnitTable) {
    if (name.CompareNoCase(entry.mName) == 0) {
      unit = entry.mUnit;
      return true;
    }
  }
  return false;
}

FullUnitType GetBaseUnit(UnitKind kind) {
  switch (kind) {
    case kKindLength:
      return kMeter;
    case kKindFrequency:
      return kHertz;
    case kKindAngle:
      return kRadian;
    case kKindNone:
      break;
  }
  return kNoUnit;
}

}  // namespace Units
