#include "qorKaloZeroin.h"

#include "qorFloatFaults.h"
#include "qorKaloZeroinProtocol.h"

#include <cmath>
#include <optional>

#ifdef QOR_TEST_HOOKS
TZeroinTestHooks ZeroinTestHooks;
#endif

namespace {
bool TestHookAlwaysChecked() {
#ifdef QOR_TEST_HOOKS
  return ZeroinTestHooks.AlwaysChecked;
#else
  return false;
#endif
}

void CountTestPath([[maybe_unused]] long TZeroinTestHooks::*Path) {
#ifdef QOR_TEST_HOOKS
  ++(ZeroinTestHooks.*Path);
#endif
}

// The bounds must leave a positive tolerance and the budget at least one step.
bool ArgumentsValid(Extended ABSERR, Extended RELERR, int FMAX) {
  return !FLess(ABSERR, 0) && !FLess(RELERR, 0) && !FLessEqual(ABSERR + RELERR, 0) && FMAX >= 1;
}

// The working values of one Zeroin call, with the algorithm's own names.
struct TZeroinState {
  Extended a, fa, b, fb;
  Extended c = 0, fc = 0, d = 0, e = 0, tol = 0, m = 0;
};

// The arithmetic of one iteration, from the newest point b to the next point to evaluate.
// Written once for both ways of checking faults, so that RunCheckedStep can look at the
// flags once per iteration and still raise what the first fault raises.
//
// Loop invariant, once KeepBracket has run: the root lies between b and c (fb and fc
// differ in sign, or fb = 0); |fb| <= |fc|, so b is the best estimate so far; a holds
// the value b had before its last change (a = c while only two distinct points are
// known); d is the last step and e the step before it.
class TZeroinIteration {
public:
  TZeroinIteration(TZeroinProtocol& Protocol, Extended AbsErr, Extended RelErr)
      : protocol(Protocol), ABSERR(AbsErr), RELERR(RelErr) {}

  // Zeroin's result when it is done, else nothing: b then holds the next point.
  template <class TFaults>
  std::optional<int> operator()(TZeroinState& z, TFaults& faults) const {
    KeepBracket(z, faults);
    protocol.Points(z.a, z.b, z.c, z.fa, z.fb, z.fc);
    z.tol = 0.5L * (std::fabs(z.b) * RELERR + ABSERR);
    z.m = 0.5L * (z.c - z.b);
    faults.Check();
    if (faults.LessEqual(std::fabs(z.m), z.tol)) return ZeroinConverged;
    if (z.fb == 0) return ZeroinExactRoot;
    ChooseStep(z, faults);
    MoveB(z, faults);
    return std::nullopt;
  }

private:
  template <class TFaults>
  void KeepBracket(TZeroinState& z, TFaults& faults) const;
  template <class TFaults>
  void ChooseStep(TZeroinState& z, TFaults& faults) const;
  void Bisect(TZeroinState& z) const;
  template <class TFaults>
  void MoveB(TZeroinState& z, TFaults& faults) const;

  TZeroinProtocol& protocol;
  const Extended ABSERR, RELERR;
};

// When b and c lie on the same side of the root, c takes the point before b, which
// lies on the other side; then b and c swap when c has the smaller function value.
template <class TFaults>
void TZeroinIteration::KeepBracket(TZeroinState& z, TFaults& faults) const {
  if (faults.Greater(z.fc / std::fabs(z.fc) * z.fb, 0)) {
    z.c = z.a;
    z.fc = z.fa;
    z.d = z.b - z.a;
    z.e = z.d;
  }
  if (faults.Greater(std::fabs(z.fb), std::fabs(z.fc))) {
    z.a = z.b;
    z.b = z.c;
    z.c = z.a;
    z.fa = z.fb;
    z.fb = z.fc;
    z.fc = z.fa;
  }
}

// Interpolates through a, b (and c), but bisects when the steps stopped shrinking
// fast enough, when the last step did not lower |f|, or when the interpolated point
// would leave the bracket or not halve the step before last.
template <class TFaults>
void TZeroinIteration::ChooseStep(TZeroinState& z, TFaults& faults) const {
  if (faults.Less(std::fabs(z.e), z.tol) || faults.LessEqual(std::fabs(z.fa), std::fabs(z.fb))) return Bisect(z);
  const bool secant = z.a == z.c;
  Extended p, q, r, s;
  if (secant) {
    s = z.fb / z.fa;
    p = 2 * z.m * s;
    q = 1 - s;
  } else {
    q = z.fa / z.fc;
    r = z.fb / z.fc;
    s = z.fb / z.fa;
    p = s * (2 * z.m * q * (q - r) - (z.b - z.a) * (r - 1));
    q = (q - 1) * (r - 1) * (s - 1);
  }
  faults.Check();
  if (faults.Greater(p, 0)) {
    q = -q;
  } else {
    p = -p;
  }
  const Extended twoP = 2 * p;
  const Extended leavesBracket = 3 * z.m * q - std::fabs(z.tol * q);
  const Extended halfOldStep = std::fabs(0.5L * z.e * q);
  faults.Check();
  if (faults.GreaterEqual(twoP, leavesBracket) || faults.GreaterEqual(p, halfOldStep)) return Bisect(z);
  z.e = z.d;
  z.d = p / q;
  faults.Check();
  protocol.Method(secant ? ProtocolSecant : ProtocolInverseQuadratic);
}

void TZeroinIteration::Bisect(TZeroinState& z) const {
  z.d = z.m;
  z.e = z.m;
  protocol.Method(ProtocolBisection);
}

// b moves by d, but at least by tol towards c, so that the bracket
// shrinks even where the interpolation stalls.
template <class TFaults>
void TZeroinIteration::MoveB(TZeroinState& z, TFaults& faults) const {
  z.a = z.b;
  z.fa = z.fb;
  if (faults.Greater(std::fabs(z.d), z.tol)) {
    z.b = z.b + z.d;
    protocol.Step(ProtocolStepByD, z.d);
  } else if (faults.GreaterEqual(z.m, 0)) {
    z.b = z.b + z.tol;
    protocol.Step(ProtocolAddTol, z.tol);
  } else {
    z.b = z.b - z.tol;
    protocol.Step(ProtocolSubtractTol, -z.tol);
  }
  faults.Check();
}

// The iterations: every step of arithmetic is checked for faults once, before the new
// point is evaluated or a result returned (the flags are sticky, and an evaluation
// raises any fault its function left, so each step starts without one).
int Iterate(TZeroinState& z, int& Iter, int FMAX, TRealFunctionRef fct, TFctFaults Faults,
            const TZeroinIteration& iteration, TZeroinProtocol& protocol) {
  TZeroinState start = z;  // where the step starts, for a careful run to start over
  std::optional<int> done;
  const auto step = [&](auto& faults) {
    // Only the careful run comes after a run that changed z.
    if constexpr (IsCarefulRun<decltype(faults)>) z = start;
    done = iteration(z, faults);
  };
  for (;;) {
    // fb, the new value, is the only one a step takes from outside: every other value
    // came from arithmetic that was checked. The step computes in Extended alone unless
    // the protocol writes numbers, so only then need it look at the SSE flags.
    if (protocol.Writes())
      RunCheckedStep(std::isnan(z.fb), step);
    else
      RunCheckedStep<TDeferredX87Faults>(std::isnan(z.fb), step);
    if (done) return *done;
    const Extended fb = Evaluate(fct, z.b, Faults);
    ++Iter;
    protocol.NewPoint(z.b, fb, Iter);
    // The state is copied before fb is stored in it: the copy's vector loads would have
    // to wait until the x87 store of fb has completed.
    start = z;
    start.fb = z.fb = fb;
    if (Iter > FMAX) return ZeroinBudgetSpent;
  }
}

// The evaluations of a fast run (below), for the checked iterations to take again.
struct TFastRunValues {
  static constexpr int Capacity = 64;  // well above the iterations of a usual root
  Extended y[Capacity];
  int count = 0;
};

// The iterations of a run without protocol, fast: TZeroinIteration's arithmetic written
// out once more on local values, which the x87 registers then keep. Stepping through the
// state in memory, with a copy for a careful rerun, costs a third more per iteration. The
// flags are looked at once per iteration, before the next evaluation; NaN values and
// long runs are left to the checked iterations. Returns Zeroin's result, or nothing when
// the checked iterations must go on:
// - Values.count == 0: z holds the state after the last evaluation (a NaN, or
//   Values.Capacity evaluations made);
// - Values.count > 0: a step faulted. z is still the state the run started from, and
//   Values holds the run's evaluations, which the checked iterations take again up to
//   that step, where they raise the fault as it happened.
// Any change to TZeroinIteration must be made here too; the tests compare both ways.
std::optional<int> IterateFast(TZeroinState& z, int& Iter, int FMAX, TRealFunctionRef fct, TFctFaults Faults,
                               Extended ABSERR, Extended RELERR, TFastRunValues& Values) {
  Extended a = z.a, fa = z.fa, b = z.b, fb = z.fb, c = z.c, fc = z.fc, d = z.d, e = z.e;
  int evaluations = 0;
  for (;;) {
    // KeepBracket
    if (fc / std::fabs(fc) * fb > 0) {
      c = a;
      fc = fa;
      d = b - a;
      e = d;
    }
    if (std::fabs(fb) > std::fabs(fc)) {
      a = b;
      b = c;
      c = a;
      fa = fb;
      fb = fc;
      fc = fa;
    }
    const Extended tol = 0.5L * (std::fabs(b) * RELERR + ABSERR);
    const Extended m = 0.5L * (c - b);
    const bool converged = std::fabs(m) <= tol;
    if (converged || fb == 0) {
      if (X87StatusWord() & FloatFaultFlags) break;
      z.b = b;
      z.fb = fb;
      return converged ? ZeroinConverged : ZeroinExactRoot;
    }
    // ChooseStep
    if (std::fabs(e) < tol || std::fabs(fa) <= std::fabs(fb)) {
      d = m;
      e = m;
    } else {
      Extended p, q, r, s;
      if (a == c) {
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
      if (p > 0) {
        q = -q;
      } else {
        p = -p;
      }
      if (2 * p >= 3 * m * q - std::fabs(tol * q) || p >= std::fabs(0.5L * e * q)) {
        d = m;
        e = m;
      } else {
        e = d;
        d = p / q;
      }
    }
    // MoveB
    a = b;
    fa = fb;
    if (std::fabs(d) > tol) {
      b = b + d;
    } else if (m >= 0) {
      b = b + tol;
    } else {
      b = b - tol;
    }
    if (X87StatusWord() & FloatFaultFlags) break;
    fb = Evaluate(fct, b, Faults);
    ++Iter;
    Values.y[evaluations++] = fb;
    if (Iter > FMAX) {
      z.b = b;
      z.fb = fb;
      return ZeroinBudgetSpent;
    }
    if (std::isnan(fb) || evaluations == Values.Capacity) {
      z = TZeroinState{a, fa, b, fb, c, fc, d, e};
      return std::nullopt;
    }
  }
  Values.count = evaluations;
  return std::nullopt;
}

// The iterations, fast where they can be (IterateFast), else checked step by step.
int IterateBoth(TZeroinState& z, int& Iter, int FMAX, TRealFunctionRef fct, TFctFaults Faults,
                const TZeroinIteration& iteration, TZeroinProtocol& protocol, Extended ABSERR, Extended RELERR) {
  if (protocol.Writes() || TestHookAlwaysChecked()) {
    CountTestPath(&TZeroinTestHooks::Checked);
    return Iterate(z, Iter, FMAX, fct, Faults, iteration, protocol);
  }
  TFastRunValues values;
  const int startIter = Iter;
  if (const auto done = IterateFast(z, Iter, FMAX, fct, Faults, ABSERR, RELERR, values)) {
    CountTestPath(&TZeroinTestHooks::Fast);
    return *done;
  }
  if (values.count == 0) {
    CountTestPath(&TZeroinTestHooks::HandedOver);
    return Iterate(z, Iter, FMAX, fct, Faults, iteration, protocol);
  }
  CountTestPath(&TZeroinTestHooks::Replayed);
  Iter = startIter;
  int taken = 0;
  const auto again = [&](const Extended& x) {
    if (taken < values.count) return values.y[taken++];
    return Evaluate(fct, x, Faults);
  };
  return Iterate(z, Iter, FMAX, again, TFctFaults::LeavesNonePending, iteration, protocol);
}
}  // namespace

// No bound may ask for more than the arithmetic can give. A purely relative request
// keeps its absolute bound at zero, whatever its relative bound: an absolute floor would
// end the search for a root such as 1E-300 at any point within 4E-19 of it, which is
// exactly what asking for relative accuracy rules out. Otherwise both bounds are raised
// to the floor. The relative bound is raised also for a purely absolute request: an
// absolute bound alone is finer than the spacing of Extended numbers once |b| > 4, so
// the bracket could never become small enough and roots such as 3*pi of sin(x) would
// be reported as not found after the whole evaluation budget.
void ApplyToleranceFloor(Extended& ABSERR, Extended& RELERR) {
  if (ABSERR == 0) {
    if (RELERR < ZeroinToleranceFloor) RELERR = ZeroinToleranceFloor;
    return;
  }
  if (ABSERR < ZeroinToleranceFloor) ABSERR = ZeroinToleranceFloor;
  if (RELERR < ZeroinToleranceFloor) RELERR = ZeroinToleranceFloor;
}

int Zeroin(Extended& ABSERR, Extended& RELERR, int FMAX, TRealFunctionRef fct, const std::string& ProtocolFileName,
           Extended a, Extended& b, Extended& fb, int& Iter, TFctFaults Faults) {
  ClearFloatFaults();
  const Extended fa = Evaluate(fct, a, Faults);
  fb = Evaluate(fct, b, Faults);
  Iter = 2;
  const Extended product = fa * fb;
  CheckFloatFaults();
  if (FGreater(product, 0)) return ZeroinNoSignChange;
  if (product == 0) return ZeroinZeroAtStart;
  if (!ArgumentsValid(ABSERR, RELERR, FMAX)) return ZeroinBadArguments;
  ApplyToleranceFloor(ABSERR, RELERR);
  TZeroinProtocol protocol(ProtocolFileName);
  if (!protocol.Open()) return ZeroinProtocolFailed;
  TZeroinState z{a, fa, b, fb};
  z.fc = fb;
  int iter = Iter;
  const int result = IterateBoth(z, iter, FMAX, fct, Faults, TZeroinIteration(protocol, ABSERR, RELERR), protocol,
                                 ABSERR, RELERR);
  b = z.b;
  fb = z.fb;
  Iter = iter;
  protocol.Commit();
  return result;
}
