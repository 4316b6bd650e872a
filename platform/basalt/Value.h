// Value: a number or an expression with a unit.
//
// A Value keeps the text it was given ("3mm", "2*w + 1mm", "-(a/2)") and a
// unit type, the unit a plain number in the text stands in. The text is
// evaluated whenever the number is asked for: variable names take their
// values from the innermost live VariableValuesContext (VariableValues.h).
//
// Expression syntax: numbers (123, 1.5, .5, 2e-3) optionally followed by a
// unit suffix from the Units table ("3mm", "2.4 GHz"); variable names
// (ASCII letters, digits, "_" and any character from U+00A0 on, not
// starting with a digit; a leading "$" is allowed); binary + - * /; unary - and +; parentheses.
// Units convert within a kind (1cm + 5mm is 1.5cm: the result is in the unit of the left term); a
// plain number added to a quantity counts in the quantity's unit (w + 1 with w = 3mm is 4mm);
// adding different kinds is an error. Products and quotients may pass through other dimensions
// (w*w/w) but the result must be a plain number or one of the table's kinds.
//
// An undefined variable, a cycle among variables, a syntax error, a division
// by zero or an unsupported result unit is an evaluation error: GetValue
// posts message MessageCatalogue::kEvaluationErrorMessage (severity error,
// arguments: the text and the reason) to the global message manager and
// returns 0. Evaluate reports the same without posting anything.
//
// Ownership: a value type. Thread-safety: like any value; evaluation reads
// the calling thread's variable contexts.
#pragma once

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"
#include "platform/basalt/Units.h"

class VariableValues;

namespace io {
class CBlock;
class ReadError;
}  // namespace io

class BASALT_EXPORT Value {
 public:
  // A plain 0 with no unit.
  Value();
  // 0 in `unitType`, for a value that is still to be read or assigned.
  explicit Value(Units::FullUnitType unitType);
  // `text` as an expression; a plain number in it counts in `unitType`.
  Value(const AString& text, Units::FullUnitType unitType);
  // The number in `unitType`; its text is the shortest that reads back as
  // the same double, followed by the unit's suffix ("3mm", "0.1", "2.5GHz").
  Value(double number, Units::FullUnitType unitType);

  Value(const Value&) = default;
  Value& operator=(const Value&) = default;
  // The text becomes the expression; the unit type stays.
  Value& operator=(const AString& text);

  // The number, in the unit GetUnits() gives; 0 after an evaluation error
  // (which is posted as a message).
  double GetValue() const;
  // The unit the number is in: the evaluated unit ("w" with w = 3mm gives mm),
  // the unit type for a plain number. The unit type after an evaluation
  // error, which is not posted here.
  Units::FullUnitType GetUnits() const;
  // The text as given.
  const AString& GetValueText() const { return mText; }
  // The unit a plain number in the text stands in.
  Units::FullUnitType GetUnitType() const { return mUnitType; }

  // Evaluates without posting anything. On success sets `number` and `unit`
  // and returns true; otherwise sets `error` to the reason and returns false.
  // `variables` null means the innermost live context (or none).
  bool Evaluate(double& number, Units::FullUnitType& unit, AString& error,
                const VariableValues* variables = nullptr) const;

  // True when the text parses, whatever its variables hold; `error` gets
  // the reason otherwise.
  bool IsSyntaxValid(AString& error) const;

  // Same text and same unit type. Equal expressions evaluate alike under any
  // variable set; texts that merely evaluate to the same number differ.
  bool operator==(const Value& other) const;
  bool operator!=(const Value& other) const { return !(*this == other); }

 private:
  AString mText;
  Units::FullUnitType mUnitType;
};

namespace io {
// Exchanges a Value as a named value holding its text (GetValueText()), with
// the requirement rules of the AString exchange (io/DataExchange.h). Reading
// makes the text read the value's expression and keeps its unit type; the
// text is not evaluated then, since its variables may not be known yet. A
// named value whose token is not a text (a bare number, say) is a wrong-type
// warning and leaves the value as it was, as for any AString.
BASALT_EXPORT ReadError DoDataExchange(CBlock& block, bool reading, const AString& key,
                                       Value& value, int requirement);
}  // namespace io

// Formats a double as the shortest text that reads back as the same value.
BASALT_EXPORT AString FormatShortestDouble(double number);
