#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorKaloBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(KaloBase, MachineEpsilonIsTwoToTheMinus63) {
  EXPECT_EQ(MachineEpsilon(), std::ldexp(1.0L, -63));
  EXPECT_EQ(MachineEpsilon(), MachineEpsilon());
}

TEST(KaloBase, IsZeroRealIsAbsolute) {
  EXPECT_TRUE(IsZeroReal(0));
  EXPECT_TRUE(IsZeroReal(-MachineEpsilon()));
  EXPECT_FALSE(IsZeroReal(2 * MachineEpsilon()));
  EXPECT_THROW(IsZeroReal(std::numeric_limits<Extended>::quiet_NaN()), EInvalidOp);
}

TEST(KaloBase, IsFiniteRealUsesTheDoubleRange) {
  const Extended inf = std::numeric_limits<Extended>::infinity();
  EXPECT_TRUE(IsFiniteReal(0));
  EXPECT_TRUE(IsFiniteReal(-1.7E308L));
  EXPECT_TRUE(IsFiniteReal(static_cast<Extended>(std::numeric_limits<double>::max())));
  EXPECT_FALSE(IsFiniteReal(1E+400L));
  EXPECT_FALSE(IsFiniteReal(-1E+400L));
  EXPECT_FALSE(IsFiniteReal(inf));
  EXPECT_FALSE(IsFiniteReal(std::numeric_limits<Extended>::quiet_NaN()));
  ClearFloatFaults();
  IsFiniteReal(std::numeric_limits<Extended>::quiet_NaN());
  EXPECT_NO_THROW(CheckFloatFaults()) << "the test itself must not raise a flag";
}

// volatile operands keep the compiler from folding the faulting operation away.
static volatile Extended zero = 0, one = 1, inf = std::numeric_limits<Extended>::infinity(),
                         big = std::numeric_limits<Extended>::max(),
                         qnan = std::numeric_limits<Extended>::quiet_NaN();

template <class E>
static void ExpectFault(const std::function<void()>& op, const char* type, const char* msg) {
  ClearFloatFaults();
  try {
    op();
    CheckFloatFaults();
    ADD_FAILURE() << "no fault for " << type;
  } catch (const E& e) {
    EXPECT_STREQ(e.className(), type);
    EXPECT_EQ(e.Message(), msg);
  }
  EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT) & (FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW), 0);
}

TEST(FloatFaults, EachFaultRaisesItsType) {
  volatile Extended r;
  ExpectFault<EZeroDivide>([&] { r = one / zero; }, "EZeroDivide", "Gleitkommadivision durch Null");
  ExpectFault<EInvalidOp>([&] { r = zero / zero; }, "EInvalidOp", "Ungültige Gleitkommaoperation");
  ExpectFault<EInvalidOp>([&] { r = inf - inf; }, "EInvalidOp", "Ungültige Gleitkommaoperation");
  ExpectFault<EInvalidOp>([&] { (void)FLess(qnan, one); }, "EInvalidOp", "Ungültige Gleitkommaoperation");
  ExpectFault<EInvalidOp>([&] { (void)FGreaterEqual(one, qnan); }, "EInvalidOp", "Ungültige Gleitkommaoperation");
  ExpectFault<EOverflow>([&] { r = big * 2; }, "EOverflow", "Gleitkommaüberlauf");
  (void)r;
}

TEST(FloatFaults, UnderflowAndInexactStaySilent) {
  ClearFloatFaults();
  volatile Extended tiny = std::numeric_limits<Extended>::min();
  volatile Extended r = tiny * tiny;
  r = one / 3;
  (void)r;
  EXPECT_NO_THROW(CheckFloatFaults());
}

TEST(FloatFaults, GuardRestoresTheEnvironment) {
  ClearFloatFaults();
  {
    TFloatEnvGuard guard;
    volatile Extended r = one / zero;  // foreign arithmetic: flags vanish with the guard
    (void)r;
  }
  EXPECT_NO_THROW(CheckFloatFaults());
}
