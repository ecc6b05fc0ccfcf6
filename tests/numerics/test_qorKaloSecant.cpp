#include "qorException.h"
#include "qorKaloSecant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {
const Extended qnan = std::numeric_limits<Extended>::quiet_NaN();
// The iteration limit the root finder passes.
constexpr int Limit = 10000;

Extended Square(Extended x) { return x * x; }
Extended NoRoot(Extended x) { return x * x + 1; }
Extended Linear(Extended x) { return x - 1; }

struct SecantCase {
  const char* name;
  Extended (*f)(Extended);
  Extended X0, X1, AbsErr, RelErr;
  int code;
  int iterMin, iterMax;
  Extended X, XTolerance;
};

const SecantCase SecantCases[] = {
    // The reciprocals of the iterates grow like Fibonacci numbers.
    {"x^2 from 0.1, 0.2", Square, 0.1L, 0.2L, 1E-10L, 0, SecantConverged, 40, 45, 1.3E-10L, 0.3E-10L},
    {"x^2 from the first node pair of a scan", Square, -0.015075L, -0.005025L, std::ldexp(1.0L, -62), 0,
     SecantConverged, 75, 85, 3E-19L, 2E-19L},
    {"small value before the step", Linear, 0.75L, 0.875L, 0, 0.25L, SecantConverged, 1, 1, 1, 0},
    {"value equal to RelErr is not small enough", Linear, 0.75L, 0.875L, 0, 0.125L, SecantConverged, 2, 2, 1, 0},
};
}  // namespace

TEST(Secant, WorkedExamples) {
  for (const SecantCase& t : SecantCases) {
    SCOPED_TRACE(t.name);
    Extended X = qnan, FX = qnan;
    int Iter = Limit;
    EXPECT_EQ(Secant(t.AbsErr, t.RelErr, X, t.f, t.X0, t.X1, FX, Iter), t.code);
    EXPECT_GE(Iter, t.iterMin);
    EXPECT_LE(Iter, t.iterMax);
    EXPECT_NEAR(static_cast<double>(std::fabs(X)), static_cast<double>(t.X), static_cast<double>(t.XTolerance));
    EXPECT_EQ(FX, t.f(X));
  }
}

TEST(Secant, NoConvergenceLeavesTheOutputsUntouched) {
  long calls = 0;
  const RealFunction counted = [&](Extended x) {
    ++calls;
    return NoRoot(x);
  };
  Extended X = 7, FX = 8;
  int Iter = Limit;
  EXPECT_EQ(Secant(1E-10L, 0, X, counted, 0.1L, 0.2L, FX, Iter), SecantNotConverged);
  EXPECT_EQ(X, 7);
  EXPECT_EQ(FX, 8);
  EXPECT_EQ(Iter, Limit);
  EXPECT_EQ(calls, 2 * (Limit + 1)) << "limit + 1 iterations of two evaluations";
}

TEST(Secant, EqualValuesStepOnceMoreBeyondX1) {
  std::vector<Extended> points;
  const RealFunction recorded = [&](Extended x) {
    points.push_back(x);
    return x * x;
  };
  Extended X, FX;
  int Iter = 1;
  Secant(0, 0, X, recorded, -0.5L, 0.5L, FX, Iter);
  ASSERT_GE(points.size(), 4u);
  EXPECT_EQ(points[2], 0.5L);
  EXPECT_EQ(points[3], 1.5L) << "2*X1 - X0";
}

TEST(Secant, FaultsAndErrorsReachTheCaller) {
  struct Case {
    const char* name;
    RealFunction f;
    Extended X0, X1;
    const char* type;
    const char* message;
  } cases[] = {
      {"both values zero", [](Extended) { return Extended(0); }, 1, 2, "EInvalidOp", "Ungültige Gleitkommaoperation"},
      {"a step that overflows", [](Extended x) { return Extended(x < 0 ? 1 : 2); },
       -0.9L * std::numeric_limits<Extended>::max(), 0.9L * std::numeric_limits<Extended>::max(), "EOverflow",
       "Gleitkommaüberlauf"},
      {"a quiet NaN of fct", [](Extended x) { return x > 0.15L ? qnan : x; }, 0.1L, 0.2L, "EInvalidOp",
       "Ungültige Gleitkommaoperation"},
      {"an error of fct", [](Extended) -> Extended { throw ECalculationAborted("Abbruch"); }, 0.1L, 0.2L,
       "ECalculationAborted", "Abbruch"},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    Extended X = 7, FX = 8;
    int Iter = Limit;
    try {
      Secant(1E-10L, 0, X, t.f, t.X0, t.X1, FX, Iter);
      ADD_FAILURE() << "nothing raised";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.className(), t.type);
      EXPECT_EQ(e.Message(), t.message);
    }
    EXPECT_EQ(X, 7);
    EXPECT_EQ(Iter, Limit);
  }
}
