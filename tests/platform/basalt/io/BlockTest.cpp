#include "platform/basalt/io/Block.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using io::CBlock;
using io::CBlock_func;
using io::CBlock_named_value;
using io::CBlock_value;
using io::CBlock_vec;
using io::CBlockFuncPtr;
using io::CBlockPtr;
using io::CBlockVecPtr;
using io::CToken;

// What only a long wider than int and than a double's 53 bits can show (LP64;
// on Windows a long is 32 bits wide). A template, so that its constants are
// only made for such a long.
template <typename Long>
void CheckWideLongQueries() {
  double real = 0;
  int small = 3;
  // 2^53 + 1 has no exact double.
  EXPECT_FALSE(CToken(static_cast<Long>(9007199254740993LL)).Query(real));
  EXPECT_TRUE(CToken(static_cast<Long>(9007199254740992LL)).Query(real));
  EXPECT_FALSE(CToken(std::numeric_limits<Long>::max()).Query(real));
  EXPECT_FALSE(CToken(static_cast<Long>(std::numeric_limits<int>::max()) + 1).Query(small));
  EXPECT_EQ(small, 3) << "a failed query leaves the variable alone";
}

TEST(CTokenTest, QueriesAnswerOnlyTheirOwnKindOrLosslessConversions) {
  AString text;
  long number = 0;
  int small = 0;
  double real = 0;
  bool flag = false;

  EXPECT_TRUE(CToken(L"12").Query(text));
  EXPECT_EQ(text, L"12");
  EXPECT_FALSE(CToken(L"12").Query(number)) << "texts are never parsed as numbers";
  EXPECT_FALSE(CToken(12L).Query(text)) << "numbers never answer a text query";
  EXPECT_FALSE(CToken(true).Query(number));
  EXPECT_FALSE(CToken(1L).Query(flag));
  EXPECT_FALSE(CToken(2.5).Query(number));

  EXPECT_TRUE(CToken(7L).Query(real));
  EXPECT_EQ(real, 7.0);
  EXPECT_TRUE(CToken(std::numeric_limits<long>::max()).Query(small) ==
              (sizeof(long) == sizeof(int)))
      << "a long converts to int exactly when it fits";

  EXPECT_TRUE(CToken(-5L).Query(small));
  EXPECT_EQ(small, -5);
  if constexpr (std::numeric_limits<long>::digits > 53) {
    CheckWideLongQueries<long>();
  }
}

TEST(CTokenTest, FormatTextKeepsDoublesRecognisable) {
  EXPECT_EQ(CToken(3.0).FormatText(), L"3.0");
  EXPECT_EQ(CToken(-0.0).FormatText(), L"-0.0");
  EXPECT_EQ(CToken(0.1).FormatText(), L"0.1");
  EXPECT_EQ(CToken(1e20).FormatText(), L"1e+20");
  EXPECT_EQ(CToken(std::numeric_limits<double>::infinity()).FormatText(), L"inf");
  EXPECT_EQ(CToken(-42L).FormatText(), L"-42");
  EXPECT_EQ(CToken(false).FormatText(), L"false");
  EXPECT_EQ(CToken(L"a \"b\"").FormatText(), L"a \"b\"");
}

TEST(CTokenTest, EqualityIsIdentity) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(CToken(nan), CToken(nan));
  EXPECT_NE(CToken(0.0), CToken(-0.0));
  EXPECT_NE(CToken(1L), CToken(1.0));
  EXPECT_NE(CToken(L"1"), CToken(1L));
  EXPECT_EQ(CToken(L"x"), CToken(AString(L"x")));
}

TEST(CBlockTest, AppendsInOrderAndWalksAllKinds) {
  CBlock block(L"Top");
  block << CBlock(L"Sub") << CBlock_named_value(L"ID", 3);
  CBlock_func func(L"s");
  func << CBlock_value(L"S1") << CBlock_named_value(L"k", 2.5);
  block << func;
  CBlock_vec vec(L"Files");
  vec << L"a.txt" << 4L;
  block << vec;

  EXPECT_EQ(block.Name(), L"Top");
  ASSERT_EQ(block.Size(), 4u);
  std::vector<CBlock::Kind> kinds;
  std::vector<AString> names;
  for (const io::CBlock_item_ptr& item : block) {
    kinds.push_back(item->GetKind());
    names.push_back(item->Name());
  }
  EXPECT_EQ(kinds, (std::vector<CBlock::Kind>{CBlock::Kind::Block, CBlock::Kind::NamedValue,
                                              CBlock::Kind::Func, CBlock::Kind::Vec}));
  EXPECT_EQ(names, (std::vector<AString>{L"Sub", L"ID", L"s", L"Files"}));
  EXPECT_EQ(block.Item(0)->AsFunc(), nullptr);
  ASSERT_NE(block.Item(2)->AsFunc(), nullptr);

  const CBlock_func& stored = *block.Item(2)->AsFunc();
  ASSERT_EQ(stored.Size(), 2u);
  EXPECT_FALSE(stored.IsNamedArg(0));
  EXPECT_EQ(stored.ArgName(0), L"");
  EXPECT_TRUE(stored.IsNamedArg(1));
  EXPECT_EQ(stored.ArgName(1), L"k");
  ASSERT_NE(stored.FindArg(L"k"), nullptr);
  EXPECT_EQ(*stored.FindArg(L"k"), CToken(2.5));
  EXPECT_EQ(stored.FindArg(L"S1"), nullptr) << "unnamed arguments have no name to find";
  EXPECT_THROW(stored.Item(2), std::out_of_range);
  AString text;
  EXPECT_TRUE(stored.Query(0, text));
  EXPECT_EQ(text, L"S1");
  EXPECT_FALSE(stored.Query(1, text)) << "a double is no text";
  EXPECT_FALSE(stored.Query(2, text)) << "no third argument";
  EXPECT_EQ(text, L"S1");

  const CBlock_vec& files = *block.Item(3)->AsVec();
  long number = 0;
  EXPECT_TRUE(files.Query(1, number));
  EXPECT_EQ(number, 4);
  EXPECT_FALSE(files.Query(0, number));
  EXPECT_FALSE(files.Query(9, number));
  EXPECT_THROW(files.Item(2), std::out_of_range);
}

TEST(CBlockTest, FindByNameAndKindSetsGood) {
  CBlock block(L"Top");
  block << CBlock_named_value(L"X", 1) << CBlock(L"X") << CBlock_named_value(L"X", 2);

  CBlockPtr sub(L"X");
  block >> sub;
  EXPECT_TRUE(block.mGood);
  ASSERT_TRUE(sub);
  EXPECT_EQ(sub.get(), block.Item(1).get()) << "the pointer refers to the item in the block";

  CBlock_named_value value(L"X");
  block >> value;
  EXPECT_TRUE(block.mGood);
  EXPECT_EQ(value.GetToken(), CToken(1)) << "the first item of a name wins";

  CBlockVecPtr vec(L"X");
  block >> vec;
  EXPECT_FALSE(block.mGood) << "a name of another kind does not count";
  EXPECT_FALSE(vec);
  EXPECT_EQ(vec.Name(), L"X") << "a miss keeps the wanted name";

  CBlockPtr other(L"x");
  block >> other;
  EXPECT_FALSE(block.mGood) << "names are case-sensitive";

  block >> sub;  // a hit after a miss sets the flag again
  EXPECT_TRUE(block.mGood);
}

TEST(CBlockTest, LargeBlocksFindFirstItemsAndFollowRenames) {
  CBlock block(L"Big");
  for (int i = 0; i < 200; ++i) {
    block << CBlock_named_value(AString(L"k") + AString::FromUtf8(std::to_string(i % 150)), i);
  }
  for (int i = 0; i < 150; ++i) {
    CBlock_named_value value(AString(L"k") + AString::FromUtf8(std::to_string(i)));
    block >> value;
    ASSERT_TRUE(block.mGood);
    long number = -1;
    ASSERT_TRUE(value.Query(number));
    EXPECT_EQ(number, i);
  }
  // Items appended after the first look-up are found too.
  block << CBlock(L"late");
  CBlockPtr late(L"late");
  block >> late;
  EXPECT_TRUE(block.mGood);

  // Renaming through a shared pointer: the block answers by the new name only.
  io::CBlockNamedValuePtr renamed(L"k7");
  block >> renamed;
  ASSERT_TRUE(renamed);
  renamed->SetName(L"seven");
  CBlock_named_value seven(L"seven");
  block >> seven;
  EXPECT_TRUE(block.mGood);
  CBlock_named_value k7(L"k7");
  block >> k7;
  EXPECT_TRUE(block.mGood) << "the second k7 (item 157) is still there";
  long number = 0;
  k7.Query(number);
  EXPECT_EQ(number, 157);
}

TEST(CBlockTest, CopiesAreDeepPointersShare) {
  CBlock original(L"Top");
  original << CBlock(L"Sub");
  CBlock copy(original);
  CBlockPtr inCopy(L"Sub");
  copy >> inCopy;
  *inCopy << CBlock_named_value(L"added", true);
  CBlockPtr inOriginal(L"Sub");
  original >> inOriginal;
  EXPECT_TRUE(inOriginal->IsEmpty()) << "a copy shares nothing with the original";
  EXPECT_FALSE(copy == original);

  // Appending a pointer shares: later changes show in the block.
  CBlock parent(L"Parent");
  CBlockPtr shared = CBlockPtr::Make(L"Shared");
  parent << shared;
  *shared << CBlock_named_value(L"late", 1);
  EXPECT_EQ(parent.Item(0)->AsBlock()->Size(), 1u);

  // Appending by value copies: later changes do not.
  CBlock byValue(L"ByValue");
  parent << byValue;
  byValue << CBlock_named_value(L"late", 1);
  EXPECT_TRUE(parent.Item(1)->AsBlock()->IsEmpty());

  CBlockFuncPtr none;
  parent << none;
  EXPECT_EQ(parent.Size(), 2u) << "a null pointer appends nothing";
}

TEST(CBlockTest, ABlockCannotContainItself) {
  CBlockPtr top = CBlockPtr::Make(L"Top");
  EXPECT_THROW(*top << top, std::invalid_argument);
  CBlockPtr middle = CBlockPtr::Make(L"Middle");
  *top << middle;
  CBlockPtr bottom = CBlockPtr::Make(L"Bottom");
  *middle << bottom;
  EXPECT_THROW(*bottom << top, std::invalid_argument);
  EXPECT_THROW(*bottom << middle, std::invalid_argument);
  EXPECT_TRUE(bottom->IsEmpty());
  // Sharing one block in two places is no cycle.
  CBlock other(L"Other");
  other << bottom;
  *top << bottom;
  EXPECT_EQ(top->Size(), 2u);
  // A copy of an enclosing block is a new tree and may go anywhere.
  *bottom << *top;
  EXPECT_EQ(bottom->Size(), 1u);
}

TEST(CBlockTest, EqualityComparesNamesKindsAndContentRecursively) {
  auto make = [](double last) {
    CBlock block(L"B");
    CBlock sub(L"S");
    sub << CBlock_named_value(L"v", last);
    block << sub;
    return block;
  };
  EXPECT_EQ(make(1.0), make(1.0));
  EXPECT_FALSE(make(1.0) == make(2.0));
  CBlock renamed = make(1.0);
  renamed.SetName(L"C");
  EXPECT_FALSE(renamed == make(1.0));

  CBlock_func named(L"f");
  named << CBlock_named_value(L"a", 1);
  CBlock_func unnamed(L"f");
  unnamed << CBlock_value(1);
  EXPECT_FALSE(named.IsEqual(unnamed)) << "a named argument differs from an unnamed one";
}

TEST(CBlockTest, MovedFromBlockIsEmptyAndReusable) {
  CBlock block(L"B");
  block << CBlock_named_value(L"a", 1);
  CBlock moved(std::move(block));
  EXPECT_EQ(moved.Size(), 1u);
  block << CBlock_named_value(L"b", 2);  // NOLINT(bugprone-use-after-move): reuse is allowed
  EXPECT_EQ(block.Size(), 1u);
  block.Clear();
  EXPECT_TRUE(block.IsEmpty());
}

}  // namespace

namespace {

// Texts of every kind of wchar_t unit, around the 15 bytes a name or text
// keeps inline.
std::vector<AString> UnusualTexts() {
  std::vector<AString> texts = {AString(), AString(15, L'x'), AString(16, L'x'),
                                AString(14, L'x') + L"\u00e9", AString(L"\u20ac\U0001F600")};
  AString units;
  for (std::uint32_t unit :
       {0x1u, 0x7Fu, 0x80u, 0x9Fu, 0x7FFu, 0x800u, 0xD800u, 0xDBFFu, 0xDC00u, 0xDFFFu, 0xFFFFu}) {
    units += static_cast<wchar_t>(unit);
  }
  if (sizeof(wchar_t) == 4) {
    // Values beyond Unicode, and the negative ones of a signed wchar_t.
    for (std::uint32_t unit :
         {0x10FFFFu, 0x110000u, 0x3FFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
      units += static_cast<wchar_t>(unit);
    }
  }
  texts.push_back(units);
  // A high surrogate followed by a low one must stay the two units it was.
  texts.push_back(AString(1, static_cast<wchar_t>(0xD83D)) + static_cast<wchar_t>(0xDE00));
  return texts;
}

}  // namespace

TEST(CTokenTest, EveryTextComesBackAsItWasGiven) {
  for (const AString& text : UnusualTexts()) {
    const CToken token(text);
    AString back;
    ASSERT_TRUE(token.Query(back));
    EXPECT_EQ(back, text);
    EXPECT_EQ(token.FormatText(), text);

    // Copies and moves keep the text, inline or not.
    CToken copy(token);
    EXPECT_EQ(copy, token);
    CToken moved(std::move(copy));
    EXPECT_EQ(moved, token);
    copy = moved;
    moved = CToken(3L);
    EXPECT_EQ(copy, token);
    EXPECT_FALSE(moved == token);

    CBlock_func func(text);
    func << CBlock_named_value(text, text);
    EXPECT_EQ(func.Name(), text);
    EXPECT_EQ(func.ArgName(0), text);
    ASSERT_NE(func.FindArg(text), nullptr);
    EXPECT_EQ(*func.FindArg(text), token);
  }
}

TEST(CBlockTest, NamesOfAllKindsAreFoundAndRenamed) {
  CBlock block(L"Unusual");
  const std::vector<AString> texts = UnusualTexts();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    block << CBlock_named_value(texts[i], static_cast<long>(i));
  }
  // Enough items for the block to look names up in its index.
  for (std::size_t i = 0; i < 20; ++i) {
    block << CBlock_named_value(texts[i % texts.size()], -1L);
  }
  for (std::size_t i = 0; i < texts.size(); ++i) {
    CBlock_named_value found(texts[i]);
    block >> found;
    ASSERT_TRUE(block.mGood);
    long number = -1;
    EXPECT_TRUE(found.Query(number));
    EXPECT_EQ(number, static_cast<long>(i)) << "the first item of that name";
  }
  block.Item(1)->SetName(L"renamed");
  EXPECT_EQ(block.Item(1)->Name(), L"renamed");
  EXPECT_NE(block.Find(L"renamed", io::CBlock_item::Kind::NamedValue), nullptr);
}
