#pragma once
// Zeroin: refines a root inside a bracket [a, b] on which the function changes sign,
// mixing bisection, the secant step and inverse quadratic interpolation while always
// keeping a bracket. Optionally writes a step-by-step protocol to a text file.
//
// Errors raised by fct and floating-point faults of the iteration (EZeroDivide,
// EInvalidOp, EOverflow) leave Zeroin unhandled; bad arguments are result codes.

#include "qorFloatFaults.h"
#include "qorKaloBase.h"

#include <string>

// Result codes of Zeroin. Converged, ExactRoot and ZeroAtStart count as success.
constexpr int ZeroinConverged = 0;       // half the final bracket is within tol
constexpr int ZeroinExactRoot = 1;       // fct(b) is exactly zero
constexpr int ZeroinZeroAtStart = 2;     // fct(a)*fct(b) = 0 at the start; b unchanged
constexpr int ZeroinBudgetSpent = 3;     // more than FMAX evaluations; b the last iterate
constexpr int ZeroinProtocolFailed = 4;  // the protocol file cannot be created
constexpr int ZeroinNoSignChange = -1;   // fct(a)*fct(b) > 0
constexpr int ZeroinBadArguments = -2;   // a bound negative, both zero, or FMAX < 1

// The solver's epsilon: the Extended value nearest to 1.08420217248550443E-19, which is
// 2^-63 to 18 digits (68 units in the last place below the exact power). 2^-63 is the
// distance from 1 to the next Extended number (64 significand bits): a bracket around b
// cannot shrink below about 2^-63 * |b|, so no bound finer than a few of these can be
// met. The decimal stays, not the exact power, because the raised bounds that Zeroin
// hands back are multiples of it and must not change.
constexpr Extended ZeroinEpsilon = 1.08420217248550443E-19L;

// The smallest error bound Zeroin works with; smaller bounds are raised to it.
constexpr Extended ZeroinToleranceFloor = 4 * ZeroinEpsilon;

// Raises the bounds to what the arithmetic can give, as Zeroin does with the bounds it
// is handed: a purely relative request (ABSERR 0) keeps its absolute bound at zero.
void ApplyToleranceFloor(Extended& ABSERR, Extended& RELERR);

// What an evaluation of f may leave in the fault flags, and so whether its caller has
// to look at them after each call.
enum class TFctFaults {
  MayLeavePending,    // f may leave a fault flag set: the caller raises it after each call
  LeavesNonePending,  // f raises its own faults, or keeps the flags as it found them
};

// Finds a root of fct between a and b with the bounds ABSERR and RELERR, making at
// most FMAX evaluations after the first two. ABSERR and RELERR come back raised to
// their floors; b comes back as the root estimate (codes 0, 1, 3), else unchanged; fb
// is fct(b) for the returned b; Iter the number of evaluations made. An empty
// ProtocolFileName writes no protocol; otherwise the file is replaced atomically when
// Zeroin returns and left untouched when it raises. A failure to write the protocol
// raises EInOutError. Faults tells what fct leaves in the fault flags: where it may
// leave a fault, Zeroin raises it after the call.
int Zeroin(Extended& ABSERR, Extended& RELERR, int FMAX, TRealFunctionRef fct, const std::string& ProtocolFileName,
           Extended a, Extended& b, Extended& fb, int& Iter, TFctFaults Faults = TFctFaults::MayLeavePending);

// fct(x), then raises the floating-point fault that the evaluation left pending.
inline Extended EvaluateRaisingFaults(TRealFunctionRef fct, const Extended& x) {
  const Extended y = fct(x);
  CheckFloatFaults();
  return y;
}

// fct(x), raising the fault it left pending where Faults says it may leave one.
inline Extended Evaluate(TRealFunctionRef fct, const Extended& x, TFctFaults Faults) {
  return Faults == TFctFaults::LeavesNonePending ? fct(x) : EvaluateRaisingFaults(fct, x);
}

// How Zeroin's runs without protocol went, and a switch that sends them all through the
// checked iterations: for the tests that compare both ways. Only test builds (with
// QOR_TEST_HOOKS) have the object ZeroinTestHooks and count.
struct TZeroinTestHooks {
  bool AlwaysChecked = false;  // iterate checked step by step, as with a protocol
  long Fast = 0;               // runs the fast iterations finished
  long Replayed = 0;           // runs whose fast iterations faulted and were taken again checked
  long HandedOver = 0;         // runs the fast iterations handed on (a NaN value, a long run)
  long Checked = 0;            // runs checked from the start
};
#ifdef QOR_TEST_HOOKS
extern TZeroinTestHooks ZeroinTestHooks;
#endif
