// The search for extrema and inflection points against the roots-only calculation of
// the same task, in the same run: its counters are ratios, not times.
#include "KaloRootCalculation.h"
#include "qorMemoryDataset.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

struct TCurveWorkspace {
  TKaloPersistRootFinding task;
  TqorMemoryDataset roots, extrema;
  TKaloRootCalculation calc{task, roots};
  explicit TCurveWorkspace(const TKaloCurveSearch& Search, bool WithExtremaTable) {
    DefineRootTable(roots);
    roots.Open();
    DefineExtremaTable(extrema);
    extrema.Open();
    if (WithExtremaTable) calc.setExtremaTable(&extrema);
    task.setCurveSearch(Search);
  }
};

double SecondsOf(TCurveWorkspace& w, const TKaloCalculationInput& Input) {
  const auto start = std::chrono::steady_clock::now();
  w.calc.Execute(Input);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Three calculations of one task in turns, so that the machine's moods fall on all alike:
// roots only as before (the baseline), roots only with the window's extrema table
// attached (xRootsOnly: about 1, nothing more is computed), and roots with extrema and
// inflection points (xSearch: what the search costs on top, as a multiple of the baseline).
void RunCurveSearch(benchmark::State& state, const char* fct) {
  TCurveWorkspace baseline({}, false), attached({}, true), search({true, true, true}, true);
  const TKaloCalculationInput input{fct, -10, 10, static_cast<int>(state.range(0))};
  double best[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
  TCurveWorkspace* workspaces[3] = {&baseline, &attached, &search};
  for (TCurveWorkspace* w : workspaces) w->calc.Execute(input);
  for (auto _ : state)
    for (int i = 0; i < 3; ++i) best[i] = std::min(best[i], SecondsOf(*workspaces[i], input));
  state.counters["xRootsOnly"] = best[1] / best[0];
  state.counters["xSearch"] = best[2] / best[0];
  state.counters["baseline_ms"] = best[0] * 1000;
  state.counters["rows"] = static_cast<double>(search.calc.ExtremaRows().size());
  state.counters["evaluations"] = static_cast<double>(search.calc.EvaluationCount());
  state.counters["baseline_evaluations"] = static_cast<double>(baseline.calc.EvaluationCount());
}

void BM_CurveSearchDefaultPolynomial(benchmark::State& state) {
  RunCurveSearch(state, TKaloPersistFunction::DefaultFunctionScript);
}
BENCHMARK(BM_CurveSearchDefaultPolynomial)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_CurveSearchSin50x(benchmark::State& state) { RunCurveSearch(state, "sin(50*x)"); }
BENCHMARK(BM_CurveSearchSin50x)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
