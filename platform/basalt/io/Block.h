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
#include <memory>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "platform/basalt/AString.h"
#include "platform/basalt/BasaltExport.h"

namespace io {

class CBlock;
class CBlock_named_value;
class CBlock_func;
class CBlock_vec;

// One scalar of the block text format.
class BASALT_EXPORT CToken {
 public:
  enum class Kind { Text, Long, Double, Bool };

  CToken() = default;  // the empty text
  CToken(const AString& text) : mValue(text) {}
  CToken(AString&& text) : mValue(std::move(text)) {}
  // For the std::wstring that `AString + AString` gives.
  CToken(const std::wstring& text) : mValue(AString(text)) {}
  CToken(const wchar_t* text) : mValue(AString(text)) {}
  CToken(int number) : mValue(static_cast<long>(number)) {}
  CToken(long number) : mValue(number) {}
  CToken(double number) : mValue(number) {}
  CToken(bool flag) : mValue(flag) {}
  // A narrow string would otherwise become the bool true.
  CToken(const char*) = delete;

  Kind GetKind() const { return static_cast<Kind>(mValue.index()); }
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
  bool operator==(const CToken& other) const;

 private:
  // The order of the alternatives matches Kind.
  std::variant<AString, long, double, bool> mValue;
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
  CToken mToken;
};

// Common base of everything a block can hold.
class BASALT_EXPORT CBlock_item {
 public:
  enum class Kind { Block, NamedValue, Func, Vec };

  virtual ~CBlock_item();

  Kind GetKind() const { return mKind; }
  const AString& Name() const { return mName; }
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
  CBlock_item(Kind kind, const AString& name) : mKind(kind), mName(name) {}
  // A copy is held by no block yet.
  CBlock_item(const CBlock_item& other) : mKind(other.mKind), mName(other.mName) {}
  CBlock_item& operator=(const CBlock_item& other);
  // Moving keeps the name on the source too: the source may still sit in a
  // block whose index refers to it by that name.
  CBlock_item(CBlock_item&& other) : mKind(other.mKind), mName(other.mName) {}
  CBlock_item& operator=(CBlock_item&& other) { return *this = other; }

 private:
  friend class CBlock;

  Kind mKind;
  AString mName;
  // How many blocks hold this item; only renames of held items concern the
  // blocks' look-up indexes.
  int mHolders = 0;
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
  const AString& Name() const { return mPtr ? mPtr->Name() : mName; }
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
  const AString& ArgName(std::size_t i) const { return mArgs.at(i).mName; }
  // The value of the first argument named `name`, or null.
  const CToken* FindArg(const AString& name) const;

  std::shared_ptr<CBlock_item> CloneItem() const override;
  bool IsEqual(const CBlock_item& other) const override;

 private:
  struct Arg {
    bool mHasName = false;
    AString mName;
    CToken mToken;
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
  void IndexItem(std::size_t position) const;
  void ReleaseItems();
  // Whether this block is `item` or lies somewhere inside it.
  bool IsWithin(const CBlock_item& item) const;

  std::vector<CBlock_item_ptr> mItems;
  // Name -> position of the first item of each kind with that name; built
  // lazily once a block is large enough for linear search to hurt.
  struct IndexEntry {
    std::size_t mFirst[4];
  };
  mutable std::unordered_map<std::wstring, IndexEntry> mIndex;
  mutable bool mIndexBuilt = false;
  // Value of the process-wide rename counter when the index was built; any
  // rename since then makes the index suspect.
  mutable unsigned long long mIndexEpoch = 0;
};

using CBlockPtr = CBlock_ptr<CBlock>;
using CBlockFuncPtr = CBlock_ptr<CBlock_func>;
using CBlockVecPtr = CBlock_ptr<CBlock_vec>;
using CBlockNamedValuePtr = CBlock_ptr<CBlock_named_value>;

}  // namespace io
