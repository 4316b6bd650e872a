#include "platform/automation/Collection.h"

#include <gtest/gtest.h>

namespace automation {
namespace {

long ErrorOf(auto&& call) {
  try {
    call();
  } catch (const AutomationError& error) {
    return error.GetNumber();
  }
  return 0;
}

TEST(CollectionTest, ItemsAreOneBasedInAddOrder) {
  auto coll = MakeObject<Collection>();
  EXPECT_EQ(coll->Count(), 0);
  coll->Add("first");
  coll->Add(2);
  EXPECT_EQ(coll->Count(), 2);
  EXPECT_EQ(coll->Item(1).ToString(), "first");
  EXPECT_EQ(coll->Item(2).ToLong(), 2);
  EXPECT_EQ(coll->Item(Variant(1.0)).ToString(), "first");
  coll->Remove(1);
  EXPECT_EQ(coll->Item(1).ToLong(), 2);
}

TEST(CollectionTest, BadIndexRaisesSubscriptOutOfRange) {
  auto coll = MakeObject<Collection>();
  coll->Add("only");
  EXPECT_EQ(ErrorOf([&] { coll->Item(0); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { coll->Item(2); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { coll->Item(-1); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { coll->Item("key"); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { coll->Remove(5); }), kErrSubscriptOutOfRange);
  EXPECT_EQ(coll->Count(), 1);
}

TEST(CollectionTest, HoldsReferencesToObjectItems) {
  auto inner = MakeObject<Collection>();
  {
    auto outer = MakeObject<Collection>();
    outer->Add(inner);
    EXPECT_EQ(inner->GetRefCount(), 2u);
  }
  EXPECT_EQ(inner->GetRefCount(), 1u);
}

}  // namespace
}  // namespace automation
