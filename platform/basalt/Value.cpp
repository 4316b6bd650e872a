#include "platform/basalt/Value.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "platform/basalt/MessageCatalogue.h"
#include "platform/basalt/VariableValues.h"
#include "platform/basalt/VelmorMessage.h"

namespace {

// Limits that keep hostile texts from exhausting the stack.
constexpr int kMaxNesting = 200;
constexpr int kMaxVariableDepth = 100;

// Exponents of the base units a quantity carries.
struct Dims {
  int mLength = 0;
  int mFrequency = 0;
  int mAngle = 0;

  bool IsNone() const { return mLength == 0 && mFrequency == 0 && mAngle == 0; }
  bool operator==(const Dims&) const = default;
  Dims operator+(const Dims& o) const {
    return {mLength + o.mLength, mFrequency + o.mFrequency, mAngle + o.mAngle};
  }
  Dims operator-(const Dims& o) const {
    return {mLength - o.mLength, mFrequency - o.mFrequency, mAngle - o.mAngle};
  }
};

Dims DimsOf(Units::FullUnitType unit) {
  switch (Units::GetUnitKind(unit)) {
    case Units::kKindLength:
      return {1, 0, 0};
    case Units::kKindFrequency:
      return {0, 1, 0};
    case Units::kKindAngle:
      return {0, 0, 1};
    case Units::kKindNone:
      break;
  }
  return {};
}

// The single kind a quantity of these dimensions is, or kKindNone when it is
// a plain number or no kind of the table.
Units::UnitKind KindOf(const Dims& d) {
  if (d == Dims{1, 0, 0}) {
    return Units::kKindLength;
  }
  if (d == Dims{0, 1, 0}) {
    return Units::kKindFrequency;
  }
  if (d == Dims{0, 0, 1}) {
    return Units::kKindAngle;
  }
  return Units::kKindNone;
}

const wchar_t* KindName(Units::UnitKind kind) {
  switch (kind) {
    case Units::kKindLength:
      return L"a length";
    case Units::kKindFrequency:
      return L"a frequency";
    case Units::kKindAngle:
      return L"an angle";
    case Units::kKindNone:
      break;
  }
  return L"a plain number";
}

// A number with dimensions. Kept in a unit of the table as long as possible,
// so that "3mm" stays exactly 3 in mm; products of quantities with units fall
// back to base units (mIsBase).
struct Quantity {
  double mValue = 0.0;
  Dims mDims;
  Units::FullUnitType mUnit = Units::kNoUnit;
  bool mIsBase = false;

  double InBase() const {
    return mIsBase || mDims.IsNone() ? mValue : mValue * Units::GetUnitFactor(mUnit);
  }
};

bool IsSpace(wchar_t ch) {
  return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n';
}
bool IsDigit(wchar_t ch) {
  return ch >= L'0' && ch <= L'9';
}
// Names are ASCII letters, digits and "_" plus every character from U+00A0
// on, so that names in any script work the same under every locale.
bool IsNameStart(wchar_t ch) {
  return ch == L'_' || ch == L'$' || (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z') ||
         ch >= 0xA0;
}
bool IsNamePart(wchar_t ch) {
  return ch == L'_' || IsDigit(ch) || (ch != L'$' && IsNameStart(ch));
}

struct EvaluationContext {
  const VariableValues* mVariables = nullptr;
  std::vector<AString> mEvaluating;  // variables being evaluated, outermost first
};

bool EvaluateText(const AString& text, Units::FullUnitType unitType, EvaluationContext* context,
                  double& number, Units::FullUnitType& unit, AString& error);

// Parses and evaluates in one pass. Runs of + - and * / are walked in loops,
// so only parentheses and unary signs recurse, and those are limited. With
// no context the text is only checked: variables count as plain numbers and
// arithmetic is not judged.
class Expression {
 public:
  Expression(const AString& text, EvaluationContext* context) : mText(text), mContext(context) {}

  bool Evaluate(Units::FullUnitType unitType, double& number, Units::FullUnitType& unit,
                AString& error) {
    Quantity q;
    SkipSpace();
    if (mPos == mText.size()) {
      error = L"the expression is empty";
      return false;
    }
    bool ok = Sum(0, q);
    if (ok) {
      SkipSpace();
      if (mPos != mText.size()) {
        ok = Fail(L"unexpected " + Describe());
      }
    }
    ok = ok && Finish(q, unitType, number, unit);
    if (!ok) {
      error = mError;
    }
    return ok;
  }

 private:
  bool Checking() const { return mContext == nullptr; }

  void SkipSpace() {
    while (mPos < mText.size() && IsSpace(mText[mPos])) {
      ++mPos;
    }
  }

  AString Describe() const {
    if (mPos >= mText.size()) {
      return L"end of the expression";
    }
    return AString(L"\"") + AString(1, mText[mPos]) + L"\" at column " + std::to_wstring(mPos + 1);
  }

  bool Fail(const AString& error) {
    if (mError.empty()) {
      mError = error;
    }
    return false;
  }

  bool Sum(int depth, Quantity& out) {
    if (!Product(depth, out)) {
      return false;
    }
    while (true) {
      SkipSpace();
      if (mPos == mText.size() || (mText[mPos] != L'+' && mText[mPos] != L'-')) {
        return true;
      }
      const double sign = mText[mPos++] == L'+' ? 1.0 : -1.0;
      Quantity right;
      if (!Product(depth, right)) {
        return false;
      }
      Quantity left = out;
      if (!Checking() && !Add(left, right, sign, out)) {
        return false;
      }
    }
  }

  bool Product(int depth, Quantity& out) {
    if (!Unary(depth, out)) {
      return false;
    }
    while (true) {
      SkipSpace();
      if (mPos == mText.size() || (mText[mPos] != L'*' && mText[mPos] != L'/')) {
        return true;
      }
      const bool multiply = mText[mPos++] == L'*';
      Quantity right;
      if (!Unary(depth, right)) {
        return false;
      }
      if (Checking()) {
        continue;
      }
      Quantity left = out;
      if (multiply) {
        Multiply(left, right, out);
      } else if (!Divide(left, right, out)) {
        return false;
      }
    }
  }

  bool Unary(int depth, Quantity& out) {
    if (depth > kMaxNesting) {
      return Fail(L"the expression is nested too deeply");
    }
    SkipSpace();
    if (mPos < mText.size() && (mText[mPos] == L'-' || mText[mPos] == L'+')) {
      const bool negate = mText[mPos++] == L'-';
      if (!Unary(depth + 1, out)) {
        return false;
      }
      if (negate) {
        out.mValue = -out.mValue;
      }
      return true;
    }
    return Primary(depth, out);
  }

  bool Primary(int depth, Quantity& out) {
    if (mPos == mText.size()) {
      return Fail(L"unexpected end of the expression");
    }
    const wchar_t ch = mText[mPos];
    if (ch == L'(') {
      ++mPos;
      if (!Sum(depth + 1, out)) {
        return false;
      }
      SkipSpace();
      if (mPos == mText.size() || mText[mPos] != L')') {
        return Fail(L"missing \")\" before " + Describe());
      }
      ++mPos;
      return true;
    }
    if (IsDigit(ch) || (ch == L'.' && mPos + 1 < mText.size() && IsDigit(mText[mPos + 1]))) {
      return Number(out);
    }
    if (IsNameStart(ch)) {
      const AString name = ReadName();
      return Checking() ? (out = Quantity{}, true) : Variable(name, out);
    }
    return Fail(L"unexpected " + Describe());
  }

  AString ReadName() {
    const std::size_t start = mPos++;
    while (mPos < mText.size() && IsNamePart(mText[mPos])) {
      ++mPos;
    }
    return AString(mText.substr(start, mPos - start));
  }

  bool Number(Quantity& out) {
    const std::size_t start = mPos;
    std::string digits;
    while (mPos < mText.size() && IsDigit(mText[mPos])) {
      digits += static_cast<char>(mText[mPos++]);
    }
    if (mPos < mText.size() && mText[mPos] == L'.') {
      digits += '.';
      ++mPos;
      while (mPos < mText.size() && IsDigit(mText[mPos])) {
        digits += static_cast<char>(mText[mPos++]);
      }
    }
    // An exponent only when digits follow, so "2em" reads as 2 with unit "em".
    if (mPos < mText.size() && (mText[mPos] == L'e' || mText[mPos] == L'E')) {
      std::size_t look = mPos + 1;
      if (look < mText.size() && (mText[look] == L'+' || mText[look] == L'-')) {
        ++look;
      }
      if (look < mText.size() && IsDigit(mText[look])) {
        digits += 'e';
        if (look == mPos + 2) {
          digits += static_cast<char>(mText[mPos + 1]);
        }
        mPos = look;
        while (mPos < mText.size() && IsDigit(mText[mPos])) {
          digits += static_cast<char>(mText[mPos++]);
        }
      }
    }
    double number = 0.0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (result.ec != std::errc() || result.ptr != digits.data() + digits.size()) {
      return Fail(AString(L"the number at column ") + std::to_wstring(start + 1) +
                  L" is out of range");
    }
    Units::FullUnitType unit = Units::kNoUnit;
    const std::size_t afterNumber = mPos;
    SkipSpace();
    if (mPos < mText.size() && IsNameStart(mText[mPos])) {
      const std::size_t unitStart = mPos;
      const AString unitName = ReadName();
      if (!Units::FindUnit(unitName, unit)) {
        return Fail(AString(L"unknown unit \"") + unitName + L"\" at column " +
                    std::to_wstring(unitStart + 1));
      }
    } else {
      mPos = afterNumber;
    }
    out = Quantity{number, DimsOf(unit), unit, false};
    Remember(unit);
    return true;
  }

  void Remember(Units::FullUnitType unit) {
    const Units::UnitKind kind = Units::GetUnitKind(unit);
    if (kind != Units::kKindNone && mFirstUnit[kind] == Units::kNoUnit) {
      mFirstUnit[kind] = unit;
    }
  }

  bool Variable(const AString& name, Quantity& out) {
    const Value* value = mContext->mVariables ? mContext->mVariables->GetVariable(name) : nullptr;
    if (!value) {
      return Fail(AString(L"the variable \"") + name + L"\" is not defined");
    }
    for (const AString& open : mContext->mEvaluating) {
      if (open == name) {
        return Fail(AString(L"the variable \"") + name + L"\" depends on itself");
      }
    }
    if (static_cast<int>(mContext->mEvaluating.size()) >= kMaxVariableDepth) {
      return Fail(L"variables refer to each other too deeply");
    }
    mContext->mEvaluating.push_back(name);
    double number = 0.0;
    Units::FullUnitType unit = Units::kNoUnit;
    AString innerError;
    const bool ok = EvaluateText(value->GetValueText(), value->GetUnitType(), mContext, number,
                                 unit, innerError);
    mContext->mEvaluating.pop_back();
    if (!ok) {
      // Errors about a nested variable already say which; others get the
      // name of the variable whose text failed.
      return Fail(innerError.rfind(L"the variable", 0) == 0
                      ? innerError
                      : AString(L"the variable \"") + name + L"\": " + innerError);
    }
    out = Quantity{number, DimsOf(unit), unit, false};
    Remember(unit);
    return true;
  }

  bool Add(const Quantity& a, const Quantity& b, double sign, Quantity& out) {
    if (a.mDims == b.mDims) {
      out = a;
      if (a.mDims.IsNone()) {
        out.mValue = a.mValue + sign * b.mValue;
      } else if (!a.mIsBase && !b.mIsBase) {
        const double scale = a.mUnit == b.mUnit
                                 ? 1.0
                                 : Units::GetUnitFactor(b.mUnit) / Units::GetUnitFactor(a.mUnit);
        out.mValue = a.mValue + sign * b.mValue * scale;
      } else if (!a.mIsBase) {
        out.mValue = a.mValue + sign * b.mValue / Units::GetUnitFactor(a.mUnit);
      } else if (!b.mIsBase) {
        out = b;
        out.mValue = a.mValue / Units::GetUnitFactor(b.mUnit) + sign * b.mValue;
      } else {
        out.mValue = a.mValue + sign * b.mValue;
      }
      return true;
    }
    // A plain number counts in the unit of the quantity it is added to.
    if (a.mDims.IsNone()) {
      out = b;
      out.mValue = a.mValue + sign * b.mValue;
      return true;
    }
    if (b.mDims.IsNone()) {
      out = a;
      out.mValue = a.mValue + sign * b.mValue;
      return true;
    }
    if (KindOf(a.mDims) == Units::kKindNone || KindOf(b.mDims) == Units::kKindNone) {
      return Fail(L"cannot add quantities of different units");
    }
    return Fail(AString(L"cannot add ") + KindName(KindOf(a.mDims)) + L" and " +
                KindName(KindOf(b.mDims)));
  }

  static void Multiply(const Quantity& a, const Quantity& b, Quantity& out) {
    if (a.mDims.IsNone()) {
      out = b;
      out.mValue = a.mValue * b.mValue;
    } else if (b.mDims.IsNone()) {
      out = a;
      out.mValue = a.mValue * b.mValue;
    } else {
      out = Quantity{a.InBase() * b.InBase(), a.mDims + b.mDims, Units::kNoUnit, false};
      out.mIsBase = !out.mDims.IsNone();
    }
  }

  bool Divide(const Quantity& a, const Quantity& b, Quantity& out) {
    if (b.mValue == 0.0) {
      return Fail(L"division by zero");
    }
    if (b.mDims.IsNone()) {
      out = a;
      out.mValue = a.mValue / b.mValue;
    } else {
      out = Quantity{a.InBase() / b.InBase(), a.mDims - b.mDims, Units::kNoUnit, false};
      out.mIsBase = !out.mDims.IsNone();
    }
    return true;
  }

  // The unit of the whole expression's result.
  bool Finish(const Quantity& q, Units::FullUnitType unitType, double& number,
              Units::FullUnitType& unit) {
    if (Checking()) {
      number = 0.0;
      unit = unitType;
      return true;
    }
    if (q.mDims.IsNone()) {
      number = q.mValue;
      unit = Units::IsKnownUnit(unitType) ? unitType : Units::kNoUnit;
    } else if (!q.mIsBase) {
      number = q.mValue;
      unit = q.mUnit;
    } else {
      const Units::UnitKind kind = KindOf(q.mDims);
      if (kind == Units::kKindNone) {
        return Fail(L"the result has a unit that is not supported");
      }
      unit = mFirstUnit[kind] != Units::kNoUnit ? mFirstUnit[kind] : Units::GetBaseUnit(kind);
      number = q.mValue / Units::GetUnitFactor(unit);
    }
    if (!std::isfinite(number)) {
      return Fail(L"the result is not a finite number");
    }
    return true;
  }

  const AString& mText;
  EvaluationContext* mContext;
  std::size_t mPos = 0;
  AString mError;
  Units::FullUnitType mFirstUnit[4] = {Units::kNoUnit, Units::kNoUnit, Units::kNoUnit,
                                       Units::kNoUnit};
};

bool EvaluateText(const AString& text, Units::FullUnitType unitType, EvaluationContext* context,
                  double& number, Units::FullUnitType& unit, AString& error) {
  return Expression(text, context).Evaluate(unitType, number, unit, error);
}

AString TextOf(double number, Units::FullUnitType unitType) {
  return FormatShortestDouble(number) + Units::GetUnitName(unitType);
}

}  // namespace

AString FormatShortestDouble(double number) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  return AString::FromUtf8(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

Value::Value() : Value(Units::kNoUnit) {}

Value::Value(Units::FullUnitType unitType) : mText(L"0"), mUnitType(unitType) {}

Value::Value(const AString& text, Units::FullUnitType unitType)
    : mText(text), mUnitType(unitType) {}

Value::Value(double number, Units::FullUnitType unitType)
    : mText(TextOf(number, unitType)), mUnitType(unitType) {}

Value& Value::operator=(const AString& text) {
  mText = text;
  return *this;
}

bool Value::Evaluate(double& number, Units::FullUnitType& unit, AString& error,
                     const VariableValues* variables) const {
  EvaluationContext context;
  context.mVariables = variables ? variables : VariableValuesContext::GetCurrentValues();
  error.clear();
  return EvaluateText(mText, mUnitType, &context, number, unit, error);
}

double Value::GetValue() const {
  double number = 0.0;
  Units::FullUnitType unit = mUnitType;
  AString error;
  if (Evaluate(number, unit, error)) {
    return number;
  }
  VelmorMessage message(kErrorMessage, 0, MessageCatalogue::kEvaluationErrorMessage, 0,
                        MessageCatalogue::kCoreModuleID, MessageManagerStrings::kNullStr,
                        MessageManagerStrings::kNullStr, false);
  message.AddArg(0, mText);
  message.AddArg(1, error);
  GetGlobalIMessageManager().AddMessage(message);
  return 0.0;
}

Units::FullUnitType Value::GetUnits() const {
  double number = 0.0;
  Units::FullUnitType unit = mUnitType;
  AString error;
  return Evaluate(number, unit, error) ? unit : mUnitType;
}

bool Value::IsSyntaxValid(AString& error) const {
  error.clear();
  double number = 0.0;
  Units::FullUnitType unit = mUnitType;
  return EvaluateText(mText, mUnitType, nullptr, number, unit, error);
}

bool Value::operator==(const Value& other) const {
  return mUnitType == other.mUnitType && mText == other.mText;
}
