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
constexpr unsigned short X87Faults = 0x3F;     // flag bits of the status word, mask bits of the control word
constexpr unsigned MxcsrMasks = 0x3F << 7;     // the fault masks of MXCSR
}  // namespace

TFloatEnvGuard::TFloatEnvGuard() : FMxcsr(_mm_getcsr()) {
  __asm__ volatile("fnstcw %0" : "=m"(FControl));
  __asm__ volatile("fnstsw %0" : "=m"(FStatus));
  if ((FMxcsr & MxcsrMasks) != MxcsrMasks) _mm_setcsr(FMxcsr | MxcsrMasks);
  if ((FControl & X87Faults) != X87Faults) {
    const unsigned short masked = FControl | X87Faults;
    __asm__ volatile("fldcw %0" : : "m"(masked));
  }
}

TFloatEnvGuard::~TFloatEnvGuard() {
  if (_mm_getcsr() != FMxcsr) _mm_setcsr(FMxcsr);
  unsigned short status, control;
  __asm__ volatile("fnstsw %0" : "=m"(status));
  __asm__ volatile("fnstcw %0" : "=m"(control));
  if (control != FControl) __asm__ volatile("fldcw %0" : : "m"(FControl));
  if ((status & X87Faults) == (FStatus & X87Faults)) return;
  std::fenv_t env;
  std::fegetenv(&env);
  env.__status_word = (env.__status_word & ~X87Faults) | (FStatus & X87Faults);
  std::fesetenv(&env);
}
