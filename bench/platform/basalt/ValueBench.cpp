// Cost of evaluating expressions and comparing file names, the two things
// the data-link code does per parameter and per partner project.
#include <benchmark/benchmark.h>

#include "platform/basalt/LongFileName.h"
#include "platform/basalt/Value.h"
#include "platform/basalt/VariableValues.h"

namespace {

void BM_EvaluatePlainNumber(benchmark::State& state) {
  const Value value(L"2.4GHz", Units::kNoUnit);
  for (auto _ : state) {
    benchmark::DoNotOptimize(value.GetValue());
  }
}
BENCHMARK(BM_EvaluatePlainNumber);

void BM_EvaluateExpressionWithVariables(benchmark::State& state) {
  VariableValues values;
  values.SetVariable(L"w", L"3mm");
  values.SetVariable(L"gap", L"w / 4 + 0.1mm");
  values.SetVariable(L"pitch", L"2 * w + gap");
  const VariableValuesContext context(values);
  const Value value(L"(pitch - gap) * 3 + 1cm", Units::kNoUnit);
  for (auto _ : state) {
    benchmark::DoNotOptimize(value.GetValue());
  }
}
BENCHMARK(BM_EvaluateExpressionWithVariables);

void BM_CompareFileNames(benchmark::State& state) {
  const LongFileName a(L"C:\\work\\projects\\antenna\\..\\antenna\\array.prj");
  const LongFileName b(L"c:/work/projects/antenna/./array.prj");
  for (auto _ : state) {
    benchmark::DoNotOptimize(a == b);
  }
}
BENCHMARK(BM_CompareFileNames);

}  // namespace
