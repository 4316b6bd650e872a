// The in-memory side of the block text format: named blocks of ordered items.
//
// A CBlock is a named, ordered list of items. An item is one of
//   - a sub-block (CBlock),
//   - a named value (CBlock_named_value): a name and one CToken,
//   - a function item (CBlock_func): a name and ordered arguments, each a
//     value or a named value,
//   - a vector item (CBlock_vec): a name and ordered CTokens.
// A CToken is a text (AString), a long, a double or a bool. Names are any
// text, the empty one included, and several items may share a name.
//
// Storage: names and texts are kept as UTF-8 (extended so that every wchar_t
// value survives, see detail::PackedCell) in 16 bytes each, inline when
// short, and become AStrings only when asked for; a token is 16 bytes too.
// So Name() and ArgName() hand out a new AString each time.
//
// Ownership: a block holds its items through shared pointers, so a
// CBlock_ptr handed out by `>>` (or appended with `<<`) refers to the very
// item inside the block; changes through it show in the block. Copying a
// CBlock, and appending a CBlock, CBlock_func, CBlock_vec or
// CBlock_named_value by value, copies it deeply; appending a CBlock_ptr shares
// the pointee. `>>` never removes the item it finds.
//
// Finding: `block >> ptr` looks for the first item whose name equals
// ptr.Name() exactly (case matters) and whose kind is the pointer's, and sets
// the public flag mGood to whether it found one. Finding a key in a large
// block is a hash look-up, so reading items one by one stays linear.
//
// Thread-safety: none. A block may be walked from several threads only while
// nobody changes it and nobody calls `>>` or Find on it (they set mGood and
// may build the look-up index). Blocks on different threads must not share
// items: appending and releasing an item updates a count inside it. Renaming
// is counted process-wide with an atomic and is safe anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"

namespace io {

class CBlock;
class CBlock_named_value;
class CBlock_func;
class CBlock_vec;

namespace detail {

// The 16 bytes behind every name and token: a text of up to 15 bytes inline,
// a longer one on the heap (owned), or a long, double or bool. Copies are
// deep. No thread-safety beyond that of a plain value.
//
// Texts are held in "wide UTF-8": each wchar_t unit as its UTF-8 sequence,
// with lone surrogates in three bytes, values beyond U+10FFFF in the old
// five- and six-byte forms and values from 0x80000000 up in seven bytes
// (0xFE and six continuation bytes); where wchar_t is 16 bits a surrogate
// pair becomes the one four-byte sequence of its code point. Every wchar_t
// string has exactly one such form, so equal texts have equal bytes, and the
// text of any valid UTF-8 file is already in it.
class BASALT_EXPORT PackedCell {
 public:
  enum class Kind : unsigned char { Text, Long, Double, Bool };

  PackedCell() noexcept { mBytes[kTagByte] = 0; }
  // Throws std::length_error for texts of 4 GiB or more.
  static PackedCell Text(std::string_view packed);
  static PackedCell Long(long number) noexcept;
  static PackedCell Double(double number) noexcept;
  static PackedCell Bool(bool flag) noexcept;

  PackedCell(const PackedCell& other);
  PackedCell& operator=(const PackedCell& other);
  // Moves and destruction are inline: a large tree makes millions of them.
  PackedCell(PackedCell&& other) noexcept {
    std::memcpy(mBytes, other.mBytes, sizeof mBytes);
    other.mBytes[kTagByte] = 0;
  }
  PackedCell& operator=(PackedCell&& other) noexcept {
    if (this != &other) {
      Free();
      std::memcpy(mBytes, other.mBytes, sizeof mBytes);
      other.mBytes[kTagByte] = 0;
    }
    return *this;
  }
  ~PackedCell() { Free(); }

  Kind GetKind() const noexcept {
    const unsigned char tag = Tag();
    return tag <= kHeapTag ? Kind::Text : static_cast<Kind>(tag - kHeapTag);
  }
  // Each getter requires the matching kind.
  std::string_view GetText() const noexcept {
    if (Tag() == kHeapTag) {
      return HeapText();
    }
    return std::string_view(reinterpret_cast<const char*>(mBytes), Tag());
  }
  long GetLong() const noexcept;
  double GetDouble() const noexcept;
  bool GetBool() const noexcept;

  // Same kind and the same bytes; doubles compare by bit pattern.
  bool operator==(const PackedCell& other) const noexcept;

 private:
  static constexpr int kTagByte = 15;
  // Tags 0 to 15 are inline text lengths.
  static constexpr unsigned char kHeapTag = 0x80;
  static constexpr unsigned char kLongTag = 0x81;
  static constexpr unsigned char kDoubleTag = 0x82;
  static constexpr unsigned char kBoolTag = 0x83;

  unsigned char Tag() const noexcept { return mBytes[kTagByte]; }
  void Free() noexcept {
    if (Tag() == kHeapTag) {
      FreeHeap();
    }
    mBytes[kTagByte] = 0;
  }
  void FreeHeap() noexcept;
  std::string_view HeapText() const noexcept;
  void CopyFrom(const PackedCell& other);

  // Heap texts: the pointer in bytes 0-7, the size (32 bits) in bytes 8-11.
  alignas(8) unsigned char mBytes[16];
};

// Conversions between wide strings and their packed form.
BASALT_EXPORT std::string PackWide(std::wstring_view text);
// Appends one wchar_t unit (as its unsigned 32-bit pattern); where wchar_t
// is 16 bits, a low surrogate right after a packed high one joins it.
BASALT_EXPORT void AppendWideUnit(std::string& packed, std::uint32_t unit);
// Bytes that are no packed form (which only a bug could produce) become
// U+FFFD, one per byte; nothing is read past the end.
BASALT_EXPORT AString UnpackWide(std::string_view packed);

// The block text reader and writer, which work on the packed forms directly.
struct BlockAccess;

}  // namespace detail

// One scalar of the block text format.
class BASALT_EXPORT CToken {
 public:
  enum class Kind { Text, Long, Double, Bool };

  CToken() = default;  // the empty text
  CToken(const AString& text) : mCell(detail::PackedCell::Text(detail::PackWide(text))) {}
  // For the std::wstring that `AString + AString` gives.
  CToken(const std::wstring& text) : mCell(detail::PackedCell::Text(detail::PackWide(text))) {}
  CToken(const wchar_t* text)
      : mCell(detail::PackedCell::Text(detail::PackWide(text ? text : L""))) {}
  CToken(int number) : mCell(detail::PackedCell::Long(number)) {}
  CToken(long number) : mCell(detail::PackedCell::Long(number)) {}
  CToken(double number) : mCell(detail::PackedCell::Double(number)) {}
  CToken(bool flag) : mCell(detail::PackedCell::Bool(flag)) {}
  // A narrow string would otherwise become the bool true.
  CToken(const char*) = delete;

  Kind GetKind() const { return static_cast<Kind>(mCell.GetKind()); }
  bool IsText() const { return GetKind() == Kind::Text; }

  // Each Query stores the token's value in `out` and returns true when the
  // token holds that kind; otherwise `out` is left alone and the result is
  // false. The only conversions made are lossless ones: a long queried as a
  // double (when the double holds it exactly), and a long queried as an int
  // when it fits. Texts are never parsed as numbers, and numbers never
  // answer a text query.
  bool Query(AString& out) const;
  bool Query(long& out) const;
  bool Query(int& out) const;
  bool Query(double& out) const;
  bool Query(bool& out) const;

  // The token as a text: texts as they are, numbers in the form the writer
  // uses (shortest round-trip form for doubles), bools as "true"/"false".
  AString FormatText() const;

  // Same kind and identical value; doubles compare by bit pattern, so a NaN
  // equals itself and -0.0 differs from 0.0.
  bool operator==(const CToken& other) const { return mCell == other.mCell; }

 private:
  friend struct detail::BlockAccess;
  // Its kinds are in the order of Kind.
  detail::PackedCell mCell;
};

// A bare value: the payload of a named value or of a function argument.
class BASALT_EXPORT CBlock_value {
 public:
  CBlock_value() = default;
  CBlock_value(const CToken& token) : mToken(token) {}
  CBlock_value(const AString& text) : mToken(text) {}
  CBlock_value(const std::wstring& text) : mToken(text) {}
  CBlock_value(const wchar_t* text) : mToken(text) {}
  CBlock_value(int number) : mToken(number) {}
  CBlock_value(long number) : mToken(number) {}
  CBlock_value(double number) : mToken(number) {}
  CBlock_value(bool flag) : mToken(flag) {}
  CBlock_value(const char*) = delete;

  const CToken& GetToken() const { return mToken; }
  void SetToken(const CToken& token) { mToken = token; }
  template <class T>
  bool Query(T& out) const {
    return mToken.Query(out);
  }
  bool operator==(const CBlock_value& other) const { return mToken == other.mToken; }

 private:
  friend struct detail::BlockAccess;
  CToken mToken;
};

// Common base of everything a block can hold.
class BASALT_EXPORT CBlock_item {
 public:
  enum class Kind { Block, NamedValue, Func, Vec };

  virtual ~CBlock_item();

  Kind GetKind() const { return mKind; }
  // A new AString each time (see Storage above).
  AString Name() const { return detail::UnpackWide(mName.GetText()); }
  // Renaming is allowed at any time, also for items inside blocks; blocks
  // notice it before their next look-up.
  void SetName(const AString& name);

  // A deep copy of the item; the caller gets the only reference.
  virtual std::shared_ptr<CBlock_item> CloneItem() const = 0;
  // Same kind, same name and equal content, recursively.
  virtual bool IsEqual(const CBlock_item& other) const = 0;

  // The item as its concrete class, or null when it is of another kind.
  CBlock* AsBlock();
  const CBlock* AsBlock() const;
  CBlock_named_value* AsNamedValue();
  const CBlock_named_value* AsNamedValue() const;
  CBlock_func* AsFunc();
  const CBlock_func* AsFunc() const;
  CBlock_vec* AsVec();
  const CBlock_vec* AsVec() const;

 protected:
  CBlock_item(Kind kind, const AString& name)
      : mKind(kind), mName(detail::PackedCell::Text(detail::PackWide(name))) {}
  // A copy is held by no block yet.
  CBlock_item(const CBlock_item& other) : mKind(other.mKind), mName(other.mName) {}
  CBlock_item& operator=(const CBlock_item& other);
  // Moving keeps the name on the source too: the source may still sit in a
  // block whose index refers to it by that name.
  CBlock_item(CBlock_item&& other) : mKind(other.mKind), mName(other.mName) {}
  CBlock_item& operator=(CBlock_item&& other) { return *this = other; }

 private:
  friend class CBlock;
  friend struct detail::BlockAccess;

  Kind mKind;
  // How many blocks hold this item; only renames of held items concern the
  // blocks' look-up indexes.
  int mHolders = 0;
  detail::PackedCell mName;
};

using CBlock_item_ptr = std::shared_ptr<CBlock_item>;

// A named pointer to an item of one kind. Built with a name alone it is a
// request for `CBlock::operator>>`, which fills it (or resets it to null) and
// keeps the name. Copies share the pointee.
template <class T>
class CBlock_ptr {
 public:
  CBlock_ptr() = default;
  explicit CBlock_ptr(const AString& name) : mName(name) {}
  explicit CBlock_ptr(const wchar_t* name) : mName(name) {}
  CBlock_ptr(std::shared_ptr<T> item) : mPtr(std::move(item)) {
    if (mPtr)
      mName = mPtr->Name();
  }
  // Null unless `item` is of kind T.
  explicit CBlock_ptr(const CBlock_item_ptr& item) {
    if (item && item->GetKind() == T::kItemKind) {
      mPtr = std::static_pointer_cast<T>(item);
      mName = mPtr->Name();
    }
  }

  // A new, empty item of kind T named `name`.
  static CBlock_ptr Make(const AString& name) { return CBlock_ptr(std::make_shared<T>(name)); }

  T* get() const { return mPtr.get(); }
  T* operator->() const { return mPtr.get(); }
  T& operator*() const { return *mPtr; }
  explicit operator bool() const { return mPtr != nullptr; }
  bool IsNull() const { return mPtr == nullptr; }
  const std::shared_ptr<T>& Shared() const { return mPtr; }

  // The pointee's name, or the wanted name while the pointer is null.
  AString Name() const { return mPtr ? mPtr->Name() : mName; }
  void SetName(const AString& name) {
    mName = name;
    if (mPtr)
      mPtr->SetName(name);
  }
  // Drops the pointee and keeps the name.
  void reset() { mPtr.reset(); }

 private:
  AString mName;
  std::shared_ptr<T> mPtr;
};

class BASALT_EXPORT CBlock_named_value : public CBlock_item {
 public:
  static constexpr Kind kItemKind = Kind::NamedValue;

  explicit CBlock_named_value(const AString& name = AString()) : CBlock_item(kItemKind, name) {}
  CBlock_named_value(const AString& name, const CBlock_value& value)
      : CBlock_item(kItemKind, name), mValue(value) {}
  CBlock_named_value(const CBlock_named_value&) = default;
  CBlock_named_value& operator=(const CBlock_named_value&) = default;
  ~CBlock_named_value() override;

  const CBlock_value& GetValue() const { return mValue; }
  void SetValue(const CBlock_value& value) { mValue = value; }
  const CToken& GetToken() const { return mValue.GetToken(); }
  template <class T>
  bool Query(T& out) const {
    return mValue.Query(out);
  }

  std::shared_ptr<CBlock_item> CloneItem() const override;
  bool IsEqual(const CBlock_item& other) const override;

 private:
  friend struct detail::BlockAccess;
  CBlock_value mValue;
};

// A function item: a name followed by ordered arguments. Each argument is a
// value, optionally with a name of its own.
class BASALT_EXPORT CBlock_func : public CBlock_item {
 public:
  static constexpr Kind kItemKind = Kind::Func;

  explicit CBlock_func(const AString& name = AString()) : CBlock_item(kItemKind, name) {}
  CBlock_func(const CBlock_func&) = default;
  CBlock_func& operator=(const CBlock_func&) = default;
  ~CBlock_func() override;

  // Appends an unnamed argument.
  CBlock_func& operator<<(const CBlock_value& value);
  // Appends a named argument.
  CBlock_func& operator<<(const CBlock_named_value& value);
  void Reserve(std::size_t count) { mArgs.reserve(count); }
  void Clear() { mArgs.clear(); }

  std::size_t Size() const { return mArgs.size(); }
  // The value of argument i (0-based); throws std::out_of_range for
  // i >= Size().
  const CToken& Item(std::size_t i) const { return mArgs.at(i).mToken; }
  // Argument i queried as T; false when there is no such argument or it is
  // of another kind (then `out` is left alone).
  template <class T>
  bool Query(std::size_t i, T& out) const {
    return i < mArgs.size() && mArgs[i].mToken.Query(out);
  }
  bool IsNamedArg(std::size_t i) const { return mArgs.at(i).mHasName; }
  // The name of argument i; empty for an unnamed argument.
  AString ArgName(std::size_t i) const { return detail::UnpackWide(mArgs.at(i).mName.GetText()); }
  // The value of the first argument named `name`, or null.
  const CToken* FindArg(const AString& name) const;

  std::shared_ptr<CBlock_item> CloneItem() const override;
  bool IsEqual(const CBlock_item& other) const override;

 private:
  friend struct detail::BlockAccess;
  struct Arg {
    detail::PackedCell mName;
    CToken mToken;
    bool mHasName = false;
    bool operator==(const Arg& other) const = default;
  };
  std::vector<Arg> mArgs;
};

// A vector item: a name followed by ordered tokens.
class BASALT_EXPORT CBlock_vec : public CBlock_item {
 public:
  static constexpr Kind kItemKind = Kind::Vec;

  explicit CBlock_vec(const AString& name = AString()) : CBlock_item(kItemKind, name) {}
  CBlock_vec(const CBlock_vec&) = default;
  CBlock_vec& operator=(const CBlock_vec&) = default;
  ~CBlock_vec() override;

  CBlock_vec& operator<<(const CToken& token) {
    mItems.push_back(token);
    return *this;
  }
  void Reserve(std::size_t count) { mItems.reserve(count); }
  void Clear() { mItems.clear(); }

  std::size_t Size() const { return mItems.size(); }
  // Element i (0-based); throws std::out_of_range for i >= Size().
  const CToken& Item(std::size_t i) const { return mItems.at(i); }
  // Element i queried as T; false when there is no such element or it is of
  // another kind (then `out` is left alone).
  template <class T>
  bool Query(std::size_t i, T& out) const {
    return i < mItems.size() && mItems[i].Query(out);
  }

  std::shared_ptr<CBlock_item> CloneItem() const override;
  bool IsEqual(const CBlock_item& other) const override;

 private:
  friend struct detail::BlockAccess;
  std::vector<CToken> mItems;
};

class BASALT_EXPORT CBlock : public CBlock_item {
 public:
  static constexpr Kind kItemKind = Kind::Block;
  using const_iterator = std::vector<CBlock_item_ptr>::const_iterator;

  explicit CBlock(const AString& name = AString()) : CBlock_item(kItemKind, name) {}
  explicit CBlock(const wchar_t* name) : CBlock_item(kItemKind, AString(name)) {}
  // Copies are deep: the copy shares no item with the original.
  CBlock(const CBlock& other);
  CBlock& operator=(const CBlock& other);
  CBlock(CBlock&& other) noexcept;
  CBlock& operator=(CBlock&& other) noexcept;
  ~CBlock() override;

  // Appending. By value means a deep copy (or a move); a CBlock_ptr is
  // shared, so later changes through it show in this block. A null
  // CBlock_ptr appends nothing. Appending a block into itself (through a
  // pointer) throws std::invalid_argument, see Append.
  CBlock& operator<<(const CBlock& sub);
  CBlock& operator<<(CBlock&& sub);
  CBlock& operator<<(const CBlock_named_value& value);
  CBlock& operator<<(const CBlock_func& func);
  CBlock& operator<<(CBlock_func&& func);
  CBlock& operator<<(const CBlock_vec& vec);
  CBlock& operator<<(CBlock_vec&& vec);
  template <class T>
  CBlock& operator<<(const CBlock_ptr<T>& item) {
    if (item)
      Append(item.Shared());
    return *this;
  }
  // Throws std::invalid_argument when `item` is this block or holds it
  // somewhere below: a block that contains itself could be neither written
  // nor copied nor destroyed.
  void Append(CBlock_item_ptr item);

  // Finding (see the header comment). On a miss the pointer becomes null and
  // keeps its name; a CBlock_named_value is copied from the item found and
  // left alone on a miss.
  template <class T>
  CBlock& operator>>(CBlock_ptr<T>& item) {
    CBlock_ptr<T> found(Find(item.Name(), T::kItemKind));
    mGood = !found.IsNull();
    if (mGood) {
      item = found;
    } else {
      item.reset();
    }
    return *this;
  }
  CBlock& operator>>(CBlock_named_value& value);
  // The first item of that name and kind, or null. Does not touch mGood.
  CBlock_item_ptr Find(const AString& name, Kind kind) const;

  // Walking, in order.
  const_iterator begin() const { return mItems.begin(); }
  const_iterator end() const { return mItems.end(); }
  std::size_t Size() const { return mItems.size(); }
  bool IsEmpty() const { return mItems.empty(); }
  const CBlock_item_ptr& Item(std::size_t i) const { return mItems.at(i); }
  void Clear();

  std::shared_ptr<CBlock_item> CloneItem() const override;
  bool IsEqual(const CBlock_item& other) const override;
  bool operator==(const CBlock& other) const { return IsEqual(other); }

  // Whether the last `>>` found its item.
  bool mGood = true;

 private:
  friend struct detail::BlockAccess;
  struct Index;
  // Out of line, so that Index stays private to the implementation.
  struct IndexDeleter {
    void operator()(Index* index) const;
  };

  CBlock_item_ptr FindPacked(std::string_view name, Kind kind) const;
  void ReleaseItems();
  // Whether this block is `item` or lies somewhere inside it.
  bool IsWithin(const CBlock_item& item) const;

  std::vector<CBlock_item_ptr> mItems;
  // Name -> position of the first item of each kind with that name; built
  // lazily once a block is large enough for linear search to hurt, so most
  // blocks never pay for it.
  mutable std::unique_ptr<Index, IndexDeleter> mIndex;
};

using CBlockPtr = CBlock_ptr<CBlock>;
using CBlockFuncPtr = CBlock_ptr<CBlock_func>;
using CBlockVecPtr = CBlock_ptr<CBlock_vec>;
using CBlockNamedValuePtr = CBlock_ptr<CBlock_named_value>;

}  // namespace io
