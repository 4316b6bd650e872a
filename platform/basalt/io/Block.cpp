#include "platform/basalt/io/Block.h"

#include "platform/basalt/io/BlockAccess.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <type_traits>
#include <unordered_map>

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

// ---------------------------------------------------------------- PackedCell

namespace detail {

PackedCell PackedCell::Text(std::string_view packed) {
  PackedCell cell;
  if (packed.size() <= kTagByte) {
    std::memcpy(cell.mBytes, packed.data(), packed.size());
    cell.mBytes[kTagByte] = static_cast<unsigned char>(packed.size());
    return cell;
  }
  if (packed.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("a text of the block format is limited to 4 GiB");
  }
  char* heap = new char[packed.size()];
  std::memcpy(heap, packed.data(), packed.size());
  const auto size = static_cast<std::uint32_t>(packed.size());
  std::memcpy(cell.mBytes, &heap, sizeof heap);
  std::memcpy(cell.mBytes + 8, &size, sizeof size);
  cell.mBytes[kTagByte] = kHeapTag;
  return cell;
}

PackedCell PackedCell::Long(long number) noexcept {
  // Stored in eight bytes whatever the width of long, so that equality,
  // which compares eight bytes, never sees bytes left unset.
  PackedCell cell;
  const std::int64_t wide = number;
  std::memcpy(cell.mBytes, &wide, sizeof wide);
  cell.mBytes[kTagByte] = kLongTag;
  return cell;
}

PackedCell PackedCell::Double(double number) noexcept {
  PackedCell cell;
  std::memcpy(cell.mBytes, &number, sizeof number);
  cell.mBytes[kTagByte] = kDoubleTag;
  return cell;
}

PackedCell PackedCell::Bool(bool flag) noexcept {
  PackedCell cell;
  cell.mBytes[0] = flag ? 1 : 0;
  cell.mBytes[kTagByte] = kBoolTag;
  return cell;
}

PackedCell::PackedCell(const PackedCell& other) {
  CopyFrom(other);
}

PackedCell& PackedCell::operator=(const PackedCell& other) {
  if (this != &other) {
    PackedCell copy(other);
    *this = std::move(copy);
  }
  return *this;
}

void PackedCell::CopyFrom(const PackedCell& other) {
  if (other.Tag() == kHeapTag) {
    mBytes[kTagByte] = 0;
    *this = Text(other.GetText());
  } else {
    std::memcpy(mBytes, other.mBytes, sizeof mBytes);
  }
}

void PackedCell::FreeHeap() noexcept {
  char* heap = nullptr;
  std::memcpy(&heap, mBytes, sizeof heap);
  delete[] heap;
}

std::string_view PackedCell::HeapText() const noexcept {
  const char* heap = nullptr;
  std::uint32_t size = 0;
  std::memcpy(&heap, mBytes, sizeof heap);
  std::memcpy(&size, mBytes + 8, sizeof size);
  return std::string_view(heap, size);
}

long PackedCell::GetLong() const noexcept {
  std::int64_t wide = 0;
  std::memcpy(&wide, mBytes, sizeof wide);
  return static_cast<long>(wide);
}

double PackedCell::GetDouble() const noexcept {
  double number = 0;
  std::memcpy(&number, mBytes, sizeof number);
  return number;
}

bool PackedCell::GetBool() const noexcept {
  return mBytes[0] != 0;
}

bool PackedCell::operator==(const PackedCell& other) const noexcept {
  const Kind kind = GetKind();
  if (kind != other.GetKind()) {
    return false;
  }
  switch (kind) {
    case Kind::Text:
      return GetText() == other.GetText();
    case Kind::Long:
    case Kind::Double:
      // Doubles by bit pattern: a NaN equals itself, -0.0 differs from 0.0.
      return std::memcmp(mBytes, other.mBytes, 8) == 0;
    case Kind::Bool:
      return GetBool() == other.GetBool();
  }
  return false;
}

// ---------------------------------------------------------------- packing

namespace {

// wchar_t is 32 bits on POSIX (one unit per code point) and 16 bits on
// Windows (UTF-16 units); both are handled without preprocessor branches.
constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

void AppendSequence(std::string& packed, std::uint32_t value) {
  if (value < 0x80) {
    packed += static_cast<char>(value);
    return;
  }
  // Lead byte marks and payload bits of the 2- to 7-byte forms.
  int count = 0;
  unsigned char lead = 0;
  if (value < 0x800) {
    count = 2;
    lead = 0xC0;
  } else if (value < 0x10000) {
    count = 3;
    lead = 0xE0;
  } else if (value < 0x200000) {
    count = 4;
    lead = 0xF0;
  } else if (value < 0x4000000) {
    count = 5;
    lead = 0xF8;
  } else if (value < 0x80000000) {
    count = 6;
    lead = 0xFC;
  } else {
    count = 7;
    lead = 0xFE;
  }
  char bytes[7];
  std::uint32_t rest = value;
  for (int i = count - 1; i > 0; --i) {
    bytes[i] = static_cast<char>(0x80 | (rest & 0x3F));
    rest >>= 6;
  }
  bytes[0] = static_cast<char>(lead | rest);
  packed.append(bytes, static_cast<std::size_t>(count));
}

}  // namespace

void AppendWideUnit(std::string& packed, std::uint32_t unit) {
  if (kWideIsUtf16) {
    unit &= 0xFFFF;
    const std::size_t size = packed.size();
    // A packed high surrogate is ED A0..AF xx.
    if (unit >= 0xDC00 && unit <= 0xDFFF && size >= 3 &&
        static_cast<unsigned char>(packed[size - 3]) == 0xED &&
        (static_cast<unsigned char>(packed[size - 2]) & 0xF0) == 0xA0) {
      const std::uint32_t high = 0xD000 |
                                 ((static_cast<unsigned char>(packed[size - 2]) & 0x3F) << 6) |
                                 (static_cast<unsigned char>(packed[size - 1]) & 0x3F);
      packed.resize(size - 3);
      AppendSequence(packed, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
      return;
    }
  }
  AppendSequence(packed, unit);
}

std::string PackWide(std::wstring_view text) {
  std::string packed;
  packed.reserve(text.size());
  for (wchar_t c : text) {
    const auto unit = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(c));
    if (unit < 0x80) {
      packed += static_cast<char>(unit);
    } else {
      AppendWideUnit(packed, unit);
    }
  }
  return packed;
}

AString UnpackWide(std::string_view packed) {
  AString text;
  text.reserve(packed.size());
  const auto* p = reinterpret_cast<const unsigned char*>(packed.data());
  const auto* end = p + packed.size();
  while (p != end) {
    const unsigned char lead = *p;
    if (lead < 0x80) {
      text += static_cast<wchar_t>(lead);
      ++p;
      continue;
    }
    int count = 0;
    std::uint32_t value = 0;
    if (lead >= 0xC0 && lead < 0xE0) {
      count = 2;
      value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      count = 3;
      value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead < 0xF8) {
      count = 4;
      value = lead & 0x07;
    } else if (lead >= 0xF8 && lead < 0xFC) {
      count = 5;
      value = lead & 0x03;
    } else if (lead >= 0xFC && lead < 0xFE) {
      count = 6;
      value = lead & 0x01;
    } else if (lead == 0xFE) {
      count = 7;
    }
    bool whole = count > 0 && end - p >= count;
    for (int i = 1; whole && i < count; ++i) {
      whole = (p[i] & 0xC0) == 0x80;
      value = (value << 6) | (p[i] & 0x3F);
    }
    if (!whole) {
      text += static_cast<wchar_t>(0xFFFD);
      ++p;
      continue;
    }
    p += count;
    if (kWideIsUtf16 && value > 0xFFFF) {
      value -= 0x10000;
      text += static_cast<wchar_t>(0xD800 + (value >> 10));
      text += static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
    } else {
      text += static_cast<wchar_t>(static_cast<std::make_unsigned_t<wchar_t>>(value));
    }
  }
  return text;
}

}  // namespace detail

// ---------------------------------------------------------------- CToken

bool CToken::Query(AString& out) const {
  if (mCell.GetKind() == detail::PackedCell::Kind::Text) {
    out = detail::UnpackWide(mCell.GetText());
    return true;
  }
  return false;
}

bool CToken::Query(long& out) const {
  if (mCell.GetKind() == detail::PackedCell::Kind::Long) {
    out = mCell.GetLong();
    return true;
  }
  return false;
}

bool CToken::Query(int& out) const {
  if (mCell.GetKind() != detail::PackedCell::Kind::Long) {
    return false;
  }
  const long number = mCell.GetLong();
  if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) {
    return false;
  }
  out = static_cast<int>(number);
  return true;
}

bool CToken::Query(double& out) const {
  if (mCell.GetKind() == detail::PackedCell::Kind::Double) {
    out = mCell.GetDouble();
    return true;
  }
  if (mCell.GetKind() == detail::PackedCell::Kind::Long) {
    // Only when the double holds the long exactly; large longs would round.
    const long number = mCell.GetLong();
    const double converted = static_cast<double>(number);
    if (converted >= 0x1p63 || converted < -0x1p63 || static_cast<long>(converted) != number) {
      return false;
    }
    out = converted;
    return true;
  }
  return false;
}

bool CToken::Query(bool& out) const {
  if (mCell.GetKind() == detail::PackedCell::Kind::Bool) {
    out = mCell.GetBool();
    return true;
  }
  return false;
}

AString CToken::FormatText() const {
  switch (GetKind()) {
    case Kind::Text:
      return detail::UnpackWide(mCell.GetText());
    case Kind::Bool:
      return mCell.GetBool() ? AString(L"true") : AString(L"false");
    case Kind::Long: {
      char buffer[32];
      auto result = std::to_chars(buffer, buffer + sizeof buffer, mCell.GetLong());
      return AString::FromUtf8(std::string_view(buffer, result.ptr - buffer));
    }
    case Kind::Double: {
      const double number = mCell.GetDouble();
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

// ---------------------------------------------------------------- CBlock_item

CBlock_item::~CBlock_item() = default;

void CBlock_item::SetName(const AString& name) {
  detail::PackedCell packed = detail::PackedCell::Text(detail::PackWide(name));
  if (!(packed == mName)) {
    mName = std::move(packed);
    if (mHolders > 0) {
      NoteRename();
    }
  }
}

CBlock_item& CBlock_item::operator=(const CBlock_item& other) {
  mKind = other.mKind;
  if (!(other.mName == mName)) {
    mName = other.mName;
    if (mHolders > 0) {
      NoteRename();
    }
  }
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
  return that != nullptr && detail::BlockAccess::Name(*this) == detail::BlockAccess::Name(*that) &&
         mValue == that->mValue;
}

// ---------------------------------------------------------------- CBlock_func

CBlock_func::~CBlock_func() = default;

CBlock_func& CBlock_func::operator<<(const CBlock_value& value) {
  mArgs.push_back(Arg{detail::PackedCell(), value.GetToken(), false});
  return *this;
}

CBlock_func& CBlock_func::operator<<(const CBlock_named_value& value) {
  mArgs.push_back(Arg{detail::BlockAccess::Name(value), value.GetToken(), true});
  return *this;
}

const CToken* CBlock_func::FindArg(const AString& name) const {
  const std::string packed = detail::PackWide(name);
  for (const Arg& arg : mArgs) {
    if (arg.mHasName && arg.mName.GetText() == packed) {
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
  return that != nullptr && detail::BlockAccess::Name(*this) == detail::BlockAccess::Name(*that) &&
         mArgs == that->mArgs;
}

// ---------------------------------------------------------------- CBlock_vec

CBlock_vec::~CBlock_vec() = default;

std::shared_ptr<CBlock_item> CBlock_vec::CloneItem() const {
  return std::make_shared<CBlock_vec>(*this);
}

bool CBlock_vec::IsEqual(const CBlock_item& other) const {
  const CBlock_vec* that = other.AsVec();
  return that != nullptr && detail::BlockAccess::Name(*this) == detail::BlockAccess::Name(*that) &&
         mItems == that->mItems;
}

// ---------------------------------------------------------------- CBlock

struct CBlock::Index {
  struct Entry {
    std::size_t mFirst[4];
  };
  std::unordered_map<std::string, Entry> mEntries;
  // Value of the process-wide rename counter when the index was built; any
  // rename since then makes the index suspect.
  unsigned long long mEpoch = 0;

  void Add(const CBlock_item& item, std::size_t position) {
    auto [entry, inserted] =
        mEntries.try_emplace(std::string(detail::BlockAccess::Name(item).GetText()));
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
};

void CBlock::IndexDeleter::operator()(Index* index) const {
  delete index;
}

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
      mIndex(std::move(other.mIndex)) {
  other.mItems.clear();
}

CBlock& CBlock::operator=(CBlock&& other) noexcept {
  if (this != &other) {
    CBlock_item::operator=(std::move(other));
    mGood = other.mGood;
    ReleaseItems();
    mItems = std::move(other.mItems);
    mIndex = std::move(other.mIndex);
    other.mItems.clear();
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
  if (mIndex) {
    mIndex->Add(*mItems.back(), mItems.size() - 1);
  }
}

CBlock& CBlock::operator>>(CBlock_named_value& value) {
  CBlock_item_ptr found = FindPacked(detail::BlockAccess::Name(value).GetText(), Kind::NamedValue);
  mGood = found != nullptr;
  if (mGood) {
    value = *found->AsNamedValue();
  }
  return *this;
}

CBlock_item_ptr CBlock::Find(const AString& name, Kind kind) const {
  return FindPacked(detail::PackWide(name), kind);
}

CBlock_item_ptr CBlock::FindPacked(std::string_view name, Kind kind) const {
  if (mItems.size() < kIndexThreshold) {
    for (const CBlock_item_ptr& item : mItems) {
      if (item->GetKind() == kind && detail::BlockAccess::Name(*item).GetText() == name) {
        return item;
      }
    }
    return nullptr;
  }
  const unsigned long long epoch = gRenameEpoch.load(std::memory_order_relaxed);
  if (!mIndex || mIndex->mEpoch != epoch) {
    std::unique_ptr<Index, IndexDeleter> index(new Index());
    index->mEpoch = epoch;
    index->mEntries.reserve(mItems.size());
    for (std::size_t i = 0; i < mItems.size(); ++i) {
      index->Add(*mItems[i], i);
    }
    mIndex = std::move(index);
  }
  auto entry = mIndex->mEntries.find(std::string(name));
  if (entry == mIndex->mEntries.end()) {
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
  mIndex.reset();
}

std::shared_ptr<CBlock_item> CBlock::CloneItem() const {
  return std::make_shared<CBlock>(*this);
}

bool CBlock::IsEqual(const CBlock_item& other) const {
  const CBlock* that = other.AsBlock();
  if (that == nullptr || !(detail::BlockAccess::Name(*this) == detail::BlockAccess::Name(*that)) ||
      mItems.size() != that->mItems.size()) {
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
