// Saving and loading a design of 1,000 solve setups through the block text
// format, the way a host stores a design: manager -> blocks -> text, and back.
#include <string>

#include <benchmark/benchmark.h>

#include "platform/basalt/io/BlockText.h"
#include "platform/basalt/io/DataExchange.h"
#include "setups/SolveSetupMgr.h"

namespace {

constexpr int kSetupCount = 1000;

// A setup with a handful of settings, as a product's would have.
class CBenchSetup : public CSolveSetup {
 public:
  int GetSetupType() override { return 1; }
  void SetDefaults() override {
    mPasses = 6;
    mFrequency = 1.5e9;
    mSolver = L"Direct";
    mAdaptive = true;
  }
  io::ReadError DoDataExchange(io::CBlock& block, bool reading) override {
    io::ReadError result = CSolveSetup::DoDataExchange(block, reading);
    io::DoDataExchange(block, reading, AString(L"Passes"), mPasses, 0);
    io::DoDataExchange(block, reading, AString(L"Frequency"), mFrequency, 0);
    io::DoDataExchange(block, reading, AString(L"Solver"), mSolver, 0);
    io::DoDataExchange(block, reading, AString(L"Adaptive"), mAdaptive, 0);
    return result;
  }

  long mPasses = 0;
  double mFrequency = 0.0;
  AString mSolver;
  bool mAdaptive = false;
};

class CBenchGlobalData : public CGlobalSetupData {
 public:
  AString GetItemName() const override { return AString(L"BenchGlobalData"); }
  io::ReadError DoDataExchange(io::CBlock& block, bool reading) override {
    return io::DoDataExchange(block, reading, AString(L"Tolerance"), mTolerance, 0);
  }
  long mTolerance = 2;
};

class CBenchSetupMgr : public CSolveSetupMgr {
 public:
  CBenchSetupMgr() : CSolveSetupMgr(1) {
    AddSetupType(1, AString(L"Driven"));
    SetGlobalSetupData(new CBenchGlobalData());
  }
  CSolveSetup* NewSetup(int type) const override { return type == 1 ? new CBenchSetup() : nullptr; }
};

// The saved text of a design with `count` setups.
std::string SavedDesign(int count = kSetupCount) {
  CBenchSetupMgr manager;
  for (int i = 0; i < count; ++i) {
    CSolveSetup* setup = manager.CreateSetup(1, true);
    setup->SetName(AString(L"Setup") + AString(std::to_wstring(i + 1)));
    manager.AddSetup(setup, nullptr);
  }
  io::CBlock design(L"Design");
  manager.DoDataExchange(design, false);
  std::string text;
  io::WriteBlockText(design, text);
  return text;
}

void BM_SaveSetups(benchmark::State& state) {
  CBenchSetupMgr manager;
  io::CBlock loaded;
  io::ReadBlockText(SavedDesign(), loaded);
  manager.DoDataExchange(loaded, true);
  std::size_t bytes = 0;
  for (auto _ : state) {
    io::CBlock design(L"Design");
    manager.DoDataExchange(design, false);
    std::string text;
    io::WriteBlockText(design, text);
    bytes += text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations() * kSetupCount);
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_SaveSetups)->Unit(benchmark::kMillisecond);

void BM_LoadSetups(benchmark::State& state) {
  const std::string text = SavedDesign();
  for (auto _ : state) {
    io::CBlock design;
    io::ReadBlockText(text, design);
    CBenchSetupMgr manager;
    if (manager.DoDataExchange(design, true) != 0 || manager.GetSetupCount() != kSetupCount) {
      state.SkipWithError("loading failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kSetupCount);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_LoadSetups)->Unit(benchmark::kMillisecond);

// Building the setups one at a time with unique names, as a user adding
// setups does: each new name must differ from all earlier ones. Linear
// growth means the 20,000 cost about 10 times the 2,000.
void BM_CreateUniquelyNamedSetups(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    CBenchSetupMgr manager;
    for (int i = 0; i < count; ++i) {
      manager.AddSetup(manager.CreateSetup(1, AString(L"Setup")), nullptr);
    }
    benchmark::DoNotOptimize(manager.GetSetupCount());
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_CreateUniquelyNamedSetups)
    ->Arg(kSetupCount)
    ->Arg(2000)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

// Loading designs of growing size: text -> blocks -> setups.
void BM_LoadLargeDesign(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string text = SavedDesign(count);
  for (auto _ : state) {
    io::CBlock design;
    io::ReadBlockText(text, design);
    CBenchSetupMgr manager;
    if (manager.DoDataExchange(design, true) != 0 || manager.GetSetupCount() != count) {
      state.SkipWithError("loading failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * count);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_LoadLargeDesign)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
