// Benchmarks of the program's hot paths; each reports its ratio against a baseline
// measured in the same run.
#include <benchmark/benchmark.h>
