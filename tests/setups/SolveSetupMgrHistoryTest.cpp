// Managers, their copies and the change records they make, driven the way
// undo histories drive them: each manager has its own history (a new record
// drops the undone ones, undo takes the newest done record back, redo the
// oldest undone one, a full history drops its oldest done record), while
// copies are made, assigned and destroyed in between. Run under the
// sanitizers, this catches a setup deleted twice or used after deletion; the
// live count catches one left behind.

#include <cstddef>
#include <deque>
#include <iterator>
#include <list>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "TestProduct.h"
#include "platform/basalt/VelmorAssert.h"
#include "setups/SolveSetupMgr.h"

namespace {

using setups_test::CDrivenSetup;
using setups_test::CTestSetupMgr;
using setups_test::gLiveGlobalData;
using setups_test::gLiveSetups;

using Record = ListDeltaState<CSolveSetup*>;

struct History {
  std::deque<std::unique_ptr<Record>> mRecords;  // oldest first
  std::size_t mDoneCount = 0;                    // the first mDoneCount are done

  Record* StartRecord(CSolveSetupMgr& manager) {
    while (mRecords.size() > mDoneCount) {
      mRecords.pop_back();
    }
    mRecords.emplace_back(manager.CreateListDeltaState(true));
    ++mDoneCount;
    return mRecords.back().get();
  }
  void Undo() {
    if (mDoneCount > 0) {
      mRecords[--mDoneCount]->UndoIt();
    }
  }
  void Redo() {
    if (mDoneCount < mRecords.size()) {
      mRecords[mDoneCount++]->RedoIt();
    }
  }
  void DropOldest() {
    if (mDoneCount > 0) {
      mRecords.pop_front();
      --mDoneCount;
    }
  }
};

CSolveSetup* PickSetup(CSolveSetupMgr& manager, std::mt19937& random) {
  auto setup = manager.GetFirstSetupForEdit();
  std::advance(setup, random() % manager.GetSetupCount());
  return *setup;
}

TEST(SolveSetupMgrHistoryTest, CopiesAndHistoriesReleaseEverySetupOnce) {
  // Records made for a manager that is later assigned to or destroyed are
  // reported when undone; those reports are expected here.
  AssertReportRecorder reports;
  for (unsigned seed = 0; seed < 300; ++seed) {
    SCOPED_TRACE(seed);
    gLiveSetups = 0;
    gLiveGlobalData = 0;
    std::mt19937 random(seed);
    std::vector<std::unique_ptr<CTestSetupMgr>> managers;
    std::map<CSolveSetupMgr*, History> histories;
    std::list<History> orphans;  // histories whose manager is gone
    const auto orphan = [&](CSolveSetupMgr* manager) {
      orphans.push_back(std::move(histories[manager]));
      histories.erase(manager);
    };

    for (int step = 0; step < 60; ++step) {
      if (managers.empty()) {
        managers.push_back(std::make_unique<CTestSetupMgr>());
        continue;
      }
      const std::size_t index = random() % managers.size();
      CTestSetupMgr& manager = *managers[index];
      History& history = histories[&manager];
      switch (random() % 10) {
        case 0:
        case 1: {
          Record* record = history.StartRecord(manager);
          manager.Add(CDrivenSetup::kType, AString(L"S"), record);
          if (random() % 2 == 0) {
            manager.Add(CDrivenSetup::kType, AString(L"S"), record);
          }
          break;
        }
        case 2:
          if (manager.GetSetupCount() > 0) {
            CSolveSetup* setup = PickSetup(manager, random);
            manager.DeleteSetup(setup, history.StartRecord(manager));
          }
          break;
        case 3:
          managers.push_back(std::make_unique<CTestSetupMgr>(manager));
          break;
        case 4: {
          CTestSetupMgr& source = *managers[random() % managers.size()];
          if (&source != &manager) {
            orphan(&manager);
          }
          manager = source;
          break;
        }
        case 5:
          history.Undo();
          break;
        case 6:
          history.Redo();
          break;
        case 7:
          orphan(&manager);
          managers.erase(managers.begin() + static_cast<std::ptrdiff_t>(index));
          break;
        case 8:
          history.DropOldest();
          break;
        default:
          if (!orphans.empty()) {
            auto dropped = orphans.begin();
            std::advance(dropped, random() % orphans.size());
            orphans.erase(dropped);
          }
          break;
      }
    }
    if (seed % 2 == 0) {
      histories.clear();
      orphans.clear();
      managers.clear();
    } else {
      managers.clear();
      orphans.clear();
      histories.clear();
    }
    ASSERT_EQ(gLiveSetups, 0);
    ASSERT_EQ(gLiveGlobalData, 0);
  }
}

}  // namespace
