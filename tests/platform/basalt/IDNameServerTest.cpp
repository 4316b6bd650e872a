#include <gtest/gtest.h>

#include "platform/basalt/VelmorAssert.h"
#include "platform/basalt/VelmorIDServer.h"
#include "platform/basalt/VelmorNameServer.h"
#include "platform/basalt/io/Block.h"
#include "platform/basalt/io/DataExchange.h"
#include "platform/basalt/io/ReadError.h"

namespace {

TEST(VelmorIDServerTest, HandsOutIncreasingIDsFromTheFirst) {
  VelmorIDServer server(id::initialID, false, nullptr);
  EXPECT_EQ(server.GetCounterName(), L"NextUniqueID");
  EXPECT_EQ(server.FetchNextUniqueID(), id::initialID);
  EXPECT_EQ(server.FetchNextUniqueID(), id::initialID + 1);
  IIDServer& asInterface = server;
  EXPECT_EQ(asInterface.FetchNextUniqueID(), id::initialID + 2);
  EXPECT_NE(id::initialID, id::invalidID);
  VelmorIDServer low(-5);
  EXPECT_EQ(low.FetchNextUniqueID(), id::initialID);
}

TEST(VelmorIDServerTest, CounterRoundTripsAsOneNamedValue) {
  VelmorIDServer server;
  for (int i = 0; i < 4; ++i) {
    server.FetchNextUniqueID();
  }
  io::CBlock block(L"SolveSetups");
  ASSERT_TRUE(server.WriteNextUniqueID(block));
  ASSERT_EQ(block.Size(), 1u);
  EXPECT_EQ(block.Item(0)->GetKind(), io::CBlock_item::Kind::NamedValue);
  EXPECT_EQ(block.Item(0)->Name(), L"NextUniqueID");

  VelmorIDServer restored;
  EXPECT_EQ(restored.ResetNextUniqueID(block).GetCode(), 0);
  EXPECT_EQ(restored.FetchNextUniqueID(), 5);
}

TEST(VelmorIDServerTest, MissingOrBadCounterWarnsAndFallsBack) {
  VelmorIDServer server(10, false, L"Counter");
  server.FetchNextUniqueID();
  io::CBlock empty;
  EXPECT_GT(server.ResetNextUniqueID(empty).GetCode(), 0);
  EXPECT_EQ(server.PeekNextUniqueID(), 10);

  io::CBlock negative;
  long stored = -7;
  io::DoDataExchange(negative, false, L"Counter", stored, 0);
  EXPECT_GT(server.ResetNextUniqueID(negative).GetCode(), 0);
  EXPECT_EQ(server.PeekNextUniqueID(), 10);

  io::CBlock text;
  AString word(L"many");
  io::DoDataExchange(text, false, L"Counter", word, 0);
  EXPECT_GT(server.ResetNextUniqueID(text).GetCode(), 0);
  EXPECT_EQ(server.PeekNextUniqueID(), 10);
}

TEST(VelmorIDServerTest, NeverLowerKeepsIDsAlreadyHandedOut) {
  VelmorIDServer source;
  io::CBlock block;
  source.WriteNextUniqueID(block);  // counter 1

  VelmorIDServer keeping(id::initialID, true, nullptr);
  for (int i = 0; i < 3; ++i) {
    keeping.FetchNextUniqueID();
  }
  keeping.ResetNextUniqueID(block);
  EXPECT_EQ(keeping.FetchNextUniqueID(), 4);

  VelmorIDServer restoring;
  for (int i = 0; i < 3; ++i) {
    restoring.FetchNextUniqueID();
  }
  restoring.ResetNextUniqueID(block);
  EXPECT_EQ(restoring.FetchNextUniqueID(), 1);
}

TEST(VelmorIDServerTest, ExhaustedCounterIsReportedInsteadOfRepeating) {
  AssertReportRecorder recorder;
  io::CBlock block;
  long last = LONG_MAX;
  io::DoDataExchange(block, false, L"NextUniqueID", last, 0);
  VelmorIDServer server;
  server.ResetNextUniqueID(block);
  EXPECT_EQ(server.FetchNextUniqueID(), id::invalidID);
  EXPECT_EQ(recorder.GetCount(), 1);
}

class Names : public VelmorNameServer {
 public:
  void GetAllNames(std::list<AString>& names) const override {
    names.insert(names.end(), mNames.begin(), mNames.end());
  }
  std::list<AString> mNames;
};

TEST(VelmorNameServerTest, AlwaysIndexAppendsSmallestFreeNumberIgnoringCase) {
  Names names;
  EXPECT_EQ(names.GetUniqueName(L"Setup", VelmorNameServer::kAlwaysIndex), L"Setup1");
  names.mNames = {L"SETUP1", L"setup3", L"Other"};
  EXPECT_EQ(names.GetUniqueName(L"Setup", 1), L"Setup2");
  names.mNames.push_back(L"Setup2");
  EXPECT_EQ(names.GetUniqueName(L"Setup", 1), L"Setup4");
  EXPECT_EQ(names.GetUniqueName(L"Setup", 42), L"Setup4");
}

TEST(VelmorNameServerTest, IndexWhenTakenKeepsAFreeBase) {
  Names names;
  names.mNames = {L"Sweep"};
  EXPECT_EQ(names.GetUniqueName(L"Setup", VelmorNameServer::kIndexWhenTaken), L"Setup");
  EXPECT_EQ(names.GetUniqueName(L"SWEEP", VelmorNameServer::kIndexWhenTaken), L"SWEEP1");
}

// An owner that keeps the server informed, and counts how often the server
// had to list the names.
class RememberingNames : public VelmorNameServer {
 public:
  void GetAllNames(std::list<AString>& names) const override {
    ++mListings;
    names.insert(names.end(), mNames.begin(), mNames.end());
  }
  bool KeepsNamesInStep() const override { return mInStep; }
  void Add(const AString& name) {
    mNames.push_back(name);
    NameAdded(name);
  }
  void Remove(const AString& name) {
    mNames.remove(name);
    NameRemoved(name);
  }
  std::list<AString> mNames;
  bool mInStep = true;
  mutable int mListings = 0;
};

TEST(VelmorNameServerTest, ARememberingServerListsOnceAndFollowsReports) {
  RememberingNames names;
  for (int i = 0; i < 12; ++i) {
    names.Add(names.GetUniqueName(L"Setup", 1));
  }
  EXPECT_EQ(names.mNames.back(), L"Setup12");
  EXPECT_EQ(names.mListings, 1);

  // Removing Setup12 frees 12 of "Setup" and 2 of "Setup1".
  EXPECT_EQ(names.GetUniqueName(L"setup1", 1), L"setup13");
  names.Remove(L"Setup12");
  EXPECT_EQ(names.GetUniqueName(L"Setup", 1), L"Setup12");
  EXPECT_EQ(names.GetUniqueName(L"setup1", 1), L"setup12");
  names.Remove(L"Setup3");
  EXPECT_EQ(names.GetUniqueName(L"SETUP", 1), L"SETUP3");
  EXPECT_EQ(names.GetUniqueName(L"Setup3", VelmorNameServer::kIndexWhenTaken), L"Setup3");
  EXPECT_EQ(names.mListings, 1);
}

TEST(VelmorNameServerTest, AnOwnerOutOfStepMakesTheServerListAgain) {
  RememberingNames names;
  names.Add(names.GetUniqueName(L"Setup", 1));
  // A name the server was not told about.
  names.mNames.push_back(L"Setup2");
  names.mInStep = false;
  EXPECT_EQ(names.GetUniqueName(L"Setup", 1), L"Setup3");
  EXPECT_EQ(names.mListings, 2);

  // Copies remember nothing: they list on first use.
  names.mInStep = true;
  RememberingNames copy(names);
  copy.mListings = 0;
  EXPECT_EQ(copy.GetUniqueName(L"Setup", 1), L"Setup3");
  EXPECT_EQ(copy.mListings, 1);
}

TEST(VelmorNameServerTest, IsNameValidRefusesWithAReason) {
  Names names;
  AString reason(L"stale");
  EXPECT_TRUE(names.IsNameValid(L"Setup 1 [fast] = x", reason));
  EXPECT_TRUE(reason.empty());
  EXPECT_TRUE(names.IsNameValid(L"\u8bbe\u7f6e", reason));
  for (const wchar_t* bad : {L"", L" Setup", L"Setup ", L"\tSetup", L"Set\nup", L"Set\x7fup"}) {
    EXPECT_FALSE(names.IsNameValid(bad, reason)) << AString(bad).ToUtf8();
    EXPECT_FALSE(reason.empty());
  }
  names.IsNameValid(L"", reason);
  EXPECT_EQ(reason, L"The name is empty.");
}

}  // namespace
