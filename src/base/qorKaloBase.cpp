#include "qorKaloBase.h"

#include "qorFloatFaults.h"

#include <cmath>

namespace {
// Anything above 1 means "not computed yet".
constexpr Extended EpsilonNotComputed = 10;

Extended ComputeMachineEpsilon() {
  // volatile keeps every sum a stored Extended instead of a folded constant.
  volatile Extended e = 1;
  volatile Extended sum = 1 + e;
  while (sum > 1) {
    e = e / 2;
    sum = 1 + e;
  }
  return e * 2;
}
}  // namespace

Extended MachineEpsilon() {
  static Extended cache = EpsilonNotComputed;
  if (cache > 1) cache = ComputeMachineEpsilon();
  return cache;
}

bool IsZeroReal(Extended x) { return FGreaterEqual(MachineEpsilon(), std::fabs(x)); }
