#include "platform/automation/ConnectionPoint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace automation {
namespace {

class Listener : public virtual Object {
 public:
  virtual void OnValue(int& value) = 0;
};

class Recorder final : public Listener {
 public:
  Recorder(std::vector<std::string>* log, std::string name) : mLog(log), mName(std::move(name)) {}
  void OnValue(int& value) override {
    mLog->push_back(mName + ":" + std::to_string(value));
    value += 100;  // sinks may change by-reference arguments
  }

 private:
  std::vector<std::string>* mLog;
  std::string mName;
};

class Failing final : public Listener {
 public:
  void OnValue(int&) override { throw AutomationError(5, "sink failed"); }
};

TEST(ConnectionPointTest, FiresInConnectionOrderUntilDisconnected) {
  std::vector<std::string> log;
  ConnectionPoint<Listener> point;
  const auto first = point.Advise(MakeObject<Recorder>(&log, "a"));
  const auto second = point.Advise(MakeObject<Recorder>(&log, "b"));
  EXPECT_NE(first, 0u);
  EXPECT_NE(first, second);
  int value = 1;
  point.Fire([&](Listener& sink) { sink.OnValue(value); });
  EXPECT_EQ(log, (std::vector<std::string>{"a:1", "b:101"}));
  EXPECT_EQ(value, 201);

  EXPECT_TRUE(point.Unadvise(first));
  EXPECT_FALSE(point.Unadvise(first));
  EXPECT_FALSE(point.Unadvise(999));
  log.clear();
  int again = 5;
  point.Fire([&](Listener& sink) { sink.OnValue(again); });
  EXPECT_EQ(log, (std::vector<std::string>{"b:5"}));
}

TEST(ConnectionPointTest, FailingSinkDoesNotStopOthers) {
  std::vector<std::string> log;
  ConnectionPoint<Listener> point;
  point.Advise(MakeObject<Failing>());
  point.Advise(MakeObject<Recorder>(&log, "after"));
  int value = 0;
  EXPECT_NO_THROW(point.Fire([&](Listener& sink) { sink.OnValue(value); }));
  EXPECT_EQ(log, (std::vector<std::string>{"after:0"}));
}

TEST(ConnectionPointTest, HoldsSinkReferenceWhileConnected) {
  std::vector<std::string> log;
  ObjectPtr<Recorder> sink = MakeObject<Recorder>(&log, "s");
  {
    ConnectionPoint<Listener> point;
    const auto cookie = point.Advise(sink);
    EXPECT_EQ(sink->GetRefCount(), 2u);
    point.Unadvise(cookie);
    EXPECT_EQ(sink->GetRefCount(), 1u);
    point.Advise(sink);
  }
  EXPECT_EQ(sink->GetRefCount(), 1u);
  ConnectionPoint<Listener> point;
  EXPECT_THROW(point.Advise(nullptr), AutomationError);
}

}  // namespace
}  // namespace automation
