// A whole calculation as "Berechnen" runs it: script function, value table, root
// search and roots table. Reported as function evaluations per second, to be read
// against BM_BareLuaCall (one bare evaluation) in the same run.
#include "KaloRootCalculation.h"
#include "qorMemoryDataset.h"

#include <benchmark/benchmark.h>

namespace {

void RunCalculation(benchmark::State& state, const char* fct, Extended xMin, Extended xMax) {
  TKaloPersistRootFinding task;
  TqorMemoryDataset roots;
  DefineRootTable(roots);
  roots.Open();
  TKaloRootCalculation calc(task, roots);
  const TKaloCalculationInput input{fct, xMin, xMax, static_cast<int>(state.range(0))};
  std::int64_t evaluations = 0;
  for (auto _ : state) {
    calc.Execute(input);
    evaluations += calc.EvaluationCount();
  }
  state.counters["evaluations"] = benchmark::Counter(static_cast<double>(calc.EvaluationCount()));
  state.counters["evals_per_s"] = benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate);
  state.counters["roots"] = benchmark::Counter(roots.RecordCount());
}

void BM_CalculationDefaultTask(benchmark::State& state) {
  RunCalculation(state, TKaloPersistFunction::DefaultFunctionScript, -2.5L, 2.5L);
}
BENCHMARK(BM_CalculationDefaultTask)->Arg(200)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_CalculationSin50x(benchmark::State& state) { RunCalculation(state, "sin(50*x)", -10, 10); }
BENCHMARK(BM_CalculationSin50x)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
