#include "platform/basalt/io/BlockText.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace {

using io::CBlock;
using io::CBlock_func;
using io::CBlock_named_value;
using io::CBlock_value;
using io::CBlock_vec;
using io::CToken;
using io::ReadError;

std::string Write(const CBlock& block) {
  std::string text;
  ReadError result = io::WriteBlockText(block, text);
  EXPECT_EQ(result, 0) << result.what();
  return text;
}

CBlock Read(std::string_view text) {
  CBlock block;
  ReadError result = io::ReadBlockText(text, block);
  EXPECT_EQ(result, 0) << result.what();
  return block;
}

// Every awkward character we know of, as a text.
AString NastyText() {
  AString text = L"quote \" backslash \\ tab \t newline \n return \r";
  for (wchar_t c = 0; c < 0x20; ++c) {
    text += c;
  }
  text += L"\x7F\x80\x85\x9F\xA0";
  text += L"中文 ÿ \u2028 \uFFFE \uFFFF";
  text += static_cast<wchar_t>(0x1F600);  // outside the BMP
  text += static_cast<wchar_t>(0x10FFFF);
  text += static_cast<wchar_t>(0xD800);  // lone surrogates
  text += static_cast<wchar_t>(0xDFFF);
  text += static_cast<wchar_t>(0x110000);  // beyond Unicode
  text += static_cast<wchar_t>(-1);
  text += L"\\u{41} end";
  return text;
}

CBlock SampleBlock() {
  CBlock root(L"Design 1");
  CBlock setups(L"SolveSetups");
  setups << CBlock_named_value(L"NextUniqueID", 3L);
  CBlock setup(L"Setup1");
  setup << CBlock_named_value(L"ID", 1L) << CBlock_named_value(L"SetupType", L"Driven")
        << CBlock_named_value(L"Ratio", 0.25) << CBlock_named_value(L"Enabled", true)
        << CBlock_named_value(L"Count", 3.0);
  setups << setup << CBlock(L"empty");
  root << setups;
  CBlock_func s(L"s");
  s << CBlock_value(L"S1") << CBlock_value(L"A : x");
  CBlock_func contents(L"FileContents");
  contents << CBlock_named_value(L"a", L"x") << CBlock_named_value(L"b c", L"y")
           << CBlock_named_value(L"true", false);
  CBlock_vec files(L"Files");
  files << L"one.txt" << 2L << -1.5;
  root << s << contents << files << CBlock_vec(L"none") << CBlock_func(L"p");
  return root;
}

TEST(BlockTextTest, WritesTheDocumentedLayout) {
  EXPECT_EQ(Write(SampleBlock()),
            "\"Design 1\" {\n"
            "  SolveSetups {\n"
            "    NextUniqueID = 3\n"
            "    Setup1 {\n"
            "      ID = 1\n"
            "      SetupType = \"Driven\"\n"
            "      Ratio = 0.25\n"
            "      Enabled = true\n"
            "      Count = 3.0\n"
            "    }\n"
            "    empty {}\n"
            "  }\n"
            "  s(\"S1\", \"A : x\")\n"
            "  FileContents(a = \"x\", \"b c\" = \"y\", true = false)\n"
            "  Files[\"one.txt\", 2, -1.5]\n"
            "  none[]\n"
            "  p()\n"
            "}\n");
}

TEST(BlockTextTest, RoundTripIsExactAndDeterministic) {
  const CBlock sample = SampleBlock();
  const std::string first = Write(sample);
  const CBlock back = Read(first);
  EXPECT_EQ(back, sample);
  EXPECT_EQ(Write(back), first);
  EXPECT_EQ(Write(SampleBlock()), first);
}

TEST(BlockTextTest, EveryNameAndTextRoundTrips) {
  const std::vector<AString> names = {
      L"",     L" ",    L"a b", L"[x]", L"{y}",     L"(z)", L"k=v", L"\"", L"#not a comment",
      L"1abc", L"true", L"a,b", L"é",   NastyText()};
  CBlock block(NastyText());
  for (const AString& name : names) {
    block << CBlock_named_value(name, name);
    CBlock_func func(name);
    func << CBlock_named_value(name, name) << CBlock_value(name);
    block << func;
    CBlock_vec vec(name);
    vec << name << AString();
    block << vec;
    block << CBlock(name);
  }
  const std::string text = Write(block);
  const CBlock back = Read(text);
  EXPECT_EQ(back, block);
  // Control characters never appear raw, so the text stays one item per line.
  for (unsigned char c : text) {
    EXPECT_TRUE(c >= 0x20 || c == '\n') << "raw control character " << int(c);
  }
}

TEST(BlockTextTest, NumbersRoundTripExactly) {
  const std::vector<long> longs = {0, 1, -1, std::numeric_limits<long>::max(),
                                   std::numeric_limits<long>::min()};
  const std::vector<double> doubles = {0.0,
                                       -0.0,
                                       0.1,
                                       1.0 / 3.0,
                                       -2.5e-300,
                                       4.9e-324,
                                       std::numeric_limits<double>::max(),
                                       std::numeric_limits<double>::lowest(),
                                       std::numeric_limits<double>::min(),
                                       1e22,
                                       123456789012345680.0,
                                       std::numeric_limits<double>::infinity(),
                                       -std::numeric_limits<double>::infinity(),
                                       std::numeric_limits<double>::quiet_NaN(),
                                       -std::numeric_limits<double>::quiet_NaN()};
  CBlock block(L"N");
  CBlock_vec vec(L"all");
  for (long value : longs) {
    block << CBlock_named_value(L"l", value);
    vec << value;
  }
  for (double value : doubles) {
    block << CBlock_named_value(L"d", value);
    vec << value;
  }
  block << vec;
  const CBlock back = Read(Write(block));
  EXPECT_EQ(back, block);  // doubles compare bit for bit
  std::mt19937_64 random(7);
  CBlock many(L"M");
  for (int i = 0; i < 2000; ++i) {
    double value = std::bit_cast<double>(random());
    if (std::isnan(value)) {
      continue;  // NaN payloads are not kept; covered above
    }
    many << CBlock_named_value(L"d", value);
  }
  EXPECT_EQ(Read(Write(many)), many);
}

TEST(BlockTextTest, ReaderAcceptsHandWrittenText) {
  const std::string text =
      "\xEF\xBB\xBF# a design saved by hand\r\n"
      "Top{ID=3 Name   =\"x\"# trailing comment\r\n"
      "\tf( 1 ,k= \"v\" ,\"q r\"=2.0 )v[ ]\n"
      "  \"quoted name\" { } tab = \"a\tb\"\n"
      "  hex = \"\\u{4e2d}\\u{1F600}\\u{0}\" big = 1E3 neg = -7\n"
      "}\n";
  CBlock expected(L"Top");
  expected << CBlock_named_value(L"ID", 3L) << CBlock_named_value(L"Name", L"x");
  CBlock_func f(L"f");
  f << CBlock_value(1L) << CBlock_named_value(L"k", L"v") << CBlock_named_value(L"q r", 2.0);
  // U+1F600 is one unit where wchar_t is 32 bits wide, a surrogate pair where it is 16.
  AString hex = L"中\U0001F600";
  hex += L'\0';
  expected << f << CBlock_vec(L"v") << CBlock(L"quoted name") << CBlock_named_value(L"tab", L"a\tb")
           << CBlock_named_value(L"hex", hex) << CBlock_named_value(L"big", 1000.0)
           << CBlock_named_value(L"neg", -7L);
  EXPECT_EQ(Read(text), expected);
}

struct BadText {
  const char* text;
  long line;
  long column;
  const char* fragment;  // part of the message
};

TEST(BlockTextTest, MalformedTextFailsWithLineAndColumn) {
  const std::vector<BadText> cases = {
      {"", 1, 1, "expected a block"},
      {"   # only a comment\n", 2, 1, "expected a block"},
      {"Top", 1, 4, "expected '{'"},
      {"Top {", 1, 1, "not closed"},
      {"Top {\n  a = 1\n", 1, 1, "not closed"},
      {"Top {\n  a 1\n}", 2, 5, "expected '{', '=', '(' or '['"},
      {"Top {\n  a = \n}", 3, 1, "expected a value"},
      {"Top {\n  a = abc\n}", 2, 7, "not a value"},
      {"Top {\n  a = 12x\n}", 2, 7, "not a value"},
      {"Top {\n  a = +1\n}", 2, 7, "not a value"},
      {"Top {\n  a = 99999999999999999999\n}", 2, 7, "out of range"},
      {"Top {\n  a = 1e999\n}", 2, 7, "out of range"},
      {"Top {\n  a = \"abc\n}", 2, 11, "line break"},
      {"Top {\n  a = \"abc", 2, 7, "not closed"},
      {"Top {\n  a = \"\\q\"\n}", 2, 8, "unknown escape"},
      {"Top {\n  a = \"\\u{}\"\n}", 2, 8, "hexadecimal"},
      {"Top {\n  a = \"\\u{123456789}\"\n}", 2, 8, "hexadecimal"},
      {"Top {\n  a = \"\\u{12\"\n}", 2, 8, "hexadecimal"},
      {"Top {\n  a = \"\\", 2, 8, "not closed"},
      {"Top {\n  a = \"x\x01y\"\n}", 2, 9, "control character"},
      {"Top {\n  f(1 2)\n}", 2, 7, "expected ',' or ')'"},
      {"Top {\n  f(1,", 2, 7, "expected a value"},
      {"Top {\n  f(a=)\n}", 2, 7, "expected a value"},
      {"Top {\n  v[1,,2]\n}", 2, 7, "expected a value"},
      {"Top {\n  v[1", 2, 6, "not closed by ']'"},
      {"Top {\n  = 1\n}", 2, 3, "expected a name"},
      {"Top {}\nMore {}", 2, 1, "after the end"},
      {"Top {}}", 1, 7, "after the end"},
      {"\xEF\xBB\xBFTop {}}", 1, 7, "after the end"},
      {"Top {\n  \"中文\" x\n}", 2, 8, "expected '{'"},
      {"Top {\n  a = \"\xC3\x28\"\n}", 2, 8, "invalid UTF-8"},
      {"Top {\n  a = \"\xED\xA0\x80\"\n}", 2, 8, "invalid UTF-8"},  // encoded surrogate
      {"Top {\n  a = \"\xF0\x9F\x98\"\n}", 2, 8, "invalid UTF-8"},  // cut short
  };
  CBlock scratch;
  ReadError longWord = io::ReadBlockText("T { a = " + std::string(5000, 'x') + " }", scratch);
  EXPECT_LT(std::string(longWord.what()).size(), 200u) << "messages quote at most an excerpt";
  for (const BadText& bad : cases) {
    CBlock block(L"Kept");
    block << CBlock_named_value(L"x", 1);
    const CBlock before = block;
    ReadError result = io::ReadBlockText(bad.text, block);
    SCOPED_TRACE(bad.text);
    EXPECT_TRUE(result.IsFailure());
    EXPECT_EQ(result.GetLine(), bad.line);
    EXPECT_EQ(result.GetColumn(), bad.column);
    EXPECT_NE(std::string(result.what()).find(bad.fragment), std::string::npos) << result.what();
    const std::string position =
        "line " + std::to_string(bad.line) + ", column " + std::to_string(bad.column);
    EXPECT_NE(std::string(result.what()).find(position), std::string::npos) << result.what();
    EXPECT_EQ(block, before) << "a failed read leaves the block alone";
  }
}

TEST(BlockTextTest, EveryTruncationAndCorruptionFailsCleanly) {
  CBlock block = SampleBlock();
  CBlock nasty(NastyText());
  nasty << CBlock_named_value(NastyText(), NastyText());
  block << nasty;
  const std::string text = Write(block);
  // A cut anywhere before the closing brace is an error, never an over-read:
  // each prefix lives in a heap buffer of exactly its size, so
  // AddressSanitizer traps a read of even one byte beyond it.
  const std::size_t closing = text.rfind('}');
  for (std::size_t length = 0; length <= closing; ++length) {
    std::unique_ptr<char[]> cut(new char[length == 0 ? 1 : length]);
    std::memcpy(cut.get(), text.data(), length);
    CBlock out;
    EXPECT_TRUE(io::ReadBlockText(std::string_view(cut.get(), length), out).IsFailure())
        << "length " << length;
  }
  // Random byte changes: whatever comes out must be a clean result.
  std::mt19937 random(1);
  for (int round = 0; round < 2000; ++round) {
    std::string changed = text;
    for (int k = 0; k < 3; ++k) {
      changed[random() % changed.size()] = static_cast<char>(random() % 256);
    }
    CBlock out;
    ReadError result = io::ReadBlockText(changed, out);
    if (result.IsOk()) {
      std::string again;
      EXPECT_EQ(io::WriteBlockText(out, again), 0);
    } else {
      EXPECT_GT(result.GetLine(), 0);
    }
  }
}

TEST(BlockTextTest, NestingIsLimited) {
  auto nested = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) {
      text += "b {";
    }
    for (int i = 0; i < depth; ++i) {
      text += "}";
    }
    return text;
  };
  CBlock deepest;
  EXPECT_EQ(io::ReadBlockText(nested(io::kMaxNesting), deepest), 0);
  ReadError tooDeep = io::ReadBlockText(nested(io::kMaxNesting + 1), deepest);
  EXPECT_EQ(tooDeep, ReadError::kTooDeep);
  EXPECT_EQ(tooDeep.GetColumn(), 3 * io::kMaxNesting + 1);
  // Far deeper input stops at the limit instead of exhausting the stack.
  EXPECT_EQ(io::ReadBlockText(std::string(1000000, '{').insert(0, "b "), deepest),
            ReadError::kSyntax);
  EXPECT_EQ(io::ReadBlockText(nested(100000), deepest), ReadError::kTooDeep);

  // The writer refuses what the reader would refuse, and leaves `out` alone.
  CBlock chain(L"b");
  for (int i = 1; i < io::kMaxNesting; ++i) {
    CBlock outer(L"b");
    outer << std::move(chain);
    chain = std::move(outer);
  }
  std::string out = "keep";
  EXPECT_EQ(io::WriteBlockText(chain, out), 0);
  CBlock tooDeepChain(L"b");
  tooDeepChain << chain;
  out = "keep";
  EXPECT_EQ(io::WriteBlockText(tooDeepChain, out), ReadError::kTooDeep);
  EXPECT_EQ(out, "keep");
}

}  // namespace

namespace {

// A text large enough for the reader to keep its items in shared chunks.
std::string LargeText(int setups) {
  CBlock design(L"Design");
  for (int i = 0; i < setups; ++i) {
    CBlock setup(AString(L"Setup ") + AString(std::to_wstring(i)));
    setup << CBlock_named_value(L"ID", static_cast<long>(i))
          << CBlock_named_value(L"Comment", L"a text longer than fifteen bytes \u00e9");
    CBlock_vec points(L"Points");
    points << 0.5 << static_cast<double>(i) << AString(L"x");
    setup << points;
    CBlock_func func(L"p");
    func << CBlock_named_value(L"w", 3L) << CBlock_value(L"3mm");
    setup << func;
    design << setup;
  }
  return Write(design);
}

}  // namespace

TEST(BlockTextTest, ItemsOfALargeReadOutliveTheBlockTheyWereReadInto) {
  const std::string text = LargeText(2000);
  ASSERT_GT(text.size(), 100000u);
  io::CBlockPtr kept(L"Setup 1234");
  CBlock other(L"Other");
  {
    CBlock design = Read(text);
    design >> kept;
    ASSERT_TRUE(kept);
    io::CBlockPtr last(L"Setup 1999");
    design >> last;
    ASSERT_TRUE(last);
    other << last;
  }
  // The design and every item not kept are gone; the kept ones still read.
  long id = 0;
  io::CBlock_named_value item(L"ID");
  *kept >> item;
  ASSERT_TRUE(kept->mGood);
  EXPECT_TRUE(item.Query(id));
  EXPECT_EQ(id, 1234);
  io::CBlockVecPtr points(L"Points");
  *kept >> points;
  ASSERT_TRUE(points);
  EXPECT_EQ(points->Item(2), CToken(AString(L"x")));
  // What moved to another block is the same as a fresh read of it.
  CBlock again = Read(text);
  io::CBlockPtr fresh(L"Setup 1999");
  again >> fresh;
  ASSERT_TRUE(fresh);
  EXPECT_EQ(*other.Item(0)->AsBlock(), *fresh);
}

TEST(BlockTextTest, ALargeReadWritesBackByteForByte) {
  const std::string text = LargeText(3000);
  EXPECT_EQ(Write(Read(text)), text);
  // A small text goes another way through the reader; the result is alike.
  const std::string small = LargeText(2);
  EXPECT_EQ(Write(Read(small)), small);
}
