#include "platform/automation/Object.h"

#include <gtest/gtest.h>

#include "platform/automation/Guid.h"

namespace automation {
namespace {

class Speaker : public virtual Object {
 public:
  virtual int Speak() = 0;
};

class Counter : public virtual Object {
 public:
  virtual int Count() = 0;
};

class Both final : public Speaker, public Counter {
 public:
  explicit Both(bool* destroyed) : mDestroyed(destroyed) {}
  int Speak() override { return 1; }
  int Count() override { return 2; }

 private:
  ~Both() override { *mDestroyed = true; }
  bool* mDestroyed;
};

class OnlySpeaker final : public Speaker {
 public:
  int Speak() override { return 3; }
};

TEST(ObjectTest, LastReleaseDeletes) {
  bool destroyed = false;
  {
    auto object = MakeObject<Both>(&destroyed);
    EXPECT_EQ(object->GetRefCount(), 1u);
    ObjectPtr<Speaker> speaker = object;
    EXPECT_EQ(object->GetRefCount(), 2u);
  }
  EXPECT_TRUE(destroyed);
}

TEST(ObjectTest, QueryInterfaceFindsOnlyImplementedInterfaces) {
  bool destroyed = false;
  ObjectPtr<Speaker> speaker = MakeObject<Both>(&destroyed);
  auto counter = QueryInterface<Counter>(speaker);
  ASSERT_TRUE(counter);
  EXPECT_EQ(counter->Count(), 2);
  ObjectPtr<Speaker> lonely = MakeObject<OnlySpeaker>();
  EXPECT_FALSE(QueryInterface<Counter>(lonely));
  EXPECT_FALSE(QueryInterface<Counter>(ObjectPtr<Speaker>()));
}

TEST(GuidTest, ParsesAndPrintsRegistryForm) {
  const Guid guid = Guid::FromString("{3CA5FB85-894A-4CE9-9115-D1FFC5278234}");
  EXPECT_EQ(guid.ToString(), "{3CA5FB85-894A-4CE9-9115-D1FFC5278234}");
  EXPECT_EQ(Guid::FromString("3ca5fb85-894a-4ce9-9115-d1ffc5278234"), guid);
  EXPECT_FALSE(Guid::TryParse("{3CA5FB85-894A-4CE9-9115-D1FFC527823}"));
  EXPECT_FALSE(Guid::TryParse("{3CA5FB85+894A-4CE9-9115-D1FFC5278234}"));
  EXPECT_FALSE(Guid::TryParse("{3CA5FB85-894A-4CE9-9115-D1FFC527823G}"));
  EXPECT_TRUE(Guid().IsNull());
  EXPECT_THROW(Guid::FromString("nope"), std::invalid_argument);
}

}  // namespace
}  // namespace automation
