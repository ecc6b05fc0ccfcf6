#include "ScriptUtil.h"
#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorLuaExpression.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

std::uint64_t Bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// The same value, NaNs counting as equal whatever their payload.
bool SameValue(double a, double b) { return (std::isnan(a) && std::isnan(b)) || Bits(a) == Bits(b); }

// Arguments where formulas go wrong: signed zeros, the ends of the range, subnormals,
// infinities, NaN, and a spread of ordinary values.
std::vector<double> Arguments() {
  std::vector<double> x = {0.0, -0.0, 1.0, -1.0, 0.5, -2.5, 2.5, 1e-300, -1e-300, 5e-324, DBL_MAX, -DBL_MAX,
                           HUGE_VAL, -HUGE_VAL, std::nan(""), 3.141592653589793, 1e10, -7.25, 100, 710, -745};
  for (int i = 0; i <= 200; ++i) x.push_back(-10 + i * 0.1 + 1e-7 * i);
  return x;
}

// The user's function through Lua, as before expressions were computed in place.
struct TLuaFunction {
  explicit TLuaFunction(const QString& Expression) {
    function.LoadScriptFromString(ExpressionScript(Expression));
    function.PrepareFunction("fct");
  }
  TScriptFunction function;
};

// Every expression the evaluator takes gives Lua's value bit for bit, faults included
// (a division by zero or an overflow is Lua's inf, not an error), and raises no fault
// flag in the host.
TEST(LuaExpression, GivesLuasValuesBitForBit) {
  const char* const expressions[] = {
      "0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6",
      "sin(50*x)",
      "-x^2",
      "-2^-x",
      "2^3^x",
      "x - -x",
      "(x + 1) * (x - 1) / (x - 2)",
      "1/x",
      "x % 3",
      "x % -0.7 + 5 % x",
      "-x % 2",
      "exp(x) - 1e308 * x",
      "abs(x) + acos(x/20) + asin(x/20) + atan(x)",
      "ceil(x) * floor(x) + cos(x) + cosh(x) - sinh(x) * tanh(x)",
      "deg(x) + rad(x) + log(x) + log10(x) + sqrt(x) + tan(x)",
      "pow(x, 1.5) + fmod(x, 0.3)",
      "max(x, 0, -x) - min(x, 1, x^2) + max(x) + min(x, 0/0)",
      "math.atan2(x, 1 - x) + math.sin(x) + math.pi + math.huge * 0",
      "pi * x",
      "  .5e1 * x\t+ 3. - 1E-3 + 2e+2",
      "(((((x)))))",
      "2 * 3 * x + 1 / 0 + 0 / 0 * x",
      "10^308 * 10 * x",
      "x^0.5 + (-8)^(1/3)",
  };
  const std::vector<double> xs = Arguments();
  for (const char* text : expressions) {
    SCOPED_TRACE(text);
    const auto expression = TqorLuaExpression::Compile(text);
    ASSERT_TRUE(expression);
    TLuaFunction lua(text);
    for (const double x : xs) {
      const double expected = static_cast<double>(lua.function.fct(x));
      ClearFloatFaults();
      double got;
      {
        TFloatEnvGuard guard;
        got = (*expression)(x);
      }
      EXPECT_FALSE(FloatFaultsPending());
      EXPECT_TRUE(SameValue(got, expected)) << "x = " << x << ": " << got << " instead of " << expected;
    }
    // The same arguments as one pass, over more than one block, and a pass of one.
    std::vector<double> ys(xs.size());
    expression->Evaluate(xs.data(), ys.data(), static_cast<int>(xs.size()));
    for (std::size_t i = 0; i < xs.size(); ++i)
      EXPECT_TRUE(SameValue(ys[i], (*expression)(xs[i]))) << "pass, x = " << xs[i];
    double one;
    expression->Evaluate(&xs[3], &one, 1);
    EXPECT_TRUE(SameValue(one, (*expression)(xs[3])));
  }
}

// Whatever is not plainly arithmetic on x stays with Lua, which knows what it means:
// other names, comparisons, strings, calls with other argument counts, hexadecimal
// numerals, comments and line breaks (which change how Lua reads the text around the
// expression), texts that are not one expression, and -0 next to 0 (one constant to Lua).
TEST(LuaExpression, LeavesEverythingElseToLua) {
  const char* const texts[] = {
      "sinn(x)",        "y",
      "x < 0 and -1 or 1", "not x",
      "#x",             "x .. 1",
      "\"1\" + x",      "sin(x, 2)",
      "sin()",          "pow(x)",
      "frexp(x)",       "math.random()",
      "math.x",         "x.y",
      "0x10 * x",       "1e * x",
      "1.2.3",          "3x",
      "x --[[c]] + 1",  "x\n+ 1",
      "sin\n(x)",       "x); print(1); (x",
      "",               "()",
      "x +",            "(x",
      "sin",            "x(1)",
      "-0 + 0 * x",     "1e999 * x",
      "nil",            "function() end",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(TqorLuaExpression::Compile(text));
  }
}

// A calculation hands the expression to the script function, which computes it in place
// when it can and otherwise leaves it to Lua, with Lua's answer either way.
TEST(LuaExpression, ScriptFunctionComputesInPlaceOrThroughLua) {
  const struct {
    const char* text;
    bool inPlace;
    double x, expected;
  } cases[] = {
      {"3*x + 1", true, 2, 7},
      {"x < 0 and -1 or 1", false, -3, -1},
      {"sinn(x)", false, 1, HUGE_VAL},  // an evaluation that fails has no value
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TScriptFunction function;
    function.LoadExpression(c.text);
    EXPECT_EQ(function.EvaluatesInPlace(), c.inPlace);
    EXPECT_EQ(function.fct(c.x), c.expected);
    Extended x[] = {c.x, c.x}, y[2];
    std::int64_t calls = 0;
    function.fctPass(x, y, 2, calls);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(y[1], c.expected);
  }
}

// One function object loaded again: what was loaded last is computed, in place or not.
TEST(LuaExpression, TheLastLoadedFunctionIsComputed) {
  TScriptFunction function;
  function.LoadExpression("3*x + 1");
  function.LoadScriptFromString("function fct(x) return 5 end");
  function.PrepareFunction("fct");
  EXPECT_FALSE(function.EvaluatesInPlace());
  EXPECT_EQ(function.fct(2), 5);
  function.LoadExpression("3*x + 1");
  EXPECT_TRUE(function.EvaluatesInPlace());
  EXPECT_EQ(function.fct(2), 7);
}

}  // namespace

// Without Lua's count hook the watcher still looks in: a cancel stops a pass in place
// before its next block of nodes, and single evaluations within a few hundred calls.
TEST(LuaExpression, InPlaceEvaluationsHeedTheCancelFlag) {
  TScriptFunction function;
  function.LoadExpression("sin(x)");
  ASSERT_TRUE(function.EvaluatesInPlace());
  std::atomic<bool> cancel = false;
  int ticks = 0;
  function.setWatcher({&cancel, [&](int) { ++ticks; }});
  std::vector<Extended> x(100000, 0.5L), y(x.size());
  std::int64_t calls = 0;
  function.fctPass(x.data(), y.data(), static_cast<int>(x.size()), calls);
  EXPECT_EQ(calls, 100000);
  cancel = true;
  calls = 0;
  EXPECT_THROW(function.fctPass(x.data(), y.data(), static_cast<int>(x.size()), calls), ECalculationCancelled);
  EXPECT_EQ(calls, 0);
  int made = 0;
  EXPECT_THROW(
      {
        for (; made < 1000; ++made) function.fct(0.5L);
      },
      ECalculationCancelled);
  EXPECT_LT(made, 256);
}
