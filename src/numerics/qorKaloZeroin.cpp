#include "qorKaloZeroin.h"

#include "qorFloatFaults.h"
#include "qorKaloZeroinProtocol.h"

#include <cmath>

Extended EvaluateChecked(const RealFunction& fct, Extended x) {
  const Extended y = fct(x);
  CheckFloatFaults();
  return y;
}

namespace {
// The bounds must leave a positive tolerance and the budget at least one step.
bool ArgumentsValid(Extended ABSERR, Extended RELERR, int FMAX) {
  return !FLess(ABSERR, 0) && !FLess(RELERR, 0) && !FLessEqual(ABSERR + RELERR, 0) &&
         FMAX >= 1;
}

// No bound may ask for more than the arithmetic can give. A purely relative request
// below the floor keeps its absolute bound at zero; otherwise both bounds are raised
// to the floor. The relative bound is raised also for a purely absolute request: an
// absolute bound alone is finer than the spacing of Extended numbers once |b| > 4, so
// the bracket could never become small enough and roots such as 3*pi of sin(x) would
// be reported as not found after the whole evaluation budget.
void ApplyToleranceFloor(Extended& ABSERR, Extended& RELERR) {
  if (ABSERR == 0 && RELERR < ZeroinToleranceFloor) {
    RELERR = ZeroinToleranceFloor;
    return;
  }
  if (ABSERR < ZeroinToleranceFloor) ABSERR = ZeroinToleranceFloor;
  if (RELERR < ZeroinToleranceFloor) RELERR = ZeroinToleranceFloor;
}

// The iteration of one Zeroin call, with the algorithm's own names.
struct TZeroinRun {
  const RealFunction& fct;
  TZeroinProtocol& protocol;
  const Extended ABSERR, RELERR;
  Extended a, fa, b, fb;
  int Iter;
  Extended c = 0, fc = 0, d = 0, e = 0, tol = 0, m = 0;

  int Iterate(int FMAX);
  void KeepBracket();
  void ChooseStep();
  void Bisect();
  void MoveB();
};

// Loop invariant, once KeepBracket has run: the root lies between b and c (fb and fc
// differ in sign, or fb = 0); |fb| <= |fc|, so b is the best estimate so far; a holds
// the value b had before its last change (a = c while only two distinct points are
// known); d is the last step and e the step before it.
int TZeroinRun::Iterate(int FMAX) {
  fc = fb;
  for (;;) {
    KeepBracket();
    protocol.Points(a, b, c, fa, fb, fc);
    tol = 0.5L * (std::fabs(b) * RELERR + ABSERR);
    m = 0.5L * (c - b);
    CheckFloatFaults();
    if (FLessEqual(std::fabs(m), tol)) return ZeroinConverged;
    if (fb == 0) return ZeroinExactRoot;
    ChooseStep();
    MoveB();
    if (Iter > FMAX) return ZeroinBudgetSpent;
  }
}

// When b and c lie on the same side of the root, c takes the point before b, which
// lies on the other side; then b and c swap when c has the smaller function value.
void TZeroinRun::KeepBracket() {
  if (FGreater(fc / std::fabs(fc) * fb, 0)) {
    c = a;
    fc = fa;
    d = b - a;
    e = d;
  }
  if (FGreater(std::fabs(fb), std::fabs(fc))) {
    a = b;
    b = c;
    c = a;
    fa = fb;
    fb = fc;
    fc = fa;
  }
}

// Interpolates through a, b (and c), but bisects when the steps stopped shrinking
// fast enough, when the last step did not lower |f|, or when the interpolated point
// would leave the bracket or not halve the step before last.
void TZeroinRun::ChooseStep() {
  if (FLess(std::fabs(e), tol) || FLessEqual(std::fabs(fa), std::fabs(fb))) return Bisect();
  const bool secant = a == c;
  Extended p, q, r, s;
  if (secant) {
    s = fb / fa;
    p = 2 * m * s;
    q = 1 - s;
  } else {
    q = fa / fc;
    r = fb / fc;
    s = fb / fa;
    p = s * (2 * m * q * (q - r) - (b - a) * (r - 1));
    q = (q - 1) * (r - 1) * (s - 1);
  }
  CheckFloatFaults();
  if (p > 0) {
    q = -q;
  } else {
    p = -p;
  }
  const Extended twoP = 2 * p;
  const Extended leavesBracket = 3 * m * q - std::fabs(tol * q);
  const Extended halfOldStep = std::fabs(0.5L * e * q);
  CheckFloatFaults();
  if (twoP >= leavesBracket || p >= halfOldStep) return Bisect();
  e = d;
  d = p / q;
  CheckFloatFaults();
  protocol.Method(secant ? ProtocolSecant : ProtocolInverseQuadratic);
}

void TZeroinRun::Bisect() {
  d = m;
  e = m;
  protocol.Method(ProtocolBisection);
}

// b moves by d, but at least by tol towards c, so that the bracket
// shrinks even where the interpolation stalls.
void TZeroinRun::MoveB() {
  a = b;
  fa = fb;
  if (std::fabs(d) > tol) {
    b = b + d;
    protocol.Step(ProtocolStepByD, d);
  } else if (m >= 0) {
    b = b + tol;
    protocol.Step(ProtocolAddTol, tol);
  } else {
    b = b - tol;
    protocol.Step(ProtocolSubtractTol, -tol);
  }
  CheckFloatFaults();
  fb = EvaluateChecked(fct, b);
  ++Iter;
  protocol.NewPoint(b, fb, Iter);
}
}  // namespace

int Zeroin(Extended& ABSERR, Extended& RELERR, int FMAX, const RealFunction& fct,
           const std::string& ProtocolFileName, Extended a, Extended& b, Extended& fb,
           int& Iter) {
  ClearFloatFaults();
  const Extended fa = EvaluateChecked(fct, a);
  fb = EvaluateChecked(fct, b);
  Iter = 2;
  const Extended product = fa * fb;
  CheckFloatFaults();
  if (FGreater(product, 0)) return ZeroinNoSignChange;
  if (product == 0) return ZeroinZeroAtStart;
  if (!ArgumentsValid(ABSERR, RELERR, FMAX)) return ZeroinBadArguments;
  ApplyToleranceFloor(ABSERR, RELERR);
  TZeroinProtocol protocol(ProtocolFileName);
  if (!protocol.Open()) return ZeroinProtocolFailed;
  TZeroinRun run{fct, protocol, ABSERR, RELERR, a, fa, b, fb, Iter};
  const int result = run.Iterate(FMAX);
  b = run.b;
  fb = run.fb;
  Iter = run.Iter;
  protocol.Commit();
  return result;
}
