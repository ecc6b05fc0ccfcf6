#include "qorFloatFaults.h"

#include "qorException.h"

#include <immintrin.h>

const char* const MsgZeroDivide = "Gleitkommadivision durch Null";
const char* const MsgInvalidOp = "Ungültige Gleitkommaoperation";
const char* const MsgOverflow = "Gleitkommaüberlauf";

// Clearing reloads the x87 environment, which is slow; the silent flags alone are left.
void ClearFloatFaults() {
  if (FloatFaultsPending()) std::feclearexcept(FE_ALL_EXCEPT);
}

void RaisePendingFloatFault() {
  const unsigned raised = X87StatusWord() | _mm_getcsr();
  ClearFloatFaults();
  if (raised & FE_INVALID) throw EInvalidOp(MsgInvalidOp);
  if (raised & FE_DIVBYZERO) throw EZeroDivide(MsgZeroDivide);
  throw EOverflow(MsgOverflow);
}

void RaiseUnorderedComparison() {
  ClearFloatFaults();
  throw EInvalidOp(MsgInvalidOp);
}

namespace {
bool ProcessorHasAvx() {
  __builtin_cpu_init();  // the feature test may run before the library's own initialiser
  return __builtin_cpu_supports("avx");
}
const bool HasAvx = ProcessorHasAvx();

__attribute__((target("avx"))) void ZeroUpperHalves() { _mm256_zeroupper(); }
}  // namespace

void ClearUpperVectorHalves() {
  if (HasAvx) ZeroUpperHalves();
}

// The x87 environment is slow to load, so it is reloaded only when the guarded code
// changed one of its fault flags. Inexact and underflow flags are silent here and left
// as the guarded code set them.
void TFloatEnvGuard::RestoreX87Flags() const {
  std::fenv_t env;
  std::fegetenv(&env);
  env.__status_word = (env.__status_word & ~FloatFaultFlags) | (FStatus & FloatFaultFlags);
  std::fesetenv(&env);
}
