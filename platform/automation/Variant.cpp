#include "platform/automation/Variant.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/casefold/CaseFold.h"

namespace automation {

RecordHolder::~RecordHolder() = default;

namespace {

// Decodes one UTF-8 sequence at text[pos]; malformed bytes count as one character each so that
// lengths stay defined for any input.
std::size_t SequenceLength(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 1;
  if (lead >= 0xF0 && lead < 0xF8) {
    length = 4;
  } else if (lead >= 0xE0) {
    length = lead < 0xF0 ? 3 : 1;
  } else if (lead >= 0xC0) {
    length = 2;
  }
  if (pos + length > text.size()) {
    return 1;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) {
      return 1;
    }
  }
  return length;
}

// Byte offset of the character with zero-based index `index` (or text.size()).
std::size_t OffsetOfCharacter(std::string_view text, std::size_t index) {
  std::size_t pos = 0;
  while (index > 0 && pos < text.size()) {
    pos += SequenceLength(text, pos);
    --index;
  }
  return pos;
}

// CDbl of a text: optional spaces, a decimal number, optional spaces. Empty text is not a
// number.
bool ParseNumber(std::string_view text, double& out) {
  const std::string trimmed = TextTrim(text);
  if (trimmed.empty()) {
    return false;
  }
  if (trimmed.size() > 2 && trimmed[0] == '&' && (trimmed[1] == 'H' || trimmed[1] == 'h')) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(trimmed.c_str() + 2, &end, 16);
    if (*end != '\0' || errno != 0 || value > 0xFFFFFFFFull) {
      return false;
    }
    out = static_cast<double>(value);
    return true;
  }
  // strtod accepts "inf", "nan" and hex floats, which the runtime does not.
  for (char c : trimmed) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E')) {
      return false;
    }
  }
  char* end = nullptr;
  const double value = std::strtod(trimmed.c_str(), &end);
  if (*end != '\0') {
    return false;
  }
  out = value;
  return true;
}

[[noreturn]] void RaiseForNonValue(const Variant& v) {
  switch (v.GetType()) {
    case VariantType::Null:
      RaiseRuntimeError(kErrInvalidUseOfNull);
    case VariantType::Object:
      RaiseRuntimeError(v.IsNothing() ? kErrObjectNotSet : kErrNoSuchMember);
    default:
      RaiseRuntimeError(kErrTypeMismatch);
  }
}

// The numeric value of Empty, Boolean, Byte, Long or Double.
bool NumericValue(const Variant& v, double& out) {
  switch (v.GetType()) {
    case VariantType::Empty:
      out = 0;
      return true;
    case VariantType::Boolean:
    case VariantType::Byte:
    case VariantType::Long:
    case VariantType::Double:
      out = v.ToDouble();
      return true;
    default:
      return false;
  }
}

void RequireComparable(const Variant& v) {
  switch (v.GetType()) {
    case VariantType::Null:
    case VariantType::Missing:
    case VariantType::Object:
    case VariantType::Record:
      RaiseForNonValue(v);
    default:
      break;
  }
}

}  // namespace

Variant Variant::Null() {
  Variant v;
  v.mValue = NullTag{};
  return v;
}

Variant Variant::Missing() {
  Variant v;
  v.mValue = MissingTag{};
  return v;
}

Variant Variant::Nothing() {
  Variant v;
  v.mValue = ObjectPtr<Object>();
  return v;
}

bool Variant::IsNumeric() const {
  switch (GetType()) {
    case VariantType::Boolean:
    case VariantType::Byte:
    case VariantType::Long:
    case VariantType::Double:
      return true;
    default:
      return false;
  }
}

double Variant::ToDouble() const {
  switch (GetType()) {
    case VariantType::Empty:
      return 0;
    case VariantType::Boolean:
      return std::get<bool>(mValue) ? -1 : 0;
    case VariantType::Byte:
      return std::get<std::uint8_t>(mValue);
    case VariantType::Long:
      return std::get<std::int32_t>(mValue);
    case VariantType::Double:
      return std::get<double>(mValue);
    case VariantType::String: {
      const auto& text = std::get<std::string>(mValue);
      double value = 0;
      if (ParseNumber(text, value)) {
        return value;
      }
      const std::string upper = TextUpper(TextTrim(text));
      if (upper == "TRUE") {
        return -1;
      }
      if (upper == "FALSE") {
        return 0;
      }
      RaiseRuntimeError(kErrTypeMismatch);
    }
    default:
      RaiseForNonValue(*this);
  }
}

std::int32_t Variant::ToLong() const {
  if (GetType() == VariantType::Long) {
    return std::get<std::int32_t>(mValue);
  }
  return RoundToLong(ToDouble());
}

std::uint8_t Variant::ToByte() const {
  const std::int32_t value = ToLong();
  if (value < 0 || value > 255) {
    RaiseRuntimeError(kErrOverflow);
  }
  return static_cast<std::uint8_t>(value);
}

bool Variant::ToBool() const {
  return ToDouble() != 0;
}

std::string Variant::ToString() const {
  switch (GetType()) {
    case VariantType::Empty:
      return {};
    case VariantType::Boolean:
      return std::get<bool>(mValue) ? "True" : "False";
    case VariantType::Byte:
      return std::to_string(std::get<std::uint8_t>(mValue));
    case VariantType::Long:
      return std::to_string(std::get<std::int32_t>(mValue));
    case VariantType::Double: {
      // Fifteen significant digits, exponent form beyond them, as the runtime prints.
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.15G", std::get<double>(mValue));
      std::string text = buffer;
      if (text == "-0") {
        text = "0";
      }
      return text;
    }
    case VariantType::String:
      return std::get<std::string>(mValue);
    default:
      RaiseForNonValue(*this);
  }
}

ObjectPtr<Object> Variant::ToObject() const {
  if (const auto* object = std::get_if<ObjectPtr<Object>>(&mValue)) {
    return *object;
  }
  RaiseRuntimeError(kErrTypeMismatch);
}

std::string_view Variant::GetRecordName() const {
  if (const auto* box = std::get_if<RecordBox>(&mValue)) {
    return box->Get()->GetRecordName();
  }
  return {};
}

bool VariantEquals(const Variant& a, const Variant& b) {
  RequireComparable(a);
  RequireComparable(b);
  const bool aText = a.GetType() == VariantType::String;
  const bool bText = b.GetType() == VariantType::String;
  if (aText || bText) {
    // Empty takes the other operand's kind; a number never equals a text.
    if ((aText || a.IsEmpty()) && (bText || b.IsEmpty())) {
      return a.ToString() == b.ToString();
    }
    return false;
  }
  double x = 0;
  double y = 0;
  NumericValue(a, x);
  NumericValue(b, y);
  return x == y;
}

bool VariantEqualsText(const Variant& a, std::string_view text) {
  RequireComparable(a);
  if (a.GetType() == VariantType::String || a.IsEmpty()) {
    return a.ToString() == text;
  }
  // A text that is no number cannot equal a number (a numeric cell compared with "" is
  // simply not equal).
  double number = 0;
  return ParseNumber(text, number) && a.ToDouble() == number;
}

std::int32_t RoundToLong(double value) {
  if (std::isnan(value)) {
    RaiseRuntimeError(kErrOverflow);
  }
  const double rounded = std::nearbyint(value);  // default mode: halves to even
  if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    RaiseRuntimeError(kErrOverflow);
  }
  return static_cast<std::int32_t>(rounded);
}

std::size_t TextLength(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += SequenceLength(text, pos)) {
    ++count;
  }
  return count;
}

std::string TextLeft(std::string_view text, std::size_t count) {
  return std::string(text.substr(0, OffsetOfCharacter(text, count)));
}

std::string TextMid(std::string_view text, std::size_t start, std::size_t count) {
  if (start == 0) {
    RaiseRuntimeError(kErrInvalidCall);
  }
  const std::size_t from = OffsetOfCharacter(text, start - 1);
  const std::string_view rest = text.substr(from);
  return std::string(rest.substr(0, OffsetOfCharacter(rest, count)));
}

std::string TextTrim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return {};
  }
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string TextUpper(std::string_view text) {
  return casefold::Upper(text);
}

std::size_t TextFind(std::string_view text, std::string_view find) {
  const std::size_t at = text.find(find);
  if (at == std::string_view::npos) {
    return 0;
  }
  return TextLength(text.substr(0, at)) + 1;
}

}  // namespace automation
