#include "ScriptUtil.h"
#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorLuaExpression.h"
#include "qorLuaOperations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
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
  std::vector<double> x = {0.0,     -0.0,   1.0,     -1.0,     0.5,      -2.5,      2.5,          1e-300,
                           -1e-300, 5e-324, DBL_MAX, -DBL_MAX, HUGE_VAL, -HUGE_VAL, std::nan(""), 3.141592653589793,
                           1e10,    -7.25,  100,     710,      -745};
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
      "x + atan(1/(-0*-pi))",
      "x + -0 - -0*math.huge",
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
      "sinn(x)",
      "y",
      "x < 0 and -1 or 1",
      "not x",
      "#x",
      "x .. 1",
      "\"1\" + x",
      "sin(x, 2)",
      "sin()",
      "pow(x)",
      "frexp(x)",
      "math.random()",
      "math.x",
      "x.y",
      "0x10 * x",
      "1e * x",
      "1.2.3",
      "3x",
      "x --[[c]] + 1",
      "x\n+ 1",
      "sin\n(x)",
      "x); print(1); (x",
      "",
      "()",
      "x +",
      "(x",
      "sin",
      "x(1)",
      "-0 + 0 * x",
      "1e999 * x",
      "0*x + x + atan(1/(-0*-pi))",
      "x*0 - 1/(-0*math.huge)",
      "nil",
      "function() end",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(TqorLuaExpression::Compile(text));
  }
}

// An arithmetic that writes the program back as a fully parenthesized Lua text: a
// type of its own over the table of operations, as derivatives or balls are.
struct TTextArithmetic {
  using TValue = std::string;
  void Constant(std::string& r, double c) const {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", c);
    r = text;
  }
  void Variable(std::string& r) const { r = "x"; }
  template <TqorOp Op>
  void Apply(std::string& r, const std::string& a) const {
    const TqorOperation& op = qorOperation(Op);
    r = op.Symbol ? "(" + std::string(1, op.Symbol) + a + ")" : "math." + std::string(op.Name) + "(" + a + ")";
  }
  template <TqorOp Op>
  void Apply(std::string& r, const std::string& a, const std::string& b) const {
    const TqorOperation& op = qorOperation(Op);
    r = op.Symbol ? "(" + a + op.Symbol + b + ")" : "math." + std::string(op.Name) + "(" + a + "," + b + ")";
  }
};

std::string Written(const char* text) {
  const auto expression = TqorLuaExpression::Compile(text);
  if (!expression) return "(left to Lua)";
  TTextArithmetic writer;
  std::string stack[qorMaxStack];
  return expression->Evaluate(writer, stack);
}

// The program as Lua compiles the text: operators on numerals folded, except into a
// NaN or across a division by zero; pi and math.huge are global reads, never folded;
// calls are never folded; min and max combine their arguments left to right.
TEST(LuaExpression, FoldsConstantsAsLuaDoes) {
  const struct {
    const char* text;
    const char* written;
  } cases[] = {
      {"2*3*x + sin(x)", "((6*x)+math.sin(x))"},
      {"x*2*3", "((x*2)*3)"},
      {"-2^2 + -x^2", "(-4+(-(x^2)))"},
      {"2^3^x", "(2^(3^x))"},
      {"-(2) * 2^0.5 % 1 * x", "(0.17157287525380971*x)"},
      {"1/0*x + 0/0 + 5%0", "((((1/0)*x)+(0/0))+(5%0))"},
      {"1e308*10 - 1e308*10", "(inf-inf)"},
      {"-0*-pi", "(-0*(-3.1415926535897931))"},
      {"-math.huge + x", "((-inf)+x)"},
      {"pow(2, 3) + fmod(7, 2) + math.atan2(1, x)", "(((2^3)+math.fmod(7,2))+math.atan2(1,x))"},
      {"max(x, 1, 2) - min(x)", "(math.max(math.max(x,1),2)-x)"},
  };
  for (const auto& c : cases) EXPECT_EQ(Written(c.text), c.written) << c.text;
}

// Every name of Lua's math library, and every name of the table.
const char* const MathNames[] = {"abs",    "acos",       "asin",  "atan", "atan2", "ceil", "cos",   "cosh",
                                 "deg",    "exp",        "floor", "fmod", "frexp", "huge", "ldexp", "log",
                                 "log10",  "max",        "min",   "mod",  "modf",  "pi",   "pow",   "rad",
                                 "random", "randomseed", "sin",   "sinh", "sqrt",  "tan",  "tanh"};

// Whether the condition Condition holds in a script function's state, prelude included.
bool HoldsInLua(const std::string& Condition) {
  TScriptFunction function;
  function.LoadScriptFromString(
      QString::fromStdString("function fct(x) if " + Condition + " then return 1 else return 0 end end"));
  function.PrepareFunction("fct");
  return function.fct(0) == 1;
}

// Whether the compiler takes Name as a value, a function of x, or of x and x.
bool Compiles(const std::string& Name) {
  return TqorLuaExpression::Compile(Name) || TqorLuaExpression::Compile(Name + "(x)") ||
         TqorLuaExpression::Compile(Name + "(x, x)");
}

// The compiler takes a name of the math library without "math." exactly where the
// prelude binds it in Lua, and a name only where Lua has it.
TEST(LuaExpression, TakesShortNamesExactlyWhereThePreludeBindsThem) {
  EXPECT_TRUE(HoldsInLua("(function() local n = 0 for _ in pairs(math) do n = n + 1 end return n end)() == " +
                         std::to_string(std::size(MathNames))))
      << "the list is Lua's math library";
  for (const char* name : MathNames) {
    SCOPED_TRACE(name);
    const std::string n = name;
    const bool viaMath = Compiles("math." + n);
    EXPECT_TRUE(HoldsInLua("math." + n + " ~= nil"));
    EXPECT_EQ(Compiles(n), viaMath && HoldsInLua(n + " == math." + n));
  }
  for (const TqorOperation& op : qorOperations) {
    if (op.Name.empty()) continue;
    SCOPED_TRACE(op.Name);
    EXPECT_TRUE(std::find(std::begin(MathNames), std::end(MathNames), op.Name) != std::end(MathNames));
    EXPECT_TRUE(Compiles("math." + std::string(op.Name)));
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
