// Throughput of the block text format on about 10 MB of setup-like content:
// many setups with mixed named values, partner catalogues with function
// items, and file lists, written to and read from a file and a string.
//
// The same content, written by this program as indented JSON, is parsed by
// RapidJSON and nlohmann::json as references. Reading counts the destruction
// of what was read, for the blocks and for the references alike, since a
// host pays for both. Memory of a parsed tree is the peak of live heap bytes
// while reading, counted by the replaced global operator new below
// (RapidJSON allocates with malloc, so its figure is its allocator's
// capacity).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <nlohmann/json.hpp>

#include "platform/basalt/io/BlockText.h"

// ---------------------------------------------------------------- heap count

namespace {

// Live and peak bytes handed out by operator new. Each block carries its size
// in a header, so operator delete knows what it gives back. The benchmarks
// run on one thread, so plain relaxed loads and stores suffice and keep the
// count from weighing on the timings.
std::atomic<long long> gLiveBytes{0};
std::atomic<long long> gPeakBytes{0};
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* CountedAlloc(std::size_t size) {
  void* raw = std::malloc(size + kHeader);
  if (raw == nullptr) {
    throw std::bad_alloc();
  }
  *static_cast<std::size_t*>(raw) = size;
  const long long live = gLiveBytes.load(std::memory_order_relaxed) + static_cast<long long>(size);
  gLiveBytes.store(live, std::memory_order_relaxed);
  if (live > gPeakBytes.load(std::memory_order_relaxed)) {
    gPeakBytes.store(live, std::memory_order_relaxed);
  }
  return static_cast<char*>(raw) + kHeader;
}

void CountedFree(void* block) noexcept {
  if (block == nullptr) {
    return;
  }
  void* raw = static_cast<char*>(block) - kHeader;
  gLiveBytes.store(gLiveBytes.load(std::memory_order_relaxed) -
                       static_cast<long long>(*static_cast<std::size_t*>(raw)),
                   std::memory_order_relaxed);
  std::free(raw);
}

// Over-aligned blocks: the header sits right before the aligned address and
// also keeps where the malloc'd block starts.
struct AlignedHeader {
  void* mRaw;
  std::size_t mSize;
};

void* CountedAlignedAlloc(std::size_t size, std::align_val_t alignment) {
  const auto align = static_cast<std::size_t>(alignment);
  void* raw = std::malloc(size + align + sizeof(AlignedHeader));
  if (raw == nullptr) {
    throw std::bad_alloc();
  }
  const auto start = reinterpret_cast<std::uintptr_t>(raw) + sizeof(AlignedHeader);
  auto* block = reinterpret_cast<char*>((start + align - 1) & ~(std::uintptr_t{align} - 1));
  auto* header = reinterpret_cast<AlignedHeader*>(block) - 1;
  header->mRaw = raw;
  header->mSize = size;
  const long long live = gLiveBytes.load(std::memory_order_relaxed) + static_cast<long long>(size);
  gLiveBytes.store(live, std::memory_order_relaxed);
  if (live > gPeakBytes.load(std::memory_order_relaxed)) {
    gPeakBytes.store(live, std::memory_order_relaxed);
  }
  return block;
}

void CountedAlignedFree(void* block) noexcept {
  if (block == nullptr) {
    return;
  }
  auto* header = static_cast<AlignedHeader*>(block) - 1;
  gLiveBytes.store(
      gLiveBytes.load(std::memory_order_relaxed) - static_cast<long long>(header->mSize),
      std::memory_order_relaxed);
  std::free(header->mRaw);
}

}  // namespace

void* operator new(std::size_t size, std::align_val_t alignment) {
  return CountedAlignedAlloc(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return CountedAlignedAlloc(size, alignment);
}
void operator delete(void* block, std::align_val_t) noexcept {
  CountedAlignedFree(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
  CountedAlignedFree(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
  CountedAlignedFree(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
  CountedAlignedFree(block);
}

void* operator new(std::size_t size) {
  return CountedAlloc(size);
}
void* operator new[](std::size_t size) {
  return CountedAlloc(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return CountedAlloc(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return CountedAlloc(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* block) noexcept {
  CountedFree(block);
}
void operator delete[](void* block) noexcept {
  CountedFree(block);
}
void operator delete(void* block, std::size_t) noexcept {
  CountedFree(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  CountedFree(block);
}

namespace {

// Peak heap bytes above the level before `work` ran.
template <class Work>
long long PeakBytesOf(Work&& work) {
  const long long before = gLiveBytes.load();
  gPeakBytes.store(before);
  work();
  return gPeakBytes.load() - before;
}

using io::CBlock;
using io::CBlock_func;
using io::CBlock_named_value;
using io::CBlock_value;
using io::CBlock_vec;

AString Number(long n) {
  return AString::FromUtf8(std::to_string(n));
}

CBlock MakeSetup(long id) {
  CBlock setup(AString(L"Setup ") + Number(id));
  setup << CBlock_named_value(L"ID", id) << CBlock_named_value(L"SetupType", L"HfssDriven")
        << CBlock_named_value(L"Frequency", L"5.5GHz")
        << CBlock_named_value(L"MaxDeltaS", 0.02 + id * 1e-6)
        << CBlock_named_value(L"MaximumPasses", 6L + id % 7)
        << CBlock_named_value(L"Enabled", id % 3 != 0)
        << CBlock_named_value(L"Comment", L"Tuned by hand: \"coarse\" mesh\tfirst");
  CBlock sweep(L"Sweep");
  sweep << CBlock_named_value(L"Start", 1e9) << CBlock_named_value(L"Stop", 1.8e10)
        << CBlock_named_value(L"Step", L"1e8 Hz");
  CBlock_vec points(L"Points");
  for (int p = 0; p < 12; ++p) {
    points << 1e9 * p + 0.125 * id;
  }
  sweep << points;
  setup << sweep;
  CBlock_func params(L"p");
  params << CBlock_value(L"w") << CBlock_value(L"3mm + offset/2");
  setup << params;
  return setup;
}

CBlock MakeDesign(std::size_t targetBytes) {
  // The size of one setup's text decides how many make up the target.
  // Measured at the nesting depth it will have in the design.
  CBlock sample(L"Design 1");
  CBlock sampleSetups(L"SolveSetups");
  sampleSetups << MakeSetup(1000);
  sample << std::move(sampleSetups);
  std::string one;
  io::WriteBlockText(sample, one);
  const long count = static_cast<long>(targetBytes / one.size()) + 1;

  CBlock design(L"Design 1");
  CBlock setups(L"SolveSetups");
  setups << CBlock_named_value(L"NextUniqueID", count);
  for (long id = 0; id < count; ++id) {
    setups << MakeSetup(id);
  }
  design << std::move(setups);
  CBlock files(L"FileLinks");
  CBlock_vec list(L"Files");
  for (int i = 0; i < 100; ++i) {
    list << AString(L"C:/work/project/链接/file_") + Number(i) + AString(L".txt");
  }
  files << list;
  design << files;
  return design;
}

const CBlock& Design() {
  static const CBlock design = MakeDesign(10u << 20);
  return design;
}

std::string DesignText() {
  std::string text;
  io::WriteBlockText(Design(), text);
  return text;
}

// ---------------------------------------------------------------- JSON

void AddJsonValue(const io::CToken& token, rapidjson::Value& out,
                  rapidjson::Document::AllocatorType& allocator) {
  AString text;
  long number = 0;
  double real = 0;
  bool flag = false;
  if (token.Query(text)) {
    const std::string utf8 = text.ToUtf8();
    out.SetString(utf8.data(), static_cast<rapidjson::SizeType>(utf8.size()), allocator);
  } else if (token.Query(number)) {
    out.SetInt64(number);
  } else if (token.Query(real)) {
    out.SetDouble(real);
  } else if (token.Query(flag)) {
    out.SetBool(flag);
  }
}

// The block as a JSON object: sub-blocks as objects, named values as
// members, function and vector items as arrays (a named argument as a
// one-member object).
void AddJsonObject(const CBlock& block, rapidjson::Value& out,
                   rapidjson::Document::AllocatorType& allocator) {
  out.SetObject();
  for (const io::CBlock_item_ptr& item : block) {
    const std::string name = item->Name().ToUtf8();
    rapidjson::Value key(name.data(), static_cast<rapidjson::SizeType>(name.size()), allocator);
    rapidjson::Value value;
    if (const CBlock* sub = item->AsBlock()) {
      AddJsonObject(*sub, value, allocator);
    } else if (const CBlock_named_value* named = item->AsNamedValue()) {
      AddJsonValue(named->GetToken(), value, allocator);
    } else if (const CBlock_func* func = item->AsFunc()) {
      value.SetArray();
      for (std::size_t i = 0; i < func->Size(); ++i) {
        rapidjson::Value arg;
        AddJsonValue(func->Item(i), arg, allocator);
        if (func->IsNamedArg(i)) {
          const std::string argName = func->ArgName(i).ToUtf8();
          rapidjson::Value wrapped(rapidjson::kObjectType);
          wrapped.AddMember(
              rapidjson::Value(argName.data(), static_cast<rapidjson::SizeType>(argName.size()),
                               allocator),
              arg, allocator);
          value.PushBack(wrapped, allocator);
        } else {
          value.PushBack(arg, allocator);
        }
      }
    } else if (const CBlock_vec* vec = item->AsVec()) {
      value.SetArray();
      for (std::size_t i = 0; i < vec->Size(); ++i) {
        rapidjson::Value element;
        AddJsonValue(vec->Item(i), element, allocator);
        value.PushBack(element, allocator);
      }
    }
    out.AddMember(key, value, allocator);
  }
}

// The design as indented JSON: { "<design name>": { ... } }.
const std::string& DesignJson() {
  static const std::string json = [] {
    rapidjson::Document document;
    document.SetObject();
    rapidjson::Value body;
    AddJsonObject(Design(), body, document.GetAllocator());
    const std::string name = Design().Name().ToUtf8();
    document.AddMember(rapidjson::Value(name.data(), static_cast<rapidjson::SizeType>(name.size()),
                                        document.GetAllocator()),
                       body, document.GetAllocator());
    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
    writer.SetIndent(' ', 2);
    document.Accept(writer);
    return std::string(buffer.GetString(), buffer.GetSize());
  }();
  return json;
}

double SecondsOf(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration<double>(duration).count();
}

std::filesystem::path BenchFile() {
  return std::filesystem::temp_directory_path() / "ravelin_block_text_bench.blk";
}

AString BenchPath() {
  return AString::FromUtf8(BenchFile().string());
}

void BM_WriteText(benchmark::State& state) {
  const CBlock& design = Design();
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string text;
    text.reserve(bytes);
    io::WriteBlockText(design, text);
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

// Reading into a block and destroying it. The counters give the size of the
// text, the memory the block tree holds once read and the peak while reading
// (the reader's own buffers included), also per byte of text.
void BM_ReadText(benchmark::State& state) {
  const std::string text = DesignText();
  for (auto _ : state) {
    CBlock block;
    if (io::ReadBlockText(text, block) != 0) {
      state.SkipWithError("read failed");
    }
    benchmark::DoNotOptimize(block.Size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  long long tree = 0;
  const long long peak = PeakBytesOf([&text, &tree] {
    const long long before = gLiveBytes.load();
    CBlock block;
    io::ReadBlockText(text, block);
    tree = gLiveBytes.load() - before;
  });
  const double size = static_cast<double>(text.size());
  state.counters["text_MB"] = size / 1e6;
  state.counters["tree_MB"] = static_cast<double>(tree) / 1e6;
  state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
  state.counters["tree_per_text"] = static_cast<double>(tree) / size;
  state.counters["peak_per_text"] = static_cast<double>(peak) / size;
}

void BM_RapidJsonParse(benchmark::State& state) {
  const std::string& json = DesignJson();
  std::size_t capacity = 0;
  for (auto _ : state) {
    rapidjson::Document document;
    document.Parse(json.data(), json.size());
    if (document.HasParseError()) {
      state.SkipWithError("parse failed");
    }
    capacity = document.GetAllocator().Capacity();
    benchmark::DoNotOptimize(document.MemberCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * json.size()));
  state.counters["text_MB"] = static_cast<double>(json.size()) / 1e6;
  state.counters["tree_MB"] = static_cast<double>(capacity) / 1e6;
}

void BM_NlohmannParse(benchmark::State& state) {
  const std::string& json = DesignJson();
  for (auto _ : state) {
    nlohmann::json document = nlohmann::json::parse(json);
    benchmark::DoNotOptimize(document.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * json.size()));
  const long long tree = PeakBytesOf([&json] {
    nlohmann::json document = nlohmann::json::parse(json);
    benchmark::DoNotOptimize(document.size());
  });
  state.counters["text_MB"] = static_cast<double>(json.size()) / 1e6;
  state.counters["tree_MB"] = static_cast<double>(tree) / 1e6;
}

// Block read plus destruction against RapidJSON parse plus destruction, run
// alternately on the same content; the counter is the ratio of their times.
void BM_ReadRatioToRapidJson(benchmark::State& state) {
  const std::string text = DesignText();
  const std::string& json = DesignJson();
  std::chrono::steady_clock::duration blockTime{};
  std::chrono::steady_clock::duration jsonTime{};
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    {
      CBlock block;
      io::ReadBlockText(text, block);
      benchmark::DoNotOptimize(block.Size());
    }
    auto middle = std::chrono::steady_clock::now();
    {
      rapidjson::Document document;
      document.Parse(json.data(), json.size());
      benchmark::DoNotOptimize(document.MemberCount());
    }
    auto end = std::chrono::steady_clock::now();
    blockTime += middle - start;
    jsonTime += end - middle;
  }
  state.counters["ratio"] = SecondsOf(blockTime) / SecondsOf(jsonTime);
}

void BM_WriteFile(benchmark::State& state) {
  const CBlock& design = Design();
  const AString path = BenchPath();
  for (auto _ : state) {
    if (io::WriteBlockFile(path, design) != 0) {
      state.SkipWithError("write failed");
    }
  }
  const auto bytes = std::filesystem::file_size(BenchFile());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_ReadFile(benchmark::State& state) {
  const AString path = BenchPath();
  io::WriteBlockFile(path, Design());
  const auto bytes = std::filesystem::file_size(BenchFile());
  for (auto _ : state) {
    CBlock block;
    if (io::ReadBlockFile(path, block) != 0) {
      state.SkipWithError("read failed");
    }
    benchmark::DoNotOptimize(block.Size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  std::filesystem::remove(BenchFile());
}

BENCHMARK(BM_WriteText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RapidJsonParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NlohmannParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRatioToRapidJson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFile)->Unit(benchmark::kMillisecond);

}  // namespace
