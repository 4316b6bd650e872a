#include "platform/basalt/io/BlockText.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "platform/basalt/io/BlockAccess.h"

namespace io {

namespace {

// wchar_t is 32 bits on POSIX (one unit per code point) and 16 bits on
// Windows (UTF-16 units); both are handled without preprocessor branches.
constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

bool IsIdentifierStart(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsIdentifierChar(char32_t c) {
  return IsIdentifierStart(c) || (c >= '0' && c <= '9');
}

// A piece of the input or a name, cut to a length that keeps error messages
// readable; cuts fall between characters.
std::string Excerpt(std::string_view text) {
  constexpr std::size_t kLimit = 40;
  if (text.size() <= kLimit) {
    return std::string(text);
  }
  std::size_t cut = kLimit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
    --cut;
  }
  return std::string(text.substr(0, cut)) + "...";
}

// ================================================================ writer

using detail::BlockAccess;
using detail::PackedCell;

// The writer fills the string through a cursor and sets its final size at
// the end: appending piece by piece would cost a call per piece.
class Writer {
 public:
  explicit Writer(std::string& out) : mOut(out), mUsed(out.size()) {}
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  ~Writer() { mOut.resize(mUsed); }

  // False when the nesting is too deep; `out` may then hold a partial text.
  bool WriteBlock(const CBlock& block, int depth) {
    if (depth > kMaxNesting) {
      return false;
    }
    WriteName(BlockAccess::Name(block));
    if (block.IsEmpty()) {
      Put(" {}\n");
      return true;
    }
    Put(" {\n");
    const auto end = block.end();
    for (auto at = block.begin(); at != end; ++at) {
      // The items lie scattered on the heap and the wait for each one's
      // first cache line took about half of the writing time: ask for the
      // item after next while this one is written.
      constexpr std::ptrdiff_t kPrefetchDistance = 2;
      if (end - at > kPrefetchDistance) {
        __builtin_prefetch((at + kPrefetchDistance)->get());
      }
      const CBlock_item_ptr& item = *at;
      Indent(depth);
      switch (item->GetKind()) {
        case CBlock_item::Kind::Block:
          if (!WriteBlock(*item->AsBlock(), depth + 1)) {
            return false;
          }
          continue;  // WriteBlock ended its own line
        case CBlock_item::Kind::NamedValue:
          WriteName(BlockAccess::Name(*item));
          Put(" = ");
          WriteToken(item->AsNamedValue()->GetToken());
          break;
        case CBlock_item::Kind::Func: {
          const CBlock_func& func = *item->AsFunc();
          WriteName(BlockAccess::Name(func));
          Put('(');
          for (std::size_t i = 0; i < func.Size(); ++i) {
            if (i > 0) {
              Put(", ");
            }
            if (func.IsNamedArg(i)) {
              WriteName(BlockAccess::ArgName(func, i));
              Put(" = ");
            }
            WriteToken(func.Item(i));
          }
          Put(')');
          break;
        }
        case CBlock_item::Kind::Vec: {
          const CBlock_vec& vec = *item->AsVec();
          WriteName(BlockAccess::Name(vec));
          Put('[');
          for (std::size_t i = 0; i < vec.Size(); ++i) {
            if (i > 0) {
              Put(", ");
            }
            WriteToken(vec.Item(i));
          }
          Put(']');
          break;
        }
      }
      Put('\n');
    }
    Indent(depth - 1);
    Put("}\n");
    return true;
  }

 private:
  char* Room(std::size_t count) {
    if (mOut.size() - mUsed < count) {
      // Whatever the caller reserved is used up before the string grows:
      // each growth beyond it moves the whole text.
      mOut.resize(std::max({mOut.capacity(), mOut.size() * 2, mUsed + count + 4096}));
    }
    return mOut.data() + mUsed;
  }
  void Put(char c) {
    *Room(1) = c;
    ++mUsed;
  }
  // Most pieces are short names and numbers; copying them with a few fixed
  // size moves beats a call to memcpy for each.
  void Put(std::string_view text) {
    const std::size_t size = text.size();
    char* out = Room(size);
    const char* in = text.data();
    if (size >= 8 && size <= 16) {
      std::memcpy(out, in, 8);
      std::memcpy(out + size - 8, in + size - 8, 8);
    } else if (size >= 4 && size < 8) {
      std::memcpy(out, in, 4);
      std::memcpy(out + size - 4, in + size - 4, 4);
    } else if (size < 4) {
      for (std::size_t i = 0; i < size; ++i) {
        out[i] = in[i];
      }
    } else {
      std::memcpy(out, in, size);
    }
    mUsed += size;
  }
  void Put(const unsigned char* first, const unsigned char* last) {
    Put(std::string_view(reinterpret_cast<const char*>(first),
                         static_cast<std::size_t>(last - first)));
  }

  // Writes whole chunks of spaces into the room beyond the indent, which
  // later pieces overwrite: cheaper than a memset call for a few spaces.
  void Indent(int depth) {
    static constexpr char kSpaces[] = "                ";
    constexpr std::size_t kChunk = sizeof kSpaces - 1;
    const auto count = static_cast<std::size_t>(depth) * 2;
    if (mOut.size() - mUsed < count + kChunk) {
      std::memset(Room(count), ' ', count);  // near the end: take no more room than needed
    } else {
      char* out = mOut.data() + mUsed;
      for (std::size_t done = 0; done < count; done += kChunk) {
        std::memcpy(out + done, kSpaces, kChunk);
      }
    }
    mUsed += count;
  }

  void WriteName(const PackedCell& name) {
    const std::string_view text = name.GetText();
    bool bare = !text.empty() && IsIdentifierStart(static_cast<unsigned char>(text[0]));
    for (std::size_t i = 1; bare && i < text.size(); ++i) {
      bare = IsIdentifierChar(static_cast<unsigned char>(text[i]));
    }
    if (bare) {
      Put(text);
    } else {
      WriteQuoted(text);
    }
  }

  void WriteToken(const CToken& token) {
    const PackedCell& cell = BlockAccess::Cell(token);
    switch (cell.GetKind()) {
      case PackedCell::Kind::Text:
        WriteQuoted(cell.GetText());
        return;
      case PackedCell::Kind::Bool:
        Put(cell.GetBool() ? std::string_view("true") : std::string_view("false"));
        return;
      // Numbers go through a buffer of their own and take exactly their
      // length of the output, so a text fits a string reserved to its size
      // without moving at the end.
      case PackedCell::Kind::Long: {
        char buffer[32];
        Put(std::string_view(
            buffer,
            static_cast<std::size_t>(
                std::to_chars(buffer, buffer + sizeof buffer, cell.GetLong()).ptr - buffer)));
        return;
      }
      case PackedCell::Kind::Double: {
        const double number = cell.GetDouble();
        char buffer[64];
        char* last = WriteShortDouble(buffer, number);
        if (last == nullptr) {
          last = std::to_chars(buffer, buffer + sizeof buffer - 2, number).ptr;
          // Keep doubles recognisable as doubles: "3" would read back as a long.
          if (std::isfinite(number) && !HasFractionOrExponent(buffer, last)) {
            *last++ = '.';
            *last++ = '0';
          }
        }
        Put(std::string_view(buffer, static_cast<std::size_t>(last - buffer)));
        return;
      }
    }
  }

  // std::to_chars(double) dominates the writing time, so the common doubles
  // (whole numbers and numbers with at most kMaxDecimals decimals) are
  // written here, giving the bytes to_chars gives with the ".0" of whole
  // numbers added; null for any other double.
  //
  // Why the bytes agree: `number` is the double nearest to m / 10^j for a
  // whole m below 10^15 (or it is a whole number below 2^53). Decimals of at
  // most 15 significant digits map to distinct doubles, and whole numbers
  // below 2^53 lie more than half a step away from any other whole number,
  // so no shorter decimal reads back as `number`, and m / 10^j is the one
  // shortest decimal that does. to_chars then writes those digits in the
  // shorter of the fixed and scientific forms, fixed on a tie.
  static char* WriteShortDouble(char* out, double number) {
    constexpr int kMaxDecimals = 4;
    static constexpr double kPowers[kMaxDecimals + 1] = {1, 10, 100, 1000, 10000};
    constexpr double kTwo53 = 9007199254740992.0;
    constexpr double kTen15 = 1e15;
    if (number == 0) {
      if (std::signbit(number)) {
        *out++ = '-';
      }
      std::memcpy(out, "0.0", 3);
      return out + 3;
    }
    const bool negative = number < 0;
    const double magnitude = negative ? -number : number;
    // Also false for NaN.
    if (!(magnitude < kTwo53 && magnitude >= 1e-3)) {
      return nullptr;
    }
    std::uint64_t whole = 0;
    int decimals = 0;
    for (;; ++decimals) {
      if (decimals > kMaxDecimals) {
        return nullptr;
      }
      const double scaled = magnitude * kPowers[decimals];
      const double limit = decimals == 0 ? kTwo53 : kTen15;
      if (!(scaled < limit)) {
        return nullptr;
      }
      // Any whole number near `scaled` will do: the test below proves it.
      // (std::nearbyint is a library call here, too slow for this loop.)
      const auto rounded = static_cast<double>(static_cast<std::uint64_t>(scaled + 0.5));
      // Division of exact operands rounds correctly, so this is exactly
      // "the double nearest to rounded / 10^decimals is `magnitude`".
      if (rounded / kPowers[decimals] == magnitude) {
        whole = static_cast<std::uint64_t>(rounded);
        break;
      }
    }
    // The significant digits, without trailing zeros; `exponent` is the
    // power of ten of the first digit.
    static constexpr char kPairs[] =
        "000102030405060708091011121314151617181920212223242526272829303132333435363738394041424344"
        "454647484950515253545556575859606162636465666768697071727374757677787980818283848586878889"
        "90919293949596979899";
    char digits[20];
    char* const digitsEnd = digits + sizeof digits;
    char* first = digitsEnd;
    std::uint64_t rest = whole;
    while (rest >= 100) {
      first -= 2;
      std::memcpy(first, kPairs + (rest % 100) * 2, 2);
      rest /= 100;
    }
    if (rest >= 10) {
      first -= 2;
      std::memcpy(first, kPairs + rest * 2, 2);
    } else {
      *--first = static_cast<char>('0' + rest);
    }
    // `whole` is not zero, so a digit other than 0 ends the scan.
    const char* significantEnd = digitsEnd;
    while (significantEnd[-1] == '0') {
      --significantEnd;
    }
    const int count = static_cast<int>(significantEnd - first);
    const int trailing = static_cast<int>(digitsEnd - significantEnd);
    const int exponent = count + trailing - 1 - decimals;
    const int absExponent = exponent < 0 ? -exponent : exponent;  // below 16
    const int scientificLength = count + (count > 1 ? 1 : 0) + 4;
    int fixedLength = 0;
    if (exponent >= 0) {
      fixedLength = std::max(count, exponent + 1) + (count > exponent + 1 ? 1 : 0);
    } else {
      fixedLength = 2 + (-exponent - 1) + count;
    }
    if (negative) {
      *out++ = '-';
    }
    if (fixedLength > scientificLength) {
      *out++ = *first;
      if (count > 1) {
        *out++ = '.';
        std::memcpy(out, first + 1, static_cast<std::size_t>(count - 1));
        out += count - 1;
      }
      *out++ = 'e';
      *out++ = exponent < 0 ? '-' : '+';
      std::memcpy(out, kPairs + absExponent * 2, 2);
      return out + 2;
    }
    if (exponent < 0) {
      *out++ = '0';
      *out++ = '.';
      std::memset(out, '0', static_cast<std::size_t>(-exponent - 1));
      out += -exponent - 1;
      std::memcpy(out, first, static_cast<std::size_t>(count));
      return out + count;
    }
    const int integerDigits = exponent + 1;
    if (count <= integerDigits) {
      std::memcpy(out, first, static_cast<std::size_t>(count));
      out += count;
      std::memset(out, '0', static_cast<std::size_t>(integerDigits - count));
      out += integerDigits - count;
      *out++ = '.';
      *out++ = '0';
      return out;
    }
    std::memcpy(out, first, static_cast<std::size_t>(integerDigits));
    out += integerDigits;
    *out++ = '.';
    std::memcpy(out, first + integerDigits, static_cast<std::size_t>(count - integerDigits));
    return out + (count - integerDigits);
  }

  static bool HasFractionOrExponent(const char* first, const char* last) {
    for (const char* p = first; p != last; ++p) {
      if (*p == '.' || *p == 'e' || *p == 'n') {
        return true;
      }
    }
    return false;
  }

  void WriteEscape(std::uint32_t unit) {
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, unit, 16);
    Put("\\u{");
    for (char* p = buffer; p != result.ptr; ++p) {
      Put(static_cast<char>(*p >= 'a' ? *p - 'a' + 'A' : *p));
    }
    Put('}');
  }

  // `text` is in the packed form, so every character that needs no escape
  // is already its own UTF-8 and is copied as it stands.
  void WriteQuoted(std::string_view text) {
    Put('"');
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p != end) {
      const unsigned char* run = p;
      while (run != end && *run >= 0x20 && *run < 0x7F && *run != '"' && *run != '\\') {
        ++run;
      }
      Put(p, run);
      p = run;
      if (p == end) {
        break;
      }
      const unsigned char c = *p;
      if (c < 0x80) {
        ++p;
        switch (c) {
          case '"':
            Put("\\\"");
            break;
          case '\\':
            Put("\\\\");
            break;
          case '\n':
            Put("\\n");
            break;
          case '\r':
            Put("\\r");
            break;
          case '\t':
            Put("\\t");
            break;
          default:
            // Other C0 controls and DEL stay visible.
            WriteEscape(c);
            break;
        }
        continue;
      }
      const std::size_t length = SequenceLength(c);
      std::uint32_t value = c & (0x7F >> length);
      if (length < 2 || static_cast<std::size_t>(end - p) < length) {
        // Not a packed form; cannot happen for texts made by this library.
        WriteEscape(0xFFFD);
        ++p;
        continue;
      }
      for (std::size_t i = 1; i < length; ++i) {
        value = (value << 6) | (p[i] & 0x3F);
      }
      // C1 controls stay visible; surrogates and values beyond Unicode
      // cannot be UTF-8 at all.
      if ((value >= 0x80 && value <= 0x9F) || (value >= 0xD800 && value <= 0xDFFF) ||
          value > 0x10FFFF) {
        WriteEscape(value);
      } else {
        Put(p, p + length);
      }
      p += length;
    }
    Put('"');
  }

  // Bytes of the packed sequence led by `lead` (>= 0x80); 0 for a stray
  // continuation byte or 0xFF.
  static std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0xC0) {
      return 0;
    }
    if (lead < 0xE0) {
      return 2;
    }
    if (lead < 0xF0) {
      return 3;
    }
    if (lead < 0xF8) {
      return 4;
    }
    if (lead < 0xFC) {
      return 5;
    }
    if (lead < 0xFE) {
      return 6;
    }
    return lead == 0xFE ? 7 : 0;
  }

  std::string& mOut;
  // Bytes of mOut written; the rest is room not yet used.
  std::size_t mUsed;
};

// ================================================================ reader

struct ParseFailure {
  std::size_t mOffset;
  int mCode;
  std::string mMessage;
};

// The offset of the first byte of `text` that does not belong to well-formed
// UTF-8, or text.size(). ASCII, which most files are, goes eight bytes at a
// time.
std::size_t FindInvalidUtf8(std::string_view text) {
  const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
  const auto* p = begin;
  const auto* end = begin + text.size();
  while (p != end) {
    while (end - p >= 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, p, sizeof word);
      if ((word & 0x8080808080808080ull) != 0) {
        break;
      }
      p += 8;
    }
    if (p == end) {
      break;
    }
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) {
        low = 0xA0;  // no overlong forms
      } else if (c == 0xED) {
        high = 0x9F;  // no surrogates
      }
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) {
        low = 0x90;
      } else if (c == 0xF4) {
        high = 0x8F;  // nothing beyond U+10FFFF
      }
    } else {
      return static_cast<std::size_t>(p - begin);
    }
    if (static_cast<std::size_t>(end - p) < length || p[1] < low || p[1] > high) {
      return static_cast<std::size_t>(p - begin);
    }
    for (std::size_t i = 2; i < length; ++i) {
      if ((p[i] & 0xC0) != 0x80) {
        return static_cast<std::size_t>(p - begin);
      }
    }
    p += length;
  }
  return text.size();
}

// The memory the items of a large read live in: fixed-size chunks, aligned
// to their size, so that an item finds its chunk from its own address and
// the allocator needs no state (nothing is added to each item). Items are
// carved from a chunk one after another; a chunk counts the items still
// living in it, and goes with the last of them, whichever tree holds it by
// then. The reader holds the chunk it is filling. One allocation per chunk
// instead of one per item makes reading, and above all destroying, a large
// tree much cheaper, and an item costs only its own bytes.
class ItemChunks {
 public:
  static constexpr std::size_t kChunkSize = std::size_t{1} << 16;

  ItemChunks() = default;
  ItemChunks(const ItemChunks&) = delete;
  ItemChunks& operator=(const ItemChunks&) = delete;
  ~ItemChunks() { LetGoOfCurrent(); }

  void* Allocate(std::size_t size) {
    size = (size + kAlign - 1) & ~(kAlign - 1);
    if (mCurrent == nullptr || size > mLeft) {
      if (size > kChunkSize - kHeaderSize) {
        throw std::bad_alloc();  // no item comes near the chunk size
      }
      void* memory = ::operator new(kChunkSize, std::align_val_t(kChunkSize));
      LetGoOfCurrent();
      mCurrent = new (memory) Header();
      mNext = static_cast<unsigned char*>(memory) + kHeaderSize;
      mLeft = kChunkSize - kHeaderSize;
    }
    void* item = mNext;
    mNext += size;
    mLeft -= size;
    mCurrent->mItems.fetch_add(1, std::memory_order_relaxed);
    return item;
  }

  // Items may end on other threads than the one that read them.
  static void Release(void* item) {
    const auto address = reinterpret_cast<std::uintptr_t>(item);
    Free(reinterpret_cast<Header*>(address & ~(std::uintptr_t{kChunkSize} - 1)));
  }

 private:
  // Items are at most 8-aligned; finer steps keep them small.
  static constexpr std::size_t kAlign = 8;
  struct Header {
    // Living items plus one while the reader fills the chunk.
    std::atomic<long> mItems{1};
  };
  static constexpr std::size_t kHeaderSize = alignof(std::max_align_t);
  static_assert(sizeof(Header) <= kHeaderSize);

  static void Free(Header* chunk) {
    if (chunk->mItems.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      chunk->~Header();
      ::operator delete(static_cast<void*>(chunk), std::align_val_t(kChunkSize));
    }
  }

  void LetGoOfCurrent() {
    if (mCurrent != nullptr) {
      Free(mCurrent);
      mCurrent = nullptr;
    }
  }

  Header* mCurrent = nullptr;
  unsigned char* mNext = nullptr;
  std::size_t mLeft = 0;
};

// The allocator that lets std::allocate_shared put an item, with its
// reference counts, into the reader's chunks. Stateless when freeing, so it
// takes no room in the item.
template <class T>
class ChunkAllocator {
 public:
  using value_type = T;

  explicit ChunkAllocator(ItemChunks* chunks) : mChunks(chunks) {}
  template <class U>
  ChunkAllocator(const ChunkAllocator<U>& other) : mChunks(other.mChunks) {}

  T* allocate(std::size_t count) {
    static_assert(alignof(T) <= 8);
    return static_cast<T*>(mChunks->Allocate(count * sizeof(T)));
  }
  void deallocate(T* item, std::size_t) { ItemChunks::Release(item); }

  template <class U>
  bool operator==(const ChunkAllocator<U>&) const {
    return true;
  }

 private:
  template <class U>
  friend class ChunkAllocator;
  ItemChunks* mChunks;
};

class Parser {
 public:
  // Texts below this size are read into ordinary heap items: a chunk would
  // be mostly empty.
  static constexpr std::size_t kChunkedText = ItemChunks::kChunkSize / 4;

  explicit Parser(std::string_view text) : mText(text) {
    if (text.size() >= kChunkedText) {
      mChunks = std::make_unique<ItemChunks>();
    }
  }

  CBlock ParseFile() {
    if (mText.size() >= 3 && std::memcmp(mText.data(), "\xEF\xBB\xBF", 3) == 0) {
      mPos = 3;
    }
    const std::size_t invalid = mPos + FindInvalidUtf8(mText.substr(mPos));
    if (invalid != mText.size()) {
      Fail(invalid, "invalid UTF-8");
    }
    SkipSpace();
    if (AtEnd()) {
      Fail(mPos, "expected a block, found the end of the text");
    }
    std::size_t nameStart = mPos;
    PackedCell name = ParseName();
    SkipSpace();
    if (!Accept('{')) {
      Fail(mPos, "expected '{' after the name of the outermost block");
    }
    CBlock block;
    BlockAccess::SetFreshName(block, std::move(name));
    ParseBlockBody(block, 1, nameStart);
    SkipSpace();
    if (!AtEnd()) {
      Fail(mPos, "unexpected text after the end of the outermost block");
    }
    return block;
  }

 private:
  [[noreturn]] void Fail(std::size_t offset, std::string message, int code = ReadError::kSyntax) {
    throw ParseFailure{offset, code, std::move(message)};
  }

  bool AtEnd() const { return mPos >= mText.size(); }
  char Peek() const { return AtEnd() ? '\0' : mText[mPos]; }
  bool Accept(char c) {
    if (!AtEnd() && mText[mPos] == c) {
      ++mPos;
      return true;
    }
    return false;
  }

  void SkipSpace() {
    const std::size_t size = mText.size();
    const char* text = mText.data();
    std::size_t pos = mPos;
    while (pos < size) {
      const char c = text[pos];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        ++pos;
      } else if (c == '#') {
        while (pos < size && text[pos] != '\n') {
          ++pos;
        }
      } else {
        break;
      }
    }
    mPos = pos;
  }

  // Items up to and including the closing '}' of a block whose '{' was just
  // read. `depth` is the nesting level of `block` (the outermost is 1). The
  // items wait on mPending until the block is complete, so that each block
  // gets a list of exactly its size.
  void ParseBlockBody(CBlock& block, int depth, std::size_t blockStart) {
    const std::size_t firstPending = mPending.size();
    for (;;) {
      SkipSpace();
      if (AtEnd()) {
        Fail(blockStart, "block \"" + Excerpt(std::string(BlockAccess::Name(block).GetText())) +
                             "\" is not closed by '}'");
      }
      if (Accept('}')) {
        const auto first = mPending.begin() + static_cast<std::ptrdiff_t>(firstPending);
        BlockAccess::SetFreshItems(block, first, mPending.end());
        mPending.erase(first, mPending.end());
        return;
      }
      const std::size_t itemStart = mPos;
      PackedCell name = ParseName();
      SkipSpace();
      const char opener = Peek();
      ++mPos;
      switch (opener) {
        case '{': {
          if (depth + 1 > kMaxNesting) {
            Fail(itemStart, "blocks nested deeper than " + std::to_string(kMaxNesting) + " levels",
                 ReadError::kTooDeep);
          }
          auto sub = MakeItem<CBlock>();
          BlockAccess::SetFreshName(*sub, std::move(name));
          ParseBlockBody(*sub, depth + 1, itemStart);
          mPending.push_back(std::move(sub));
          break;
        }
        case '=': {
          SkipSpace();
          auto value = MakeItem<CBlock_named_value>();
          BlockAccess::SetFreshName(*value, std::move(name));
          BlockAccess::SetFreshValue(*value, ParseValue());
          mPending.push_back(std::move(value));
          break;
        }
        case '(':
          mPending.push_back(ParseFunc(std::move(name)));
          break;
        case '[':
          mPending.push_back(ParseVec(std::move(name)));
          break;
        default:
          --mPos;
          Fail(mPos, AtEnd() ? "expected '{', '=', '(' or '[' after an item name, found the end"
                             : "expected '{', '=', '(' or '[' after an item name");
      }
    }
  }

  std::shared_ptr<CBlock_func> ParseFunc(PackedCell name) {
    auto func = MakeItem<CBlock_func>();
    BlockAccess::SetFreshName(*func, std::move(name));
    SkipSpace();
    if (Accept(')')) {
      return func;
    }
    for (;;) {
      SkipSpace();
      // An argument is named when a name is followed by '='.
      const std::size_t argStart = mPos;
      bool named = false;
      PackedCell argName;
      if (Peek() == '"' || IsIdentifierStart(static_cast<unsigned char>(Peek()))) {
        argName = ParseName();
        SkipSpace();
        named = Accept('=');
        if (!named) {
          mPos = argStart;
          argName = PackedCell();
        }
      }
      SkipSpace();
      BlockAccess::AddArg(*func, std::move(argName), named, ParseValue());
      SkipSpace();
      if (Accept(')')) {
        return func;
      }
      if (!Accept(',')) {
        Fail(mPos, AtEnd() ? "function item is not closed by ')'" : "expected ',' or ')'");
      }
    }
  }

  std::shared_ptr<CBlock_vec> ParseVec(PackedCell name) {
    auto vec = MakeItem<CBlock_vec>();
    BlockAccess::SetFreshName(*vec, std::move(name));
    SkipSpace();
    if (Accept(']')) {
      return vec;
    }
    // Elements gather in a reused buffer first, so the item's own list is
    // allocated once at its final size.
    mElements.clear();
    for (;;) {
      SkipSpace();
      mElements.push_back(ParseValue());
      SkipSpace();
      if (Accept(']')) {
        CBlock_vec& items = *vec;
        items.Reserve(mElements.size());
        for (CToken& element : mElements) {
          BlockAccess::AddElement(items, std::move(element));
        }
        mElements.clear();
        return vec;
      }
      if (!Accept(',')) {
        Fail(mPos, AtEnd() ? "vector item is not closed by ']'" : "expected ',' or ']'");
      }
    }
  }

  PackedCell ParseName() {
    if (Peek() == '"') {
      return ParseQuoted();
    }
    if (!IsIdentifierStart(static_cast<unsigned char>(Peek()))) {
      Fail(mPos, AtEnd() ? "expected a name, found the end" : "expected a name");
    }
    const std::size_t start = mPos;
    while (!AtEnd() && IsIdentifierChar(static_cast<unsigned char>(mText[mPos]))) {
      ++mPos;
    }
    // ASCII is its own packed form.
    return PackedCell::Text(mText.substr(start, mPos - start));
  }

  CToken ParseValue() {
    const char c = Peek();
    if (c == '"') {
      return BlockAccess::MakeToken(ParseQuoted());
    }
    const std::size_t start = mPos;
    // A bare word: a number, or one of true, false, inf, nan (optionally
    // signed for the last two).
    while (!AtEnd()) {
      const char d = mText[mPos];
      if ((d >= '0' && d <= '9') || (d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z') || d == '.' ||
          d == '+' || d == '-' || d == '_') {
        ++mPos;
      } else {
        break;
      }
    }
    const std::string_view word = mText.substr(start, mPos - start);
    if (word.empty()) {
      Fail(start, AtEnd() ? "expected a value, found the end" : "expected a value");
    }
    if (word == "true") {
      return CToken(true);
    }
    if (word == "false") {
      return CToken(false);
    }
    const char* first = word.data();
    const char* last = word.data() + word.size();
    bool integral = true;
    for (std::size_t i = (word[0] == '-' ? 1 : 0); i < word.size(); ++i) {
      integral = integral && word[i] >= '0' && word[i] <= '9';
    }
    if (integral && word.size() > (word[0] == '-' ? 1u : 0u)) {
      long number = 0;
      auto result = std::from_chars(first, last, number);
      if (result.ec == std::errc::result_out_of_range) {
        Fail(start, "integer out of range");
      }
      if (result.ec == std::errc() && result.ptr == last) {
        return CToken(number);
      }
    } else if (word[0] != '+') {
      double number = 0;
      auto result = std::from_chars(first, last, number);
      if (result.ec == std::errc::result_out_of_range) {
        Fail(start, "number out of range");
      }
      if (result.ec == std::errc() && result.ptr == last) {
        return CToken(number);
      }
    }
    Fail(start, "\"" + Excerpt(word) + "\" is not a value (texts are written in quotes)");
  }

  // A quoted text at mPos; leaves mPos after the closing quote. The input
  // was checked to be UTF-8, which is already the packed form, so a text
  // without escapes is taken as it stands.
  PackedCell ParseQuoted() {
    const std::size_t start = mPos;
    ++mPos;  // the opening quote
    std::size_t run = mPos;
    if (ScanPlain(run) && mText[run] == '"') {
      const std::string_view text = mText.substr(mPos, run - mPos);
      mPos = run + 1;
      return PackedCell::Text(text);
    }
    mScratch.clear();
    for (;;) {
      run = mPos;
      ScanPlain(run);
      mScratch.append(mText.data() + mPos, run - mPos);
      mPos = run;
      if (AtEnd()) {
        Fail(start, "text is not closed by '\"'");
      }
      const unsigned char c = static_cast<unsigned char>(mText[mPos]);
      if (c == '"') {
        ++mPos;
        return PackedCell::Text(mScratch);
      }
      if (c == '\\') {
        ParseEscape(mScratch);
        continue;
      }
      if (c == '\n' || c == '\r') {
        Fail(mPos, "line break inside a text (write \\n or \\r)");
      }
      Fail(mPos, "control character inside a text (write it as \\u{...})");
    }
  }

  // Moves `run` over characters that stand for themselves (TAB and every
  // character from space up but '"', '\\' and DEL); true when it stopped at
  // a byte rather than at the end.
  bool ScanPlain(std::size_t& run) const {
    const std::size_t size = mText.size();
    const char* text = mText.data();
    while (run < size) {
      const unsigned char c = static_cast<unsigned char>(text[run]);
      if (c == '"' || c == '\\' || c == 0x7F || (c < 0x20 && c != '\t')) {
        return true;
      }
      ++run;
    }
    return false;
  }

  void ParseEscape(std::string& text) {
    const std::size_t start = mPos;
    ++mPos;  // the backslash
    if (AtEnd()) {
      Fail(start, "text is not closed by '\"'");
    }
    const char c = mText[mPos++];
    switch (c) {
      case '"':
        text += '"';
        return;
      case '\\':
        text += '\\';
        return;
      case 'n':
        text += '\n';
        return;
      case 'r':
        text += '\r';
        return;
      case 't':
        text += '\t';
        return;
      case 'u':
        break;
      default:
        Fail(start, "unknown escape sequence");
    }
    if (!Accept('{')) {
      Fail(start, "expected '{' after \\u");
    }
    std::uint64_t value = 0;
    int digits = 0;
    while (!AtEnd() && mText[mPos] != '}') {
      const char d = mText[mPos];
      int digit = -1;
      if (d >= '0' && d <= '9') {
        digit = d - '0';
      } else if (d >= 'A' && d <= 'F') {
        digit = d - 'A' + 10;
      } else if (d >= 'a' && d <= 'f') {
        digit = d - 'a' + 10;
      }
      if (digit < 0 || digits == 8) {
        Fail(start, "\\u{...} takes one to eight hexadecimal digits");
      }
      value = value * 16 + static_cast<std::uint64_t>(digit);
      ++digits;
      ++mPos;
    }
    if (digits == 0 || !Accept('}')) {
      Fail(start, "\\u{...} takes one to eight hexadecimal digits");
    }
    if constexpr (kWideIsUtf16) {
      // A character beyond 16 bits becomes the surrogate pair that stands for it in UTF-16
      // units, the way the writer reads such a pair back to one character.
      if (value > 0x10FFFF) {
        Fail(start, "\\u{...} value too large for a character");
      }
      if (value > 0xFFFF) {
        // `text` is packed: the high unit, then the low one, which joins it.
        const std::uint64_t offset = value - 0x10000;
        detail::AppendWideUnit(text, static_cast<std::uint32_t>(0xD800 + (offset >> 10)));
        detail::AppendWideUnit(text, static_cast<std::uint32_t>(0xDC00 + (offset & 0x3FF)));
        return;
      }
    } else if (value > 0xFFFFFFFF) {
      Fail(start, "\\u{...} value too large for a character");
    }
    // The unit as written, whatever the sign of wchar_t.
    detail::AppendWideUnit(text, static_cast<std::uint32_t>(value));
  }

  template <class T>
  std::shared_ptr<T> MakeItem() {
    if (mChunks) {
      return std::allocate_shared<T>(ChunkAllocator<T>(mChunks.get()));
    }
    return std::make_shared<T>();
  }

  std::string_view mText;
  std::size_t mPos = 0;
  std::unique_ptr<ItemChunks> mChunks;
  // Items read but not yet handed to their block, innermost block last. A
  // deque grows without copying, so a block of very many items is not held
  // twice over while it is read.
  std::deque<CBlock_item_ptr> mPending;
  std::vector<CToken> mElements;
  std::string mScratch;
};

// Line and column (1-based; columns count characters) of a byte offset.
void LineAndColumn(std::string_view text, std::size_t offset, long& line, long& column) {
  if (offset > text.size()) {
    offset = text.size();
  }
  line = 1;
  column = 1;
  // A byte order mark is no character an editor would show.
  const std::size_t first =
      text.size() >= 3 && offset >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
  for (std::size_t i = first; i < offset; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      ++line;
      column = 1;
    } else if ((c & 0xC0) != 0x80) {
      ++column;
    }
  }
}

}  // namespace

ReadError WriteBlockText(const CBlock& block, std::string& out) {
  const std::size_t oldSize = out.size();
  bool written = false;
  {
    Writer writer(out);
    written = writer.WriteBlock(block, 1);
  }
  if (!written) {
    out.resize(oldSize);
    return ReadError(ReadError::kTooDeep, AString(L"cannot write blocks nested deeper than ") +
                                              AString::FromUtf8(std::to_string(kMaxNesting)) +
                                              AString(L" levels"));
  }
  return ReadError::kOk;
}

ReadError ReadBlockText(std::string_view text, CBlock& block) {
  try {
    Parser parser(text);
    block = parser.ParseFile();
    return ReadError::kOk;
  } catch (const ParseFailure& failure) {
    long line = 0;
    long column = 0;
    LineAndColumn(text, failure.mOffset, line, column);
    const std::string message = "line " + std::to_string(line) + ", column " +
                                std::to_string(column) + ": " + failure.mMessage;
    return ReadError(failure.mCode, AString::FromUtf8(message), line, column);
  } catch (const std::bad_alloc&) {
    return ReadError(ReadError::kSyntax, L"not enough memory to hold the blocks read");
  }
}

}  // namespace io
