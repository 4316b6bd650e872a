// Variant: the automation VARIANT as a C++ value.
//
// A Variant holds Empty, Null, Missing (an omitted optional argument), Boolean, Byte, Long,
// Double, String (UTF-8 text; lengths and cuts count characters), Object (a counted reference,
// Nothing when empty) or Record (a copy of one user-defined record). Copying a Variant copies
// a record and adds a reference to an object, as VariantCopy does.
//
// Conversions and comparisons follow the automation runtime's rules and raise AutomationError
// with the runtime's numbers: 94 for Null used as a value, 13 for a type mismatch (also for a
// Missing argument used as a value), 6 for overflow, 91 for Nothing where an object is needed.
//
// A record type R is any copyable struct with `static constexpr std::string_view kRecordName`.
// Not thread-safe; a Variant belongs to the thread that uses it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "platform/automation/AutomationError.h"
#include "platform/automation/AutomationExport.h"
#include "platform/automation/Object.h"

namespace automation {

enum class VariantType {
  Empty,
  Null,
  Missing,
  Boolean,
  Byte,
  Long,
  Double,
  String,
  Object,
  Record
};

// The name is checked first: asking whether Variant itself is copyable while
// its own converting constructor is being considered recurses, which clang
// rejects.
template <class R>
concept AutomationRecord = requires {
  { R::kRecordName } -> std::convertible_to<std::string_view>;
}
&&std::is_copy_constructible_v<R>;

// Type-erased copy of a record inside a Variant.
class AUTOMATION_EXPORT RecordHolder {
 public:
  virtual ~RecordHolder();
  virtual std::unique_ptr<RecordHolder> Clone() const = 0;
  virtual std::string_view GetRecordName() const = 0;
};

template <AutomationRecord R>
class RecordHolderOf final : public RecordHolder {
 public:
  explicit RecordHolderOf(R value) : mValue(std::move(value)) {}
  std::unique_ptr<RecordHolder> Clone() const override {
    return std::make_unique<RecordHolderOf>(mValue);
  }
  std::string_view GetRecordName() const override { return R::kRecordName; }
  R& Value() { return mValue; }

 private:
  R mValue;
};

class AUTOMATION_EXPORT Variant {
 public:
  Variant() = default;  // Empty
  Variant(bool value) : mValue(value) {}
  Variant(std::uint8_t value) : mValue(value) {}
  Variant(std::int32_t value) : mValue(value) {}
  Variant(double value) : mValue(value) {}
  Variant(std::string value) : mValue(std::move(value)) {}
  Variant(std::string_view value) : mValue(std::string(value)) {}
  Variant(const char* value) : mValue(std::string(value)) {}
  template <class T>
  Variant(const ObjectPtr<T>& object) : mValue(ObjectPtr<Object>(object)) {}
  template <AutomationRecord R>
  Variant(const R& record) : mValue(RecordBox(std::make_unique<RecordHolderOf<R>>(record))) {}

  static Variant Null();
  static Variant Missing();
  static Variant Nothing();

  Variant(const Variant&) = default;
  Variant(Variant&&) noexcept = default;
  Variant& operator=(const Variant&) = default;
  Variant& operator=(Variant&&) noexcept = default;

  VariantType GetType() const { return static_cast<VariantType>(mValue.index()); }
  bool IsEmpty() const { return GetType() == VariantType::Empty; }
  bool IsNull() const { return GetType() == VariantType::Null; }
  bool IsMissing() const { return GetType() == VariantType::Missing; }
  bool IsObject() const { return GetType() == VariantType::Object; }
  bool IsNothing() const { return IsObject() && !std::get<ObjectPtr<Object>>(mValue); }
  bool IsRecord() const { return GetType() == VariantType::Record; }
  // Boolean, Byte, Long or Double (Empty counts as 0 in arithmetic but is not numeric here).
  bool IsNumeric() const;

  // Conversions with the runtime's rules (CBool, CByte, CLng, CDbl, CStr).
  bool ToBool() const;
  std::uint8_t ToByte() const;
  std::int32_t ToLong() const;
  double ToDouble() const;
  std::string ToString() const;
  // The object reference; Nothing gives an empty pointer, a non-object raises 13.
  ObjectPtr<Object> ToObject() const;

  // The record of type R held here; raises 13 when the Variant holds something else.
  template <AutomationRecord R>
  const R& GetRecord() const {
    return const_cast<Variant*>(this)->GetRecord<R>();
  }
  template <AutomationRecord R>
  R& GetRecord() {
    if (auto* holder = HolderOf<R>()) {
      return holder->Value();
    }
    RaiseRuntimeError(kErrTypeMismatch);
  }
  template <AutomationRecord R>
  bool HoldsRecord() const {
    return const_cast<Variant*>(this)->HolderOf<R>() != nullptr;
  }
  // Name of the record type held, "" when not a record.
  std::string_view GetRecordName() const;

 private:
  struct NullTag {};
  struct MissingTag {};
  // Value-semantic box so that copying a Variant copies its record.
  class RecordBox {
   public:
    explicit RecordBox(std::unique_ptr<RecordHolder> holder) : mHolder(std::move(holder)) {}
    RecordBox(const RecordBox& other) : mHolder(other.mHolder->Clone()) {}
    RecordBox(RecordBox&&) noexcept = default;
    RecordBox& operator=(const RecordBox& other) {
      mHolder = other.mHolder->Clone();
      return *this;
    }
    RecordBox& operator=(RecordBox&&) noexcept = default;
    RecordHolder* Get() const { return mHolder.get(); }

   private:
    std::unique_ptr<RecordHolder> mHolder;
  };

  template <AutomationRecord R>
  RecordHolderOf<R>* HolderOf() {
    auto* box = std::get_if<RecordBox>(&mValue);
    if (box == nullptr || box->Get()->GetRecordName() != R::kRecordName) {
      return nullptr;
    }
    return static_cast<RecordHolderOf<R>*>(box->Get());
  }

  // Order matches VariantType.
  std::variant<std::monostate, NullTag, MissingTag, bool, std::uint8_t, std::int32_t, double,
               std::string, ObjectPtr<Object>, RecordBox>
      mValue;
};

// `a = b` with both operands Variants. Null raises 94, Missing 13, Nothing 91, an object 438,
// a record 13. A number and a text are never equal; Empty equals "" and 0; text compares
// exactly (binary comparison).
AUTOMATION_EXPORT bool VariantEquals(const Variant& a, const Variant& b);
// `a = "text"` with a typed String on the right: a numeric Variant compares with the text's
// number, and never equals a text that is no number (so a number is not equal to "").
AUTOMATION_EXPORT bool VariantEqualsText(const Variant& a, std::string_view text);

// CLng of a Double: nearest integer, halves to even; raises 6 outside the Long range.
AUTOMATION_EXPORT std::int32_t RoundToLong(double value);

// Text helpers with the runtime's character semantics over UTF-8.
AUTOMATION_EXPORT std::size_t TextLength(std::string_view text);                   // Len
AUTOMATION_EXPORT std::string TextLeft(std::string_view text, std::size_t count);  // Left$
AUTOMATION_EXPORT std::string TextMid(std::string_view text, std::size_t start,
                                      std::size_t count);       // Mid$, one-based start
AUTOMATION_EXPORT std::string TextTrim(std::string_view text);  // Trim$: spaces only
// UCase$: the full upper-case mapping of every letter that has one ("straße" gives "STRASSE"),
// the one the store's UCASE and its case-blind comparisons use too.
AUTOMATION_EXPORT std::string TextUpper(std::string_view text);
// InStr(1, text, find) with binary comparison: one-based position, 0 when absent, 1 for "".
AUTOMATION_EXPORT std::size_t TextFind(std::string_view text, std::string_view find);

}  // namespace automation
