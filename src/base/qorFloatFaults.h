#pragma once
// Floating-point faults are never silent in this program: division by zero, invalid
// operations and overflow raise EZeroDivide, EInvalidOp and EOverflow. The processor
// only sets flags, and they are sticky: a flag stays set until it is cleared. So
// arithmetic that must fault may run several operations and call CheckFloatFaults()
// once, where its step ends; ordered comparisons go through the helpers below because
// a NaN operand must fault even where the compiler emits a quiet compare.
// Underflow and inexact results stay silent.
//
// The checks are inline and read two registers: the numerics check once per step, and a
// calculation makes tens of thousands of steps.

#include "qorKaloBase.h"

#include <xmmintrin.h>
#include <cfenv>
#include <cmath>
#include <type_traits>

// The messages of the three faults.
extern const char* const MsgZeroDivide;  // "Gleitkommadivision durch Null"
extern const char* const MsgInvalidOp;   // "Ungültige Gleitkommaoperation"
extern const char* const MsgOverflow;    // "Gleitkommaüberlauf"

// The flags of the three faults the program raises, in the x87 status word and in MXCSR
// (the same bit positions in both).
inline constexpr unsigned FloatFaultFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

// The x87 status word, which holds the flags of Extended arithmetic.
inline unsigned X87StatusWord() {
  unsigned short status;
  __asm__ volatile("fnstsw %0" : "=a"(status));
  return status;
}

// Clears the fault flags (division by zero, invalid, overflow), and the silent ones
// (underflow, inexact), which nothing reads, along with them; when no fault flag is set
// it leaves all as they are, which costs next to nothing.
void ClearFloatFaults();

// True when a fault flag is set, from Extended (x87) or double (SSE) arithmetic.
inline bool FloatFaultsPending() { return ((X87StatusWord() | _mm_getcsr()) & FloatFaultFlags) != 0; }

// Raises the error for the pending fault flags and clears all flags. Invalid wins over
// division by zero, which wins over overflow.
[[noreturn]] void RaisePendingFloatFault();

// Raises EInvalidOp and clears all flags: an ordered comparison met a NaN.
[[noreturn]] void RaiseUnorderedComparison();

// Raises the error for a pending fault flag and clears all flags; does nothing when no
// fault flag is set.
inline void CheckFloatFaults() {
  if (FloatFaultsPending()) RaisePendingFloatFault();
}

// Ordered comparisons that raise EInvalidOp when either operand is NaN.
inline bool FLess(Extended a, Extended b) {
  if (std::isunordered(a, b)) RaiseUnorderedComparison();
  return a < b;
}
inline bool FLessEqual(Extended a, Extended b) {
  if (std::isunordered(a, b)) RaiseUnorderedComparison();
  return a <= b;
}
inline bool FGreater(Extended a, Extended b) { return FLess(b, a); }
inline bool FGreaterEqual(Extended a, Extended b) { return FLessEqual(b, a); }

// Two ways to check the arithmetic of one step, for code written once as a template over
// them (see RunCheckedStep). Both offer Check(), called where the careful way looks at
// the flags, and the ordered comparisons.
//
// TImmediateFaults raises at the first fault: Check() is CheckFloatFaults, comparisons
// are FLess and its siblings.
struct TImmediateFaults {
  void Check() { CheckFloatFaults(); }
  bool Less(Extended a, Extended b) { return FLess(a, b); }
  bool LessEqual(Extended a, Extended b) { return FLessEqual(a, b); }
  bool Greater(Extended a, Extended b) { return FGreater(a, b); }
  bool GreaterEqual(Extended a, Extended b) { return FGreaterEqual(a, b); }
};

// TDeferredFaults only notes faults: the flags keep themselves. Its comparisons are
// plain: a NaN compared in a step either came from an invalid operation, which set its
// flag, or was there when the step started, which RunCheckedStep rules out.
struct TDeferredFaults {
  void Check() {}
  bool Less(Extended a, Extended b) { return a < b; }
  bool LessEqual(Extended a, Extended b) { return a <= b; }
  bool Greater(Extended a, Extended b) { return a > b; }
  bool GreaterEqual(Extended a, Extended b) { return a >= b; }
  bool Faulted() const { return FloatFaultsPending(); }
};

// TDeferredX87Faults is TDeferredFaults for a step whose arithmetic is all Extended: it
// can set x87 flags only, and it starts without any flag set, so its look leaves out
// MXCSR, whose reading costs about as much as the x87 status word's.
struct TDeferredX87Faults : TDeferredFaults {
  bool Faulted() const { return (X87StatusWord() & FloatFaultFlags) != 0; }
};

// True for the faults of RunCheckedStep's careful run (TImmediateFaults), false for its
// fast runs: a step may take shortcuts in a fast run that cannot fault differently.
template <class TFaults>
inline constexpr bool IsCarefulRun = std::is_same_v<std::remove_cvref_t<TFaults>, TImmediateFaults>;

// The careful run of RunCheckedStep (below), kept out of the fast run's way.
template <class TStep>
[[gnu::noinline, gnu::cold]] void RunStepCarefully(const TStep& step) {
  ClearFloatFaults();
  TImmediateFaults immediate;
  step(immediate);  // raises where the fault happens
}

// Runs step(faults) once with TDeferred (TDeferredFaults or TDeferredX87Faults) and, only
// when that run faulted, once more with TImmediateFaults, which raises exactly the error
// that the first fault raises. So a step pays for one look at the flags instead of one
// per operation. A step that starts with a NaN among its values runs with
// TImmediateFaults at once: the quiet NaN sets no flag when it is compared. The step must
// start from the same state each time it runs and with no fault flag set, must follow
// its arithmetic by Check() as the careful code does, and must not evaluate a function:
// a fault has to end the step before anything the careful code would not have done.
template <class TDeferred = TDeferredFaults, class TStep>
void RunCheckedStep(bool StartsWithNaN, const TStep& step) {
  if (!StartsWithNaN) {
    TDeferred deferred;
    step(deferred);
    if (!deferred.Faulted()) return;
  }
  RunStepCarefully(step);
}

// Sets the upper halves of the vector registers to zero when the processor has them
// (AVX). Code that leaves them dirty, such as Qt Gui's AVX2 fills, which return without
// vzeroupper, makes every later SSE instruction pay for merging them: Lua's arithmetic
// and the math library then run at half speed.
void ClearUpperVectorHalves();

// Saves MXCSR and masks every SSE fault; on destruction restores the saved masks and
// fault flags. Hands the guarded code clean vector registers (ClearUpperVectorHalves).
// Alone it guards code of our own that computes in double only and so cannot touch the
// x87 flags: it leaves out the x87 status word, whose reading waits for every Extended
// operation in flight.
class TSseEnvGuard {
public:
  TSseEnvGuard() : FMxcsr(_mm_getcsr()) {
    if ((FMxcsr & MxcsrMasks) != MxcsrMasks) _mm_setcsr(FMxcsr | MxcsrMasks);
    ClearUpperVectorHalves();
  }
  ~TSseEnvGuard() {
    if (((_mm_getcsr() ^ FMxcsr) & (FloatFaultFlags | MxcsrMasks)) != 0) _mm_setcsr(FMxcsr);
  }
  TSseEnvGuard(const TSseEnvGuard&) = delete;
  TSseEnvGuard& operator=(const TSseEnvGuard&) = delete;

private:
  static constexpr unsigned MxcsrMasks = 0x3F << 7;  // the fault masks of MXCSR
  unsigned FMxcsr;                                   // SSE control and flags
};

// Saves the floating-point environment and masks every fault; on destruction restores
// the saved masks and fault flags (invalid, division by zero, overflow). Wraps foreign
// code (Lua) whose own arithmetic must neither trap nor leave fault flags behind, and
// hands it clean vector registers.
class TFloatEnvGuard {
public:
  TFloatEnvGuard() : FStatus(X87StatusWord()) {}
  ~TFloatEnvGuard() {
    if (((X87StatusWord() ^ FStatus) & FloatFaultFlags) != 0) RestoreX87Flags();
  }
  TFloatEnvGuard(const TFloatEnvGuard&) = delete;
  TFloatEnvGuard& operator=(const TFloatEnvGuard&) = delete;

private:
  void RestoreX87Flags() const;

  TSseEnvGuard FSse;  // the SSE half
  unsigned FStatus;   // x87 status word
};
