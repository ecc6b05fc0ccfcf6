#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorKaloBase.h"

#include <gtest/gtest.h>

#include <cpuid.h>
#include <cmath>
#include <limits>
#include <string>

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
                         big = std::numeric_limits<Extended>::max(), qnan = std::numeric_limits<Extended>::quiet_NaN();

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

// What a step run by RunCheckedStep raises, and how often it ran.
template <class TStep>
static std::string CheckedStepOutcome(const TStep& step, bool StartsWithNaN = false) {
  ClearFloatFaults();
  int runs = 0;
  std::string raised = "nothing";
  try {
    RunCheckedStep(StartsWithNaN, [&](auto& faults) {
      ++runs;
      step(faults);
    });
  } catch (const Exception& e) {
    raised = e.className();
  }
  return raised + " after " + std::to_string(runs) + (runs == 1 ? " run" : " runs");
}

// A step whose flags are looked at once, at its end, raises what its first fault raises
// when every operation is checked, not the strongest of the flags that piled up; a step
// without a fault runs once.
TEST(FloatFaults, CheckedStepRaisesWhatItsFirstFaultRaises) {
  volatile Extended r;
  EXPECT_EQ(CheckedStepOutcome([&](auto& f) {
              r = one / 3;
              f.Check();
              (void)f.Less(one, zero);
            }),
            "nothing after 1 run");
  EXPECT_EQ(CheckedStepOutcome([&](auto& f) {
              r = big * 2;
              f.Check();
              r = inf - inf;
              f.Check();
            }),
            "EOverflow after 2 runs");
  EXPECT_EQ(CheckedStepOutcome([&](auto& f) {
              r = one / zero;
              f.Check();
              r = inf * zero;
              (void)f.Less(r, one);
            }),
            "EZeroDivide after 2 runs");
  EXPECT_EQ(CheckedStepOutcome([&](auto& f) {
              r = zero / zero;
              (void)f.Greater(r, one);
              r = one / zero;
              f.Check();
            }),
            "EInvalidOp after 2 runs");
  EXPECT_EQ(CheckedStepOutcome(
                [&](auto& f) {
                  (void)f.Greater(qnan, one);
                  r = one / zero;
                  f.Check();
                },
                true),
            "EInvalidOp after 1 run")
      << "a NaN to start with is compared carefully at once";
  (void)r;
  EXPECT_NO_THROW(CheckFloatFaults());
}

// XINUSE (XGETBV with ECX = 1) tells whether the upper halves of the vector registers
// are in use, where the processor reports it.
static bool ProcessorReportsVectorUse() {
  unsigned a, b, c, d;
  return __builtin_cpu_supports("avx") && __get_cpuid_count(0xD, 1, &a, &b, &c, &d) && (a & 4) != 0;
}
static bool UpperHalvesInUse() {
  unsigned low, high;
  __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(1));
  return (low & 0x44) != 0;  // YMM_Hi128 or ZMM_Hi256
}

TEST(FloatFaults, GuardHandsOverCleanUpperVectorHalves) {
  if (!ProcessorReportsVectorUse()) GTEST_SKIP() << "the processor does not report the use of its vector registers";
  __asm__ volatile("vpcmpeqd %%ymm15, %%ymm15, %%ymm15" ::: "xmm15");  // AVX code that leaves them dirty
  ASSERT_TRUE(UpperHalvesInUse());
  TFloatEnvGuard guard;
  EXPECT_FALSE(UpperHalvesInUse());
}
