#include "platform/basalt/io/DataExchange.h"

#include <limits>

#include <gtest/gtest.h>

#include "platform/basalt/io/StreamioBlockObject.h"

namespace {

using io::CBlock;
using io::CBlock_named_value;
using io::CBlockPtr;
using io::DoDataExchange;
using io::ReadError;

TEST(DataExchangeTest, ScalarsRoundTripThroughABlock) {
  CBlock block(L"B");
  AString text = L"Setup \"1\"";
  long number = std::numeric_limits<long>::min();
  int small = -7;
  bool flag = true;
  double real = 0.1;
  EXPECT_EQ(DoDataExchange(block, false, L"Name", text, 0), 0);
  EXPECT_EQ(DoDataExchange(block, false, L"ID", number, 0), 0);
  EXPECT_EQ(DoDataExchange(block, false, L"Small", small, 0), 0);
  EXPECT_EQ(DoDataExchange(block, false, L"Flag", flag, 0), 0);
  EXPECT_EQ(DoDataExchange(block, false, L"Real", real, 0), 0);
  ASSERT_EQ(block.Size(), 5u);
  EXPECT_EQ(block.Item(0)->Name(), L"Name");

  AString textIn;
  long numberIn = 0;
  int smallIn = 0;
  bool flagIn = false;
  double realIn = 0;
  EXPECT_EQ(DoDataExchange(block, true, L"Name", textIn, 0), 0);
  EXPECT_EQ(DoDataExchange(block, true, L"ID", numberIn, 0), 0);
  EXPECT_EQ(DoDataExchange(block, true, L"Small", smallIn, 0), 0);
  EXPECT_EQ(DoDataExchange(block, true, L"Flag", flagIn, 0), 0);
  EXPECT_EQ(DoDataExchange(block, true, L"Real", realIn, 0), 0);
  EXPECT_EQ(textIn, text);
  EXPECT_EQ(numberIn, number);
  EXPECT_EQ(smallIn, small);
  EXPECT_EQ(flagIn, flag);
  EXPECT_EQ(realIn, real);
}

TEST(DataExchangeTest, MissingAndWrongKindAreWarningsThatKeepTheVariable) {
  CBlock block(L"B");
  block << CBlock_named_value(L"Text", L"abc") << CBlock(L"Sub");

  long number = 5;
  ReadError missing = DoDataExchange(block, true, L"ID", number, 0);
  EXPECT_EQ(missing, ReadError::kMissing);
  EXPECT_TRUE(missing.IsWarning());
  EXPECT_EQ(number, 5);

  EXPECT_EQ(DoDataExchange(block, true, L"Text", number, 0), ReadError::kWrongType);
  EXPECT_EQ(number, 5);

  // A sub-block is not a named value of the same name.
  AString text = L"kept";
  EXPECT_EQ(DoDataExchange(block, true, L"Sub", text, 0), ReadError::kMissing);
  EXPECT_EQ(text, L"kept");
}

TEST(DataExchangeTest, RequirementOneThrowsTheReadError) {
  CBlock block(L"B");
  block << CBlock_named_value(L"Flag", 1);
  bool flag = false;
  try {
    DoDataExchange(block, true, L"Missing", flag, 1);
    FAIL() << "expected a throw";
  } catch (const ReadError& error) {
    EXPECT_EQ(error.GetCode(), ReadError::kMissing);
    EXPECT_NE(error.GetMessage().find(L"Missing"), AString::npos);
    EXPECT_NE(std::string(error.what()).find("Missing"), std::string::npos);
  }
  EXPECT_THROW(DoDataExchange(block, true, L"Flag", flag, 1), ReadError);
  CBlockPtr sub;
  EXPECT_THROW(DoDataExchange(block, true, L"Sub", sub, 1), ReadError);
  // Writing never throws.
  EXPECT_EQ(DoDataExchange(block, false, L"Flag2", flag, 1), 0);
}

TEST(DataExchangeTest, SubBlockPointerSharesWithTheParent) {
  CBlock parent(L"P");
  CBlockPtr params;
  ASSERT_EQ(DoDataExchange(parent, false, L"Params", params, 0), 0);
  ASSERT_TRUE(params);
  AString after = L"3mm";
  DoDataExchange(*params, false, L"w", after, 0);  // added after the sub-block went in

  CBlockPtr readBack;
  ASSERT_EQ(DoDataExchange(parent, true, L"Params", readBack, 0), 0);
  EXPECT_EQ(readBack.get(), params.get());
  AString w;
  EXPECT_EQ(DoDataExchange(*readBack, true, L"w", w, 0), 0);
  EXPECT_EQ(w, L"3mm");

  // A pointer to a block of another name is appended under the key, without
  // renaming the caller's block.
  CBlockPtr other = CBlockPtr::Make(L"Other");
  *other << CBlock_named_value(L"x", 1);
  const CBlockPtr before = other;
  DoDataExchange(parent, false, L"Key", other, 0);
  EXPECT_EQ(before->Name(), L"Other");
  EXPECT_EQ(other->Name(), L"Key");
  EXPECT_EQ(other->Size(), 1u);
  EXPECT_EQ(parent.Item(1)->Name(), L"Key");

  CBlockPtr missing = CBlockPtr::Make(L"Untouched");
  EXPECT_EQ(DoDataExchange(parent, true, L"Nope", missing, 0), ReadError::kMissing);
  EXPECT_EQ(missing->Name(), L"Untouched");
}

TEST(DataExchangeTest, SubBlockByReferenceCopies) {
  CBlock parent(L"P");
  CBlock sub(L"anything");
  sub << CBlock_named_value(L"x", 1);
  ASSERT_EQ(DoDataExchange(parent, false, L"S", sub, 0), 0);
  sub << CBlock_named_value(L"y", 2);
  EXPECT_EQ(parent.Item(0)->AsBlock()->Size(), 1u);
  EXPECT_EQ(parent.Item(0)->Name(), L"S");

  CBlock read;
  ASSERT_EQ(DoDataExchange(parent, true, L"S", read, 0), 0);
  EXPECT_EQ(read.Name(), L"S");
  EXPECT_EQ(read.Size(), 1u);
}

// A persistent object with one field, and a switch to make it fail.
class Probe : public io::CStreamio_block_object {
 public:
  AString GetItemName() const override { return L"Probe"; }
  ReadError DoDataExchange(CBlock& block, bool reading) override {
    mReadError = 0;
    if (IsInScripting()) {
      return mReadError;
    }
    ReadError result = io::DoDataExchange(block, reading, L"Value", mValue, 0);
    if (result != 0) {
      mReadError = result;
    }
    return mFailWith != 0 ? ReadError(mFailWith) : mReadError;
  }
  long mValue = 0;
  int mFailWith = 0;
};

TEST(StreamioBlockObjectTest, ReadAndWriteAreTheTwoDirectionsOfTheExchange) {
  Probe out;
  out.mValue = 42;
  CBlock block(L"B");
  EXPECT_TRUE(out.Write(block));
  Probe in;
  EXPECT_EQ(in.Read(block), 0);
  EXPECT_EQ(in.mValue, 42);

  CBlock empty(L"E");
  EXPECT_EQ(in.Read(empty), ReadError::kMissing);
  EXPECT_EQ(in.mReadError, ReadError::kMissing);

  out.mFailWith = 1;
  EXPECT_TRUE(out.Write(block)) << "a warning is no failure";
  out.mFailWith = -1;
  EXPECT_FALSE(out.Write(block));
}

TEST(StreamioBlockObjectTest, ItemHelpersUseTheItemName) {
  Probe out;
  out.mValue = 9;
  CBlock parent(L"P");
  EXPECT_TRUE(out.WriteItem(parent));
  ASSERT_EQ(parent.Size(), 1u);
  EXPECT_EQ(parent.Item(0)->Name(), L"Probe");

  Probe in;
  EXPECT_EQ(in.ReadItem(parent), 0);
  EXPECT_EQ(in.mValue, 9);
  CBlock empty(L"E");
  EXPECT_EQ(in.ReadItem(empty), ReadError::kMissing);

  out.mFailWith = -4;
  EXPECT_FALSE(out.WriteItem(parent));
  EXPECT_EQ(parent.Size(), 1u) << "a failed write appends nothing";

  Probe scripted;
  scripted.mIsInScripting = true;
  Probe copy(scripted);
  EXPECT_TRUE(copy.IsInScripting());
  CBlock untouched(L"U");
  EXPECT_TRUE(copy.Write(untouched));
  EXPECT_TRUE(untouched.IsEmpty());
}

}  // namespace
