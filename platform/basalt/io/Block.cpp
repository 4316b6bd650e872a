#include "platform/basalt/io/Block.h"

#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace io {

namespace {

// Below this many items a linear scan beats building a hash index.
constexpr std::size_t kIndexThreshold = 16;
constexpr std::size_t kNoPosition = std::numeric_limits<std::size_t>::max();

// Counts renames of items held by blocks, anywhere in the process. Items do not know the
// blocks holding them, so a block compares this with the value it saw when
// it built its index and rebuilds when they differ. Renames are rare (items
// are named when made), so this costs next to nothing in practice.
std::atomic<unsigned long long> gRenameEpoch{0};

void NoteRename() {
  gRenameEpoch.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

// ---------------------------------------------------------------- CToken

bool CToken::Query(AString& out) const {
  if (const AString* text = std::get_if<AString>(&mValue)) {
    out = *text;
    return true;
  }
  return false;
}

bool CToken::Query(long& out) const {
  if (const long* number = std::get_if<long>(&mValue)) {
    out = *number;
    return true;
  }
  return false;
}

bool CToken::Query(int& out) const {
  const long* number = std::get_if<long>(&mValue);
  if (number == nullptr || *number < std::numeric_limits<int>::min() ||
      *number > std::numeric_limits<int>::max()) {
    return false;
  }
  out = static_cast<int>(*number);
  return true;
}

bool CToken::Query(double& out) const {
  if (const double* number = std::get_if<double>(&mValue)) {
    out = *number;
    return true;
  }
  if (const long* number = std::get_if<long>(&mValue)) {
    // Only when the double holds the long exactly; large longs would round.
    const double converted = static_cast<double>(*number);
    if (converted >= 0x1p63 || converted < -0x1p63 || static_cast<long>(converted) != *number) {
      return false;
    }
    out = converted;
    return true;
  }
  return false;
}

bool CToken::Query(bool& out) const {
  if (const bool* flag = std::get_if<bool>(&mValue)) {
    out = *flag;
    return true;
  }
  return false;
}

AString CToken::FormatText() const {
  switch (GetKind()) {
    case Kind::Text:
      return std::get<AString>(mValue);
    case Kind::Bool:
      return std::get<bool>(mValue) ? AString(L"true") : AString(L"false");
    case Kind::Long: {
      char buffer[32];
      auto result = std::to_chars(buffer, buffer + sizeof buffer, std::get<long>(mValue));
      return AString::FromUtf8(std::string_view(buffer, result.ptr - buffer));
    }
    case Kind::Double: {
      const double number = std::get<double>(mValue);
      char buffer[64];
      auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
      std::string text(buffer, result.ptr);
      // Keep doubles recognisable as doubles: "3" would read back as a long.
      if (std::isfinite(number) && text.find_first_of(".en") == std::string::npos) {
        text += ".0";
      }
      return AString::FromUtf8(text);
    }
  }
  return AString();
}

bool CToken::operator==(const CToken& other) const {
  if (mValue.index() != other.mValue.index()) {
    return false;
  }
  if (GetKind() == Kind::Double) {
    return std::bit_cast<std::uint64_t>(std::get<double>(mValue)) ==
           std::bit_cast<std::uint64_t>(std::get<double>(other.mValue));
  }
  return mValue == other.mValue;
}

// ---------------------------------------------------------------- CBlock_item

CBlock_item::~CBlock_item() = default;

void CBlock_item::SetName(const AString& name) {
  if (name != mName) {
    mName = name;
    if (mHolders > 0) {
      NoteRename();
    }
  }
}

CBlock_item& CBlock_item::operator=(const CBlock_item& other) {
  mKind = other.mKind;
  SetName(other.mName);
  return *this;
}

CBlock* CBlock_item::AsBlock() {
  return mKind == Kind::Block ? static_cast<CBlock*>(this) : nullptr;
}
const CBlock* CBlock_item::AsBlock() const {
  return mKind == Kind::Block ? static_cast<const CBlock*>(this) : nullptr;
}
CBlock_named_value* CBlock_item::AsNamedValue() {
  return mKind == Kind::NamedValue ? static_cast<CBlock_named_value*>(this) : nullptr;
}
const CBlock_named_value* CBlock_item::AsNamedValue() const {
  return mKind == Kind::NamedValue ? static_cast<const CBlock_named_value*>(this) : nullptr;
}
CBlock_func* CBlock_item::AsFunc() {
  return mKind == Kind::Func ? static_cast<CBlock_func*>(this) : nullptr;
}
const CBlock_func* CBlock_item::AsFunc() const {
  return mKind == Kind::Func ? static_cast<const CBlock_func*>(this) : nullptr;
}
CBlock_vec* CBlock_item::AsVec() {
  return mKind == Kind::Vec ? static_cast<CBlock_vec*>(this) : nullptr;
}
const CBlock_vec* CBlock_item::AsVec() const {
  return mKind == Kind::Vec ? static_cast<const CBlock_vec*>(this) : nullptr;
}

// ---------------------------------------------------------------- CBlock_named_value

CBlock_named_value::~CBlock_named_value() = default;

std::shared_ptr<CBlock_item> CBlock_named_value::CloneItem() const {
  return std::make_shared<CBlock_named_value>(*this);
}

bool CBlock_named_value::IsEqual(const CBlock_item& other) const {
  const CBlock_named_value* that = other.AsNamedValue();
  return that != nullptr && Name() == that->Name() && mValue == that->mValue;
}

// ---------------------------------------------------------------- CBlock_func

CBlock_func::~CBlock_func() = default;

CBlock_func& CBlock_func::operator<<(const CBlock_value& value) {
  mArgs.push_back(Arg{false, AString(), value.GetToken()});
  return *this;
}

CBlock_func& CBlock_func::operator<<(const CBlock_named_value& value) {
  mArgs.push_back(Arg{true, value.Name(), value.GetToken()});
  return *this;
}

const CToken* CBlock_func::FindArg(const AString& name) const {
  for (const Arg& arg : mArgs) {
    if (arg.mHasName && arg.mName == name) {
      return &arg.mToken;
    }
  }
  return nullptr;
}

std::shared_ptr<CBlock_item> CBlock_func::CloneItem() const {
  return std::make_shared<CBlock_func>(*this);
}

bool CBlock_func::IsEqual(const CBlock_item& other) const {
  const CBlock_func* that = other.AsFunc();
  return that != nullptr && Name() == that->Name() && mArgs == that->mArgs;
}

// ---------------------------------------------------------------- CBlock_vec

CBlock_vec::~CBlock_vec() = default;

std::shared_ptr<CBlock_item> CBlock_vec::CloneItem() const {
  return std::make_shared<CBlock_vec>(*this);
}

bool CBlock_vec::IsEqual(const CBlock_item& other) const {
  const CBlock_vec* that = other.AsVec();
  return that != nullptr && Name() == that->Name() && mItems == that->mItems;
}

// ---------------------------------------------------------------- CBlock

CBlock::CBlock(const CBlock& other) : CBlock_item(other), mGood(other.mGood) {
  mItems.reserve(other.mItems.size());
  for (const CBlock_item_ptr& item : other.mItems) {
    mItems.push_back(item->CloneItem());
    ++mItems.back()->mHolders;
  }
}

CBlock& CBlock::operator=(const CBlock& other) {
  if (this != &other) {
    CBlock copy(other);
    *this = std::move(copy);
  }
  return *this;
}

CBlock::CBlock(CBlock&& other) noexcept
    : CBlock_item(std::move(other)),
      mGood(other.mGood),
      mItems(std::move(other.mItems)),
      mIndex(std::move(other.mIndex)),
      mIndexBuilt(other.mIndexBuilt),
      mIndexEpoch(other.mIndexEpoch) {
  other.mItems.clear();
  other.mIndex.clear();
  other.mIndexBuilt = false;
}

CBlock& CBlock::operator=(CBlock&& other) noexcept {
  if (this != &other) {
    CBlock_item::operator=(std::move(other));
    mGood = other.mGood;
    ReleaseItems();
    mItems = std::move(other.mItems);
    mIndex = std::move(other.mIndex);
    mIndexBuilt = other.mIndexBuilt;
    mIndexEpoch = other.mIndexEpoch;
    other.mItems.clear();
    other.mIndex.clear();
    other.mIndexBuilt = false;
  }
  return *this;
}

CBlock::~CBlock() {
  ReleaseItems();
}

void CBlock::ReleaseItems() {
  // One pass: each item is touched once, while it is still in cache.
  for (CBlock_item_ptr& item : mItems) {
    --item->mHolders;
    item.reset();
  }
  mItems.clear();
}

CBlock& CBlock::operator<<(const CBlock& sub) {
  Append(std::make_shared<CBlock>(sub));
  return *this;
}

CBlock& CBlock::operator<<(CBlock&& sub) {
  Append(std::make_shared<CBlock>(std::move(sub)));
  return *this;
}

CBlock& CBlock::operator<<(const CBlock_named_value& value) {
  Append(std::make_shared<CBlock_named_value>(value));
  return *this;
}

CBlock& CBlock::operator<<(const CBlock_func& func) {
  Append(std::make_shared<CBlock_func>(func));
  return *this;
}

CBlock& CBlock::operator<<(CBlock_func&& func) {
  Append(std::make_shared<CBlock_func>(std::move(func)));
  return *this;
}

CBlock& CBlock::operator<<(const CBlock_vec& vec) {
  Append(std::make_shared<CBlock_vec>(vec));
  return *this;
}

CBlock& CBlock::operator<<(CBlock_vec&& vec) {
  Append(std::make_shared<CBlock_vec>(std::move(vec)));
  return *this;
}

bool CBlock::IsWithin(const CBlock_item& item) const {
  if (mHolders == 0) {
    // Only a block held by another block can sit inside an item.
    return &item == this;
  }
  // Blocks form trees, so the walk ends; it is iterative so that depth costs
  // no stack.
  std::vector<const CBlock_item*> pending{&item};
  while (!pending.empty()) {
    const CBlock_item* current = pending.back();
    pending.pop_back();
    if (current == this) {
      return true;
    }
    if (const CBlock* block = current->AsBlock()) {
      for (const CBlock_item_ptr& child : block->mItems) {
        if (child->GetKind() == Kind::Block) {
          pending.push_back(child.get());
        }
      }
    }
  }
  return false;
}

void CBlock::Append(CBlock_item_ptr item) {
  if (!item) {
    return;
  }
  if (item->GetKind() == Kind::Block && IsWithin(*item)) {
    throw std::invalid_argument("a block cannot be appended to itself or to a block inside it");
  }
  ++item->mHolders;
  mItems.push_back(std::move(item));
  if (mIndexBuilt) {
    IndexItem(mItems.size() - 1);
  }
}

CBlock& CBlock::operator>>(CBlock_named_value& value) {
  CBlock_item_ptr found = Find(value.Name(), Kind::NamedValue);
  mGood = found != nullptr;
  if (mGood) {
    value = *found->AsNamedValue();
  }
  return *this;
}

void CBlock::IndexItem(std::size_t position) const {
  const CBlock_item& item = *mItems[position];
  auto [entry, inserted] = mIndex.try_emplace(item.Name());
  if (inserted) {
    for (std::size_t& first : entry->second.mFirst) {
      first = kNoPosition;
    }
  }
  std::size_t& first = entry->second.mFirst[static_cast<int>(item.GetKind())];
  if (first == kNoPosition) {
    first = position;
  }
}

CBlock_item_ptr CBlock::Find(const AString& name, Kind kind) const {
  if (mItems.size() < kIndexThreshold) {
    for (const CBlock_item_ptr& item : mItems) {
      if (item->GetKind() == kind && item->Name() == name) {
        return item;
      }
    }
    return nullptr;
  }
  const unsigned long long epoch = gRenameEpoch.load(std::memory_order_relaxed);
  if (!mIndexBuilt || mIndexEpoch != epoch) {
    mIndexEpoch = epoch;
    mIndex.clear();
    mIndex.reserve(mItems.size());
    for (std::size_t i = 0; i < mItems.size(); ++i) {
      IndexItem(i);
    }
    mIndexBuilt = true;
  }
  auto entry = mIndex.find(name);
  if (entry == mIndex.end()) {
    return nullptr;
  }
  const std::size_t position = entry->second.mFirst[static_cast<int>(kind)];
  if (position == kNoPosition) {
    return nullptr;
  }
  return mItems[position];
}

void CBlock::Clear() {
  ReleaseItems();
  mIndex.clear();
  mIndexBuilt = false;
}

std::shared_ptr<CBlock_item> CBlock::CloneItem() const {
  return std::make_shared<CBlock>(*this);
}

bool CBlock::IsEqual(const CBlock_item& other) const {
  const CBlock* that = other.AsBlock();
  if (that == nullptr || Name() != that->Name() || mItems.size() != that->mItems.size()) {
    return false;
  }
  for (std::size_t i = 0; i < mItems.size(); ++i) {
    if (!mItems[i]->IsEqual(*that->mItems[i])) {
      return false;
    }
  }
  return true;
}

// Defined here as well, so that the library exports them: a Windows program
// that binds a reference to one of these constants imports it from the DLL.
constexpr CBlock_item::Kind CBlock_named_value::kItemKind;
constexpr CBlock_item::Kind CBlock_func::kItemKind;
constexpr CBlock_item::Kind CBlock_vec::kItemKind;
constexpr CBlock_item::Kind CBlock::kItemKind;

}  // namespace io
