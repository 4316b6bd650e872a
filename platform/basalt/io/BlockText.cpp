#include "platform/basalt/io/BlockText.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <system_error>

#include <utf8cpp/utf8.h>

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

class Writer {
 public:
  explicit Writer(std::string& out) : mOut(out) {}

  // False when the nesting is too deep; `out` may then hold a partial text.
  bool WriteBlock(const CBlock& block, int depth) {
    if (depth > kMaxNesting) {
      return false;
    }
    WriteName(block.Name());
    if (block.IsEmpty()) {
      mOut += " {}\n";
      return true;
    }
    mOut += " {\n";
    for (const CBlock_item_ptr& item : block) {
      Indent(depth);
      switch (item->GetKind()) {
        case CBlock_item::Kind::Block:
          if (!WriteBlock(*item->AsBlock(), depth + 1)) {
            return false;
          }
          continue;  // WriteBlock ended its own line
        case CBlock_item::Kind::NamedValue:
          WriteName(item->Name());
          mOut += " = ";
          WriteToken(item->AsNamedValue()->GetToken());
          break;
        case CBlock_item::Kind::Func: {
          const CBlock_func& func = *item->AsFunc();
          WriteName(func.Name());
          mOut += '(';
          for (std::size_t i = 0; i < func.Size(); ++i) {
            if (i > 0) {
              mOut += ", ";
            }
            if (func.IsNamedArg(i)) {
              WriteName(func.ArgName(i));
              mOut += " = ";
            }
            WriteToken(func.Item(i));
          }
          mOut += ')';
          break;
        }
        case CBlock_item::Kind::Vec: {
          const CBlock_vec& vec = *item->AsVec();
          WriteName(vec.Name());
          mOut += '[';
          for (std::size_t i = 0; i < vec.Size(); ++i) {
            if (i > 0) {
              mOut += ", ";
            }
            WriteToken(vec.Item(i));
          }
          mOut += ']';
          break;
        }
      }
      mOut += '\n';
    }
    Indent(depth - 1);
    mOut += "}\n";
    return true;
  }

 private:
  void Indent(int depth) { mOut.append(static_cast<std::size_t>(depth) * 2, ' '); }

  void WriteName(const AString& name) {
    bool bare = !name.empty() && IsIdentifierStart(static_cast<char32_t>(name[0]));
    for (std::size_t i = 1; bare && i < name.size(); ++i) {
      bare = IsIdentifierChar(static_cast<char32_t>(name[i]));
    }
    if (bare) {
      for (wchar_t c : name) {
        mOut += static_cast<char>(c);
      }
    } else {
      WriteQuoted(name);
    }
  }

  void WriteToken(const CToken& token) {
    if (token.IsText()) {
      AString text;
      token.Query(text);
      WriteQuoted(text);
    } else {
      // Numbers and bools format as plain ASCII.
      for (wchar_t c : token.FormatText()) {
        mOut += static_cast<char>(c);
      }
    }
  }

  void WriteEscape(std::uint32_t unit) {
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, unit, 16);
    mOut += "\\u{";
    for (char* p = buffer; p != result.ptr; ++p) {
      mOut += static_cast<char>(*p >= 'a' ? *p - 'a' + 'A' : *p);
    }
    mOut += '}';
  }

  void WriteQuoted(const AString& text) {
    mOut += '"';
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
      // Unsigned view of the unit: on POSIX wchar_t is signed, and any value,
      // negative ones included, must come back as it was.
      std::uint32_t c = static_cast<std::uint32_t>(text[i]);
      if constexpr (kWideIsUtf16) {
        c &= 0xFFFF;
      }
      if (c >= 0x20 && c < 0x7F) {
        if (c == '"' || c == '\\') {
          mOut += '\\';
        }
        mOut += static_cast<char>(c);
        continue;
      }
      switch (c) {
        case '\n':
          mOut += "\\n";
          continue;
        case '\r':
          mOut += "\\r";
          continue;
        case '\t':
          mOut += "\\t";
          continue;
        default:
          break;
      }
      if (kWideIsUtf16 && c >= 0xD800 && c <= 0xDBFF && i + 1 < size) {
        const std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]) & 0xFFFF;
        if (low >= 0xDC00 && low <= 0xDFFF) {
          utf8::append(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00), std::back_inserter(mOut));
          ++i;
          continue;
        }
      }
      // Control characters (C0, DEL, C1) stay visible; surrogates and values
      // beyond Unicode cannot be UTF-8 at all.
      if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        WriteEscape(c);
        continue;
      }
      utf8::unchecked::append(c, std::back_inserter(mOut));
    }
    mOut += '"';
  }

  std::string& mOut;
};

// ================================================================ reader

struct ParseFailure {
  std::size_t mOffset;
  int mCode;
  std::string mMessage;
};

class Parser {
 public:
  explicit Parser(std::string_view text) : mText(text) {}

  CBlock ParseFile() {
    if (mText.size() >= 3 && std::memcmp(mText.data(), "\xEF\xBB\xBF", 3) == 0) {
      mPos = 3;
    }
    const char* begin = mText.data() + mPos;
    const char* end = mText.data() + mText.size();
    const char* invalid = utf8::find_invalid(begin, end);
    if (invalid != end) {
      Fail(static_cast<std::size_t>(invalid - mText.data()), "invalid UTF-8");
    }
    SkipSpace();
    if (AtEnd()) {
      Fail(mPos, "expected a block, found the end of the text");
    }
    std::size_t nameStart = mPos;
    AString name = ParseName();
    SkipSpace();
    if (!Accept('{')) {
      Fail(mPos, "expected '{' after the name of the outermost block");
    }
    CBlock block(name);
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
    while (!AtEnd()) {
      const char c = mText[mPos];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        ++mPos;
      } else if (c == '#') {
        while (!AtEnd() && mText[mPos] != '\n') {
          ++mPos;
        }
      } else {
        break;
      }
    }
  }

  // Items up to and including the closing '}' of a block whose '{' was just
  // read. `depth` is the nesting level of `block` (the outermost is 1).
  void ParseBlockBody(CBlock& block, int depth, std::size_t blockStart) {
    for (;;) {
      SkipSpace();
      if (AtEnd()) {
        Fail(blockStart, "block \"" + Excerpt(block.Name().ToUtf8()) + "\" is not closed by '}'");
      }
      if (Accept('}')) {
        return;
      }
      const std::size_t itemStart = mPos;
      AString name = ParseName();
      SkipSpace();
      const char opener = Peek();
      ++mPos;
      switch (opener) {
        case '{': {
          if (depth + 1 > kMaxNesting) {
            Fail(itemStart, "blocks nested deeper than " + std::to_string(kMaxNesting) + " levels",
                 ReadError::kTooDeep);
          }
          auto sub = std::make_shared<CBlock>(name);
          ParseBlockBody(*sub, depth + 1, itemStart);
          block.Append(std::move(sub));
          break;
        }
        case '=':
          SkipSpace();
          block.Append(std::make_shared<CBlock_named_value>(name, CBlock_value(ParseValue())));
          break;
        case '(':
          block.Append(ParseFunc(name));
          break;
        case '[':
          block.Append(ParseVec(name));
          break;
        default:
          --mPos;
          Fail(mPos, AtEnd() ? "expected '{', '=', '(' or '[' after an item name, found the end"
                             : "expected '{', '=', '(' or '[' after an item name");
      }
    }
  }

  std::shared_ptr<CBlock_func> ParseFunc(const AString& name) {
    auto func = std::make_shared<CBlock_func>(name);
    SkipSpace();
    if (Accept(')')) {
      return func;
    }
    for (;;) {
      SkipSpace();
      // An argument is named when a name is followed by '='.
      const std::size_t argStart = mPos;
      bool named = false;
      AString argName;
      if (Peek() == '"' || IsIdentifierStart(static_cast<unsigned char>(Peek()))) {
        argName = ParseName();
        SkipSpace();
        named = Accept('=');
        if (!named) {
          mPos = argStart;
        }
      }
      SkipSpace();
      CToken value = ParseValue();
      if (named) {
        *func << CBlock_named_value(argName, CBlock_value(value));
      } else {
        *func << CBlock_value(value);
      }
      SkipSpace();
      if (Accept(')')) {
        return func;
      }
      if (!Accept(',')) {
        Fail(mPos, AtEnd() ? "function item is not closed by ')'" : "expected ',' or ')'");
      }
    }
  }

  std::shared_ptr<CBlock_vec> ParseVec(const AString& name) {
    auto vec = std::make_shared<CBlock_vec>(name);
    SkipSpace();
    if (Accept(']')) {
      return vec;
    }
    for (;;) {
      SkipSpace();
      *vec << ParseValue();
      SkipSpace();
      if (Accept(']')) {
        return vec;
      }
      if (!Accept(',')) {
        Fail(mPos, AtEnd() ? "vector item is not closed by ']'" : "expected ',' or ']'");
      }
    }
  }

  AString ParseName() {
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
    AString name;
    name.reserve(mPos - start);
    for (std::size_t i = start; i < mPos; ++i) {
      name += static_cast<wchar_t>(mText[i]);
    }
    return name;
  }

  CToken ParseValue() {
    const char c = Peek();
    if (c == '"') {
      return CToken(ParseQuoted());
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

  // A quoted text at mPos; leaves mPos after the closing quote.
  AString ParseQuoted() {
    const std::size_t start = mPos;
    ++mPos;  // the opening quote
    AString text;
    for (;;) {
      // Copy the run of plain ASCII in one go.
      std::size_t run = mPos;
      while (run < mText.size()) {
        const unsigned char c = static_cast<unsigned char>(mText[run]);
        if (c == '"' || c == '\\' || c < 0x20 || c >= 0x7F) {
          break;
        }
        ++run;
      }
      if (run > mPos) {
        const std::size_t old = text.size();
        text.resize(old + (run - mPos));
        for (std::size_t i = mPos; i < run; ++i) {
          text[old + (i - mPos)] = static_cast<wchar_t>(mText[i]);
        }
        mPos = run;
      }
      if (AtEnd()) {
        Fail(start, "text is not closed by '\"'");
      }
      const unsigned char c = static_cast<unsigned char>(mText[mPos]);
      if (c == '"') {
        ++mPos;
        return text;
      }
      if (c == '\\') {
        ParseEscape(text);
        continue;
      }
      if (c == '\n' || c == '\r') {
        Fail(mPos, "line break inside a text (write \\n or \\r)");
      }
      if (c < 0x20 || c == 0x7F) {
        if (c != '\t') {
          Fail(mPos, "control character inside a text (write it as \\u{...})");
        }
        text += L'\t';
        ++mPos;
        continue;
      }
      // Multi-byte UTF-8; the whole input was validated up front.
      const char* it = mText.data() + mPos;
      const std::uint32_t cp = utf8::unchecked::next(it);
      mPos = static_cast<std::size_t>(it - mText.data());
      AppendCodePoint(text, cp);
    }
  }

  static void AppendCodePoint(AString& text, std::uint32_t cp) {
    if (kWideIsUtf16 && cp > 0xFFFF) {
      cp -= 0x10000;
      text += static_cast<wchar_t>(0xD800 + (cp >> 10));
      text += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
      text += static_cast<wchar_t>(cp);
    }
  }

  void ParseEscape(AString& text) {
    const std::size_t start = mPos;
    ++mPos;  // the backslash
    if (AtEnd()) {
      Fail(start, "text is not closed by '\"'");
    }
    const char c = mText[mPos++];
    switch (c) {
      case '"':
        text += L'"';
        return;
      case '\\':
        text += L'\\';
        return;
      case 'n':
        text += L'\n';
        return;
      case 'r':
        text += L'\r';
        return;
      case 't':
        text += L'\t';
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
        const std::uint64_t offset = value - 0x10000;
        text += static_cast<wchar_t>(0xD800 + (offset >> 10));
        text += static_cast<wchar_t>(0xDC00 + (offset & 0x3FF));
        return;
      }
    } else if (value > 0xFFFFFFFF) {
      Fail(start, "\\u{...} value too large for a character");
    }
    // Reinterpret as the (possibly signed) wchar_t unit it was written from.
    text += static_cast<wchar_t>(static_cast<std::make_unsigned_t<wchar_t>>(value));
  }

  std::string_view mText;
  std::size_t mPos = 0;
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
  Writer writer(out);
  if (!writer.WriteBlock(block, 1)) {
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
