// Units of measure known to Value.
//
// A Units::FullUnitType names one unit of the small table below (mm, GHz,
// deg, ...) or kNoUnit (code 90) for a plain number. Each unit has a kind
// (length, frequency, angle, none) and a factor to the kind's base unit
// (metre, hertz, radian), so values of one kind convert into each other.
// The codes are stored with values and must not change.
//
// Thread-safety: the table is constant; every function may be called from
// any thread.
#pragma once

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"

namespace Units {

enum FullUnitType {
  kMeter = 10,
  kCentimeter = 11,
  kMillimeter = 12,
  kMicrometer = 13,
  kNanometer = 14,
  kInch = 15,
  kMil = 16,
  kHertz = 20,
  kKilohertz = 21,
  kMegahertz = 22,
  kGigahertz = 23,
  kDegree = 30,
  kRadian = 31,
  kNoUnit = 90
};

enum UnitKind { kKindNone, kKindLength, kKindFrequency, kKindAngle };

// True for the codes in the table above.
BASALT_EXPORT bool IsKnownUnit(int code);
// The unit's kind; kKindNone for kNoUnit and unknown codes.
BASALT_EXPORT UnitKind GetUnitKind(FullUnitType unit);
// Factor from the unit to its kind's base unit (mm gives 0.001); 1 for
// kNoUnit and unknown codes.
BASALT_EXPORT double GetUnitFactor(FullUnitType unit);
// The suffix written after a number ("mm", "GHz"); empty for kNoUnit and
// unknown codes.
BASALT_EXPORT AString GetUnitName(FullUnitType unit);
// Finds a unit by its suffix. An exact match wins; otherwise the suffix is
// compared ignoring case ("ghz" is GHz). False when no unit has that name.
BASALT_EXPORT bool FindUnit(const AString& name, FullUnitType& unit);
// The base unit of a kind (m, Hz, rad; kNoUnit for kKindNone).
BASALT_EXPORT FullUnitType GetBaseUnit(UnitKind kind);

}  // namespace Units
