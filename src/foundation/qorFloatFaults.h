#pragma once
// Floating-point faults are never silent in this program: division by zero, invalid
// operations and overflow raise EZeroDivide, EInvalidOp and EOverflow. The processor
// only sets sticky flags, so arithmetic that must fault calls CheckFloatFaults()
// after its steps; ordered comparisons go through the helpers below because a NaN
// operand must fault even where the compiler emits a quiet compare.
// Underflow and inexact results stay silent.

#include "qorKaloBase.h"

#include <cfenv>

// The messages of the three faults.
extern const char* const MsgZeroDivide;  // "Gleitkommadivision durch Null"
extern const char* const MsgInvalidOp;   // "Ungültige Gleitkommaoperation"
extern const char* const MsgOverflow;    // "Gleitkommaüberlauf"

// Clears the fault flags (division by zero, invalid, overflow, underflow, inexact).
void ClearFloatFaults();

// Raises the error for a pending fault flag and clears all flags; does nothing when no
// fault flag is set. Invalid wins over division by zero, which wins over overflow.
void CheckFloatFaults();

// Ordered comparisons that raise EInvalidOp when either operand is NaN.
bool FLess(Extended a, Extended b);
bool FLessEqual(Extended a, Extended b);
bool FGreater(Extended a, Extended b);
bool FGreaterEqual(Extended a, Extended b);

// Saves the floating-point environment and masks every fault; on destruction restores
// the saved masks and fault flags (invalid, division by zero, overflow). Wraps foreign
// code (Lua) whose own arithmetic must neither trap nor leave fault flags behind.
class TFloatEnvGuard {
public:
  TFloatEnvGuard();
  ~TFloatEnvGuard();
  TFloatEnvGuard(const TFloatEnvGuard&) = delete;
  TFloatEnvGuard& operator=(const TFloatEnvGuard&) = delete;

private:
  unsigned FMxcsr;          // SSE control and flags
  unsigned short FStatus;   // x87 status word
};
