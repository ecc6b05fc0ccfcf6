#include "qorFloatFaults.h"

#include "qorException.h"

#include <cmath>

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

TFloatEnvGuard::TFloatEnvGuard() { std::feholdexcept(&FSaved); }

TFloatEnvGuard::~TFloatEnvGuard() { std::fesetenv(&FSaved); }
