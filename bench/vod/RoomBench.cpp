// Throughput of the room list on a store file of 10,000 rooms: adding the rooms one by one
// through Room_AddNewInfo (each with its look-up of the name and machine name), listing them
// with Room_GetAll and walking them with Room_BrowseInfo.
//
// The add benchmark times every thousand adds on its own and fails when the last thousand take
// more than twice as long as the first: one add must cost the same however many rooms there are.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/automation/Collection.h"
#include "platform/dao/BaseLink.h"
#include "vod/Base.h"
#include "vod/RavelinSchema.h"

namespace {

constexpr int kRooms = 10000;
constexpr int kBatch = 1000;

class ScratchStore {
 public:
  ScratchStore() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "ravelin-room-bench-XXXXXX").string();
    mDir = mkdtemp(pattern.data());
    mPath = (mDir / "vod.db").string();
    vod::CreateRavelinDatabase(mPath);
    mBase = automation::MakeObject<vod::Base>();
    if (!mBase->InitInterface(mPath)) {
      throw std::runtime_error("cannot open " + mPath);
    }
  }
  ~ScratchStore() {
    mBase.Reset();
    std::error_code ignored;
    std::filesystem::remove_all(mDir, ignored);
  }
  vod::Base& Get() { return *mBase; }

 private:
  std::filesystem::path mDir;
  std::string mPath;
  vod::BasePtr mBase;
};

vod::RoomInfoStruct MakeRoom(int i) {
  vod::RoomInfoStruct room;
  const std::string n = std::to_string(i);
  room.strRoomName = "Room " + n;
  room.strRoomCode = "C" + n;
  room.strRoomHost = "PC-" + n;
  room.strUseTime = "2h";
  room.lngFinityTime = i % 120;
  room.bytRoomStatus = static_cast<std::uint8_t>(i % 9);
  room.strRoomIP = "10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256);
  room.strMac = "00-16-3e-00-00-" + std::to_string(i % 100);
  room.strFloor = std::to_string(1 + i % 12) + "f";
  return room;
}

// Adds rooms first..last; false when one was refused.
bool AddRooms(vod::Base& base, int first, int last) {
  for (int i = first; i <= last; ++i) {
    vod::RoomInfoStruct room = MakeRoom(i);
    if (base.Room_AddNewInfo(room) == 0) {
      return false;
    }
  }
  return true;
}

void BM_RoomAddNewInfo(benchmark::State& state) {
  double firstBatch = 0;
  double lastBatch = 0;
  // One pass (Iterations(1)) over a new store.
  ScratchStore store;
  for (auto _ : state) {
    for (int batch = 0; batch < kRooms / kBatch; ++batch) {
      const auto start = std::chrono::steady_clock::now();
      if (!AddRooms(store.Get(), batch * kBatch + 1, (batch + 1) * kBatch)) {
        state.SkipWithError("a room was refused");
        return;
      }
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (batch == 0) {
        firstBatch = seconds;
      }
      lastBatch = seconds;
    }
  }
  state.SetItemsProcessed(state.iterations() * kRooms);
  state.counters["first_1000_ms"] = firstBatch * 1000;
  state.counters["last_1000_ms"] = lastBatch * 1000;
  state.counters["last_to_first"] = lastBatch / firstBatch;
  if (lastBatch > 2 * firstBatch) {
    state.SkipWithError("the adds from 9,000 to 10,000 took more than twice the first 1,000");
  }
}
BENCHMARK(BM_RoomAddNewInfo)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One store of 10,000 rooms for the read benchmarks.
ScratchStore& FullStore() {
  static ScratchStore store;
  static const bool filled = AddRooms(store.Get(), 1, kRooms);
  if (!filled) {
    throw std::runtime_error("cannot fill the store");
  }
  return store;
}

void BM_RoomGetAll(benchmark::State& state) {
  vod::Base& base = FullStore().Get();
  for (auto _ : state) {
    const automation::CollectionPtr rooms = base.Room_GetAll();
    if (rooms->Count() != kRooms) {
      state.SkipWithError("not every room listed");
      return;
    }
    benchmark::DoNotOptimize(rooms.Get());
  }
  state.SetItemsProcessed(state.iterations() * kRooms);
}
BENCHMARK(BM_RoomGetAll)->Unit(benchmark::kMillisecond)->UseRealTime();

class CountingSink final : public vod::BaseEvents {
 public:
  void OnRoomBrowseInfo(vod::RoomInfoStruct& sttRoom, std::int32_t& lngRate) override {
    ++mEvents;
    benchmark::DoNotOptimize(sttRoom.lngRoomID + lngRate);
  }
  int mEvents = 0;
};

void BM_RoomBrowseInfo(benchmark::State& state) {
  vod::Base& base = FullStore().Get();
  auto sink = automation::MakeObject<CountingSink>();
  const std::uint32_t cookie = base.Advise(sink);
  for (auto _ : state) {
    sink->mEvents = 0;
    base.Room_BrowseInfo();
    if (sink->mEvents != kRooms) {
      state.SkipWithError("not every room reported");
      break;
    }
  }
  base.Unadvise(cookie);
  state.SetItemsProcessed(state.iterations() * kRooms);
}
BENCHMARK(BM_RoomBrowseInfo)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
