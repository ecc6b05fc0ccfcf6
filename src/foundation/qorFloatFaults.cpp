#include "qorFloatFaults.h"

#include "qorException.h"

#include <cmath>
#include <immintrin.h>

const char* const MsgZeroDivide = "Gleitkommadivision durch Null";
const char* const MsgInvalidOp = "Ungültige Gleitkommaoperation";
const char* const MsgOverflow = "Gleitkommaüberlauf";

void ClearFloatFaults() { std::feclearexcept(FE_ALL_EXCEPT); }

void CheckFloatFaults() {
  const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
  if (raised == 0) return;
  ClearFloatFaults();
  if (raised & FE_INVALID) throw EInvalidOp(MsgInvalidOp);
  if (raised & FE_DIVBYZERO) throw EZeroDivide(MsgZeroDivide);
  throw EOverflow(MsgOverflow);
}

namespace {
void RequireOrdered(Extended a, Extended b) {
  if (std::isnan(a) || std::isnan(b)) {
    ClearFloatFaults();
    throw EInvalidOp(MsgInvalidOp);
  }
}
}  // namespace

bool FLess(Extended a, Extended b) { RequireOrdered(a, b); return a < b; }
bool FLessEqual(Extended a, Extended b) { RequireOrdered(a, b); return a <= b; }
bool FGreater(Extended a, Extended b) { RequireOrdered(a, b); return a > b; }
bool FGreaterEqual(Extended a, Extended b) { RequireOrdered(a, b); return a >= b; }

namespace {
// The flags of the three faults the program raises, in the x87 status word and in
// MXCSR (same bit positions), and the fault masks of MXCSR.
constexpr unsigned short X87Faults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
constexpr unsigned MxcsrFaults = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
constexpr unsigned MxcsrMasks = 0x3F << 7;

unsigned short X87Status() {
  unsigned short status;
  __asm__ volatile("fnstsw %0" : "=m"(status));
  return status;
}
}  // namespace

// Lua computes in SSE registers, so MXCSR is what it changes; inexact and underflow
// flags are silent here and left as Lua set them, so that the common call restores
// nothing. The x87 environment is slow to load and is reloaded only when the guarded
// code changed one of its fault flags.
TFloatEnvGuard::TFloatEnvGuard() : FMxcsr(_mm_getcsr()), FStatus(X87Status()) {
  if ((FMxcsr & MxcsrMasks) != MxcsrMasks) _mm_setcsr(FMxcsr | MxcsrMasks);
}

TFloatEnvGuard::~TFloatEnvGuard() {
  if ((_mm_getcsr() ^ FMxcsr) & (MxcsrFaults | MxcsrMasks)) _mm_setcsr(FMxcsr);
  if (((X87Status() ^ FStatus) & X87Faults) == 0) return;
  std::fenv_t env;
  std::fegetenv(&env);
  env.__status_word = (env.__status_word & ~X87Faults) | (FStatus & X87Faults);
  std::fesetenv(&env);
}
