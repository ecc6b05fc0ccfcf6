#include "qorKaloBase.h"

#include "qorFloatFaults.h"

#include <cmath>

namespace {
// Anything above 1 means "not computed yet".
constexpr Extended EpsilonNotComputed = 10;

// The smallest magnitude that rounds to infinity in double: DBL_MAX plus half an ulp.
constexpr Extended DoubleOverflowThreshold =
    static_cast<Extended>(DBL_MAX) + 0x1p970L;

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

bool IsFiniteReal(Extended x) {
  return std::isless(std::fabs(x), DoubleOverflowThreshold);
}
