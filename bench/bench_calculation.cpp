// A whole calculation as "Berechnen" runs it: script function, value table, root
// search and roots table. Reported as function evaluations per second, to be read
// against BM_BareLuaCall (one bare evaluation) in the same run; bench/compare.sh sets
// the three tasks against a SciPy script doing the same job.
#include "KaloRootCalculation.h"
#include "qorFloatFaults.h"
#include "qorMemoryDataset.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <utility>

namespace {

// The window's state for one calculation after another.
struct TWorkspace {
  TKaloPersistRootFinding task;
  TqorMemoryDataset roots;
  TKaloRootCalculation calc{task, roots};
  TWorkspace() {
    DefineRootTable(roots);
    roots.Open();
  }
};

void RunCalculation(benchmark::State& state, const char* fct, Extended xMin, Extended xMax) {
  TWorkspace w;
  const TKaloCalculationInput input{fct, xMin, xMax, static_cast<int>(state.range(0))};
  std::int64_t evaluations = 0;
  for (auto _ : state) {
    w.calc.Execute(input);
    evaluations += w.calc.EvaluationCount();
  }
  state.counters["evaluations"] = benchmark::Counter(static_cast<double>(w.calc.EvaluationCount()));
  state.counters["evals_per_s"] = benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate);
  state.counters["roots"] = benchmark::Counter(w.roots.RecordCount());
}

void BM_CalculationDefaultTask(benchmark::State& state) {
  RunCalculation(state, TKaloPersistFunction::DefaultFunctionScript, -2.5L, 2.5L);
}
BENCHMARK(BM_CalculationDefaultTask)->Arg(200)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_CalculationSin50x(benchmark::State& state) { RunCalculation(state, "sin(50*x)", -10, 10); }
BENCHMARK(BM_CalculationSin50x)->Arg(10000)->Unit(benchmark::kMillisecond);

template <class F>
double Seconds(F&& step) {
  const auto start = std::chrono::steady_clock::now();
  step();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The fastest run of each of two steps, run in turns so that the machine's moods fall
// on both alike.
template <class F, class G>
std::pair<double, double> FastestInTurns(benchmark::State& state, F&& first, G&& second) {
  double firstBest = HUGE_VAL, secondBest = HUGE_VAL;
  for (auto _ : state) {
    firstBest = std::min(firstBest, Seconds(first));
    secondBest = std::min(secondBest, Seconds(second));
  }
  return {firstBest, secondBest};
}

// The cost of watching a calculation as the window does (a cancel flag and a progress
// report): the same task with and without them, in turns, so that the machine's moods
// fall on both alike. Its counter xWatched is the fastest watched run over the fastest
// plain one: about 1, as the watcher only looks in from the script's time check.
void BM_CalculationWatchedForProgress(benchmark::State& state) {
  TWorkspace plain, watched;
  std::atomic<bool> cancel = false;
  int reports = 0;
  watched.calc.setCancelFlag(&cancel);
  watched.calc.setProgressReport([&reports](const TKaloProgress&) { ++reports; });
  const TKaloCalculationInput input{"sin(50*x)", -10, 10, static_cast<int>(state.range(0))};
  plain.calc.Execute(input);
  watched.calc.Execute(input);
  const auto [plainBest, watchedBest] = FastestInTurns(
      state, [&] { plain.calc.Execute(input); }, [&] { watched.calc.Execute(input); });
  state.counters["xWatched"] = watchedBest / plainBest;
  state.counters["reports"] = reports;
}
BENCHMARK(BM_CalculationWatchedForProgress)->Arg(10000)->Unit(benchmark::kMillisecond);

// A function without a value on half of its range, as log, sqrt and asin have, against
// the same function with values everywhere (log |x|), in turns: nodes without a value
// must cost the scan no more than the others. Its counter xAllValues, the fastest run
// over the fastest run of the baseline, was 0.97 here (half the roots to refine, and
// log's error path for negative x); it was 1.07 when a block with such nodes faulted in
// its fast run and was scanned again carefully.
void BM_CalculationWithoutValuesLeftOfZero(benchmark::State& state) {
  TWorkspace gaps, full;
  const int n = static_cast<int>(state.range(0));
  const TKaloCalculationInput gapsInput{"log(x) + sin(5*x)", -10, 10, n};
  const TKaloCalculationInput fullInput{"log(abs(x)) + sin(5*x)", -10, 10, n};
  gaps.calc.Execute(gapsInput);
  full.calc.Execute(fullInput);
  const auto [gapsBest, fullBest] = FastestInTurns(
      state, [&] { gaps.calc.Execute(gapsInput); }, [&] { full.calc.Execute(fullInput); });
  state.counters["xAllValues"] = gapsBest / fullBest;
}
BENCHMARK(BM_CalculationWithoutValuesLeftOfZero)->Arg(10000)->Unit(benchmark::kMillisecond);

// Calculations timed for the clean reference of the next benchmark.
constexpr int CleanRuns = 20;

// What AVX code does that returns without vzeroupper, as Qt Gui's fills (QImage::fill,
// the raster engine's solid fills) do when the window draws its plot. A register that
// Lua's code and the math library leave alone keeps the halves dirty, and all 512 bits
// where the processor has them: the case that costs most here.
void DirtyUpperHalves() {
  if (__builtin_cpu_supports("avx512f"))
    __asm__ volatile("vpternlogd $0xff, %%zmm15, %%zmm15, %%zmm15" ::: "xmm15");
  else
    __asm__ volatile("vpcmpeqd %%ymm15, %%ymm15, %%ymm15" ::: "xmm15");
}

// The default polynomial, whose x^2 and x^6 go to pow, after AVX code left the upper
// halves of the vector registers dirty. Its counter xClean is the fastest such run over
// the fastest run from clean registers, both measured here: about 1 while the
// calculation hands Lua clean registers (TFloatEnvGuard); without that, 1.25 on an AMD
// Zen 5 and more on processors that make SSE code pay more for dirty halves.
void BM_CalculationAfterDirtyVectorRegisters(benchmark::State& state) {
  if (!__builtin_cpu_supports("avx")) return state.SkipWithError("the processor has no AVX");
  TWorkspace w;
  const TKaloCalculationInput input{TKaloPersistFunction::DefaultFunctionScript, -2.5L, 2.5L,
                                    static_cast<int>(state.range(0))};
  w.calc.Execute(input);  // the first calculation grows the vectors the later ones reuse
  double clean = HUGE_VAL, dirty = HUGE_VAL;
  for (int i = 0; i < CleanRuns; ++i)
    clean = std::min(clean, Seconds([&] {
                       ClearUpperVectorHalves();
                       w.calc.Execute(input);
                     }));
  for (auto _ : state)
    dirty = std::min(dirty, Seconds([&] {
                       DirtyUpperHalves();
                       w.calc.Execute(input);
                     }));
  state.counters["xClean"] = dirty / clean;
}
BENCHMARK(BM_CalculationAfterDirtyVectorRegisters)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
