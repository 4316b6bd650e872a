// Throughput of the configuration store on a generated configuration of
// sections x 20 keys with ASCII and CJK values (10,000 sections make about
// 10 MB of INI text): INI load (with inih parsing the same text into nested
// std::maps as the reference), packed-form load and save, and INI rendering.
// Each is run at a tenth of the size too, to show that the cost grows
// linearly.
#include <benchmark/benchmark.h>
#include <ini.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "client/QvConfig.h"

namespace {

constexpr int kKeysPerSection = 20;

// CJK values: a fixed run of common ideographs, cut to vary their length.
const char* const kCjk =
    "\xe6\xad\x8c\xe6\x9b\xb2\xe5\x90\x8d\xe5\xad\x97\xe4\xb8\xad\xe6\x96\x87"
    "\xe6\x88\xbf\xe9\x97\xb4\xe6\xad\x8c\xe6\x89\x8b\xe6\x8e\x92\xe8\xa1\x8c"
    "\xe9\xbb\x98\xe8\xae\xa4\xe9\x80\x89\xe6\x8b\xa9\xe8\xae\xa1\xe6\x95\xb0";

std::string MakeIni(int sections) {
  std::string text;
  text.reserve(static_cast<std::size_t>(sections) * 1100);
  char line[160];
  for (int s = 0; s < sections; ++s) {
    std::snprintf(line, sizeof line, "[Section%05d]\n", s);
    text += line;
    for (int k = 0; k < kKeysPerSection; ++k) {
      if (k % 2 == 0) {
        std::snprintf(line, sizeof line,
                      "key%02d=ascii value %05d/%02d for the benchmark of the client\n", k, s, k);
        text += line;
      } else {
        std::snprintf(line, sizeof line, "key%02d=", k);
        text += line;
        text.append(kCjk, 3 * (8 + (s + k) % 10));
        text += '\n';
      }
    }
  }
  return text;
}

void AppendUint32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}

void AppendHex(std::string& out, const std::u16string& text) {
  char digits[5];
  for (char16_t unit : text) {
    std::snprintf(digits, sizeof digits, "%04x", static_cast<unsigned>(unit));
    for (int i = 0; i < 4; ++i) {
      out.push_back(digits[i]);
      out.push_back('\0');
    }
  }
}

// The same table in the packed form. The INI reader keeps only the sections
// whose names fit its 2047-character list, so the full-size table for the
// packed-form runs is built directly.
std::string MakePacked(int sections) {
  std::string out;
  AppendUint32(out, 12);
  AppendUint32(out, static_cast<std::uint32_t>(sections));
  AppendUint32(out, 260);
  char buffer[64];
  const std::u16string cjk =
      u"\u6b4c\u66f2\u540d\u5b57\u4e2d\u6587\u623f\u95f4\u6b4c\u624b"
      u"\u6392\u884c\u9ed8\u8ba4\u9009\u62e9\u8ba1\u6570";
  for (int s = 0; s < sections; ++s) {
    std::snprintf(buffer, sizeof buffer, "Section%05d", s);
    std::u16string name(buffer, buffer + std::char_traits<char>::length(buffer));
    AppendUint32(out, static_cast<std::uint32_t>(12 + 8 * name.size()));
    AppendUint32(out, kKeysPerSection);
    AppendUint32(out, static_cast<std::uint32_t>(4 * name.size()));
    AppendHex(out, name);
    for (int k = 0; k < kKeysPerSection; ++k) {
      std::snprintf(buffer, sizeof buffer, "key%02d", k);
      std::u16string key(buffer, buffer + 5);
      std::u16string value;
      if (k % 2 == 0) {
        std::snprintf(buffer, sizeof buffer,
                      "ascii value %05d/%02d for the benchmark of the client", s, k);
        value.assign(buffer, buffer + std::char_traits<char>::length(buffer));
      } else {
        value = cjk.substr(0, 8 + (s + k) % 10);
      }
      AppendUint32(out, static_cast<std::uint32_t>(12 + 8 * (key.size() + value.size())));
      AppendUint32(out, static_cast<std::uint32_t>(4 * key.size()));
      AppendUint32(out, static_cast<std::uint32_t>(4 * value.size()));
      AppendHex(out, key);
      AppendHex(out, value);
    }
  }
  return out;
}

const std::string& Ini(int sections) {
  static std::map<int, std::string> cache;
  auto& text = cache[sections];
  if (text.empty()) {
    text = MakeIni(sections);
  }
  return text;
}

const std::string& Packed(int sections) {
  static std::map<int, std::string> cache;
  auto& bytes = cache[sections];
  if (bytes.empty()) {
    bytes = MakePacked(sections);
  }
  return bytes;
}

void BM_IniLoad(benchmark::State& state) {
  const std::string& text = Ini(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CQvConfig config;
    benchmark::DoNotOptimize(
        config.OpeniniStream(text.data(), static_cast<unsigned long>(text.size())));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

using InihTable = std::map<std::string, std::map<std::string, std::string>>;

int InihHandler(void* user, const char* section, const char* name, const char* value) {
  auto& table = *static_cast<InihTable*>(user);
  table[section].emplace(name, value);
  return 1;
}

void BM_InihLoad(benchmark::State& state) {
  const std::string& text = Ini(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    InihTable table;
    benchmark::DoNotOptimize(ini_parse_string(text.c_str(), InihHandler, &table));
    benchmark::DoNotOptimize(table.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_PackedLoad(benchmark::State& state) {
  const std::string& bytes = Packed(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CQvConfig config;
    if (config.OpenQuveStream(bytes.data(), static_cast<unsigned long>(bytes.size())) != 1) {
      state.SkipWithError("stream rejected");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

std::filesystem::path SaveTarget() {
  // Prefer a memory file system so that the figure is the store's, not the
  // disk's; the flush to disk is still part of every save.
  std::filesystem::path folder = std::filesystem::exists("/dev/shm")
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
  return folder / ("qvconfig-bench-" + std::to_string(::getpid()) + ".qve");
}

void BM_PackedSave(benchmark::State& state) {
  const std::string& bytes = Packed(static_cast<int>(state.range(0)));
  CQvConfig config;
  config.OpenQuveStream(bytes.data(), static_cast<unsigned long>(bytes.size()));
  std::filesystem::path target = SaveTarget();
  std::wstring path = target.wstring();
  for (auto _ : state) {
    if (config.Save(CQvConfig::CONFIGTYPE_QVE, path.c_str()) != 1) {
      state.SkipWithError("save failed");
      break;
    }
  }
  std::filesystem::remove(target);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_Render(benchmark::State& state) {
  const std::string& bytes = Packed(static_cast<int>(state.range(0)));
  CQvConfig config;
  config.OpenQuveStream(bytes.data(), static_cast<unsigned long>(bytes.size()));
  // Measured against the INI text of the same table, as that is what comes out.
  const std::string& text = Ini(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::wstring out;
    config.ReadDataToString(out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

}  // namespace

BENCHMARK(BM_IniLoad)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InihLoad)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackedLoad)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackedSave)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Render)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
