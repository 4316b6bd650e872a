// Throughput of the block text format on about 10 MB of setup-like content:
// many setups with mixed named values, partner catalogues with function
// items, and file lists, written to and read from a file and a string.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "platform/basalt/io/BlockText.h"

namespace {

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
BENCHMARK(BM_WriteFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFile)->Unit(benchmark::kMillisecond);

}  // namespace
