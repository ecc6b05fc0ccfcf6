// The proved search against the sampling calculation of the same task, run in turns
// in the same process: its counter xProof is the proved calculation's time over the
// sampling one's (the proved calculation samples too, then proves). The counters
// ballEvals and evalsPerRoot say what the proof costs: calls of f over balls.
#include "KaloBallProof.h"
#include "KaloRootCalculation.h"
#include "qorMemoryDataset.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

struct TWorkspace {
  TKaloPersistRootFinding task;
  TqorMemoryDataset roots;
  TKaloRootCalculation calc{task, roots};
  explicit TWorkspace(bool Prove) {
    UseBallProof();
    DefineRootTable(roots);
    roots.Open();
    task.setProveRoots(Prove);
  }
};

double Seconds(TWorkspace& w, const TKaloCalculationInput& Input) {
  const auto start = std::chrono::steady_clock::now();
  w.calc.Execute(Input);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void RunProofAgainstSampling(benchmark::State& state, const char* fct, Extended xMin, Extended xMax) {
  TWorkspace sampling(false), proved(true);
  const TKaloCalculationInput input{fct, xMin, xMax, static_cast<int>(state.range(0))};
  double samplingBest = HUGE_VAL, provedBest = HUGE_VAL;
  for (auto _ : state) {
    samplingBest = std::min(samplingBest, Seconds(sampling, input));
    provedBest = std::min(provedBest, Seconds(proved, input));
  }
  const auto provedRoots = static_cast<double>(proved.calc.ProvedRootX().size());
  const auto ballEvals = static_cast<double>(proved.calc.EvaluationCount() - sampling.calc.EvaluationCount());
  state.counters["xProof"] = provedBest / samplingBest;
  state.counters["provedRoots"] = provedRoots;
  state.counters["ballEvals"] = ballEvals;
  state.counters["evalsPerRoot"] = provedRoots > 0 ? ballEvals / provedRoots : 0;
}

void BM_ProofDefaultTask(benchmark::State& state) {
  RunProofAgainstSampling(state, TKaloPersistFunction::DefaultFunctionScript, -2.5L, 2.5L);
}
BENCHMARK(BM_ProofDefaultTask)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_ProofSin50x(benchmark::State& state) { RunProofAgainstSampling(state, "sin(50*x)", -10, 10); }
BENCHMARK(BM_ProofSin50x)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
