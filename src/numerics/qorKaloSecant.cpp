#include "qorKaloSecant.h"

#include "qorFloatFaults.h"
#include "qorKaloZeroin.h"

#include <cmath>

namespace {
// The zero of the line through (X0, g0) and (X1, g1). Equal values give a flat line
// without a zero. The root finder sends just the pairs where f touches zero, and points
// on both sides of such a root (x^2 at -0.5 and 0.5) have equal values; so instead of
// dividing by zero the step goes once more the distance X1 - X0 beyond X1, which breaks
// the symmetry. It keeps the secant quotient's form so that two zero values, which leave
// no step at all, still raise EInvalidOp for the caller.
Extended SecantStep(Extended X0, Extended X1, Extended g0, Extended g1) {
  if (g0 != g1) return X1 - (X1 - X0) / (g1 - g0) * g1;
  return X1 - (X1 - X0) / (g1 - 2 * g0) * g1;
}
}  // namespace

int Secant(Extended AbsErr, Extended RelErr, Extended& X, TRealFunctionRef fct, Extended X0, Extended X1, Extended& FX,
           int& Iter) {
  ClearFloatFaults();
  const int limit = Iter;
  // Loop invariant at the head of iteration i: X0 and X1 are the two latest points,
  // X1 the newer; none of the i - 1 steps so far was shorter than AbsErr or started
  // from a value below RelErr in magnitude.
  for (int i = 1;; ++i) {
    const Extended g0 = EvaluateRaisingFaults(fct, X0);
    const Extended g1 = EvaluateRaisingFaults(fct, X1);
    const Extended Xn = SecantStep(X0, X1, g0, g1);
    X0 = X1;
    X1 = Xn;
    const Extended step = std::fabs(X0 - X1);
    CheckFloatFaults();
    if (FGreater(AbsErr, step) || FGreater(RelErr, std::fabs(g1))) {
      FX = EvaluateRaisingFaults(fct, X1);
      X = X1;
      Iter = i;
      return SecantConverged;
    }
    if (i > limit) return SecantNotConverged;
  }
}
