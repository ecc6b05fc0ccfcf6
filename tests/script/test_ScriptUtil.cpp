#include "ScriptUtil.h"
#include "qorException.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

using namespace std::chrono_literals;

namespace {

const Extended Inf = std::numeric_limits<Extended>::infinity();

// A script function with the user's text loaded and fct prepared, as a calculation does it.
struct TUserFunction {
  explicit TUserFunction(const QString& text) {
    function.LoadScriptFromString(text);
    function.PrepareFunction("fct");
  }
  TScriptFunction function;
};

// The text the calculation makes of a simple expression.
QString Wrapped(const QString& expression) { return "function fct(x) return (" + expression + "); end;"; }

TEST(ScriptFunction, PreludeText) {
  const QStringList lines = MathPrelude().split("\r\n");
  ASSERT_EQ(lines.size(), 25);
  EXPECT_EQ(lines[0], "abs   = math.abs;");
  EXPECT_EQ(lines[1], "acos  = math.acos;");
  EXPECT_EQ(lines[2], "asin  = math.asin;");
  EXPECT_EQ(lines[14], "log10 = math.log10;");
  EXPECT_EQ(lines[17], "pi    = math.pi;");
  EXPECT_EQ(lines[24], "tanh  = math.tanh;");
  EXPECT_FALSE(MathPrelude().endsWith("\n"));
}

TEST(ScriptFunction, PreludeBindsEveryNameToTheMathLibrary) {
  TUserFunction f(
      "function fct(x) for _, name in ipairs({'abs', 'acos', 'asin', 'atan', 'ceil', 'cos', 'cosh', 'deg', "
      "'exp', 'floor', 'fmod', 'frexp', 'ldexp', 'log', 'log10', 'max', 'min', 'pi', 'pow', 'rad', 'sin', "
      "'sinh', 'sqrt', 'tan', 'tanh'}) do if _G[name] ~= math[name] then error(name) end end return 1 end");
  EXPECT_EQ(f.function.fct(0), 1);
}

// What a user can reach: base and math, the prelude's short names, nothing else.
TEST(ScriptFunction, OnlyBaseMathAndThePreludeAreReachable) {
  struct Case {
    const char* expression;
    Extended x;
    Extended expected;
  } cases[] = {
      {"sin(x)", 0.5, std::sin(0.5)},
      {"math.sin(x)", 0.5, std::sin(0.5)},
      {"pi", 0, M_PI},
      {"sqrt(x) + pow(x, 2) + log10(x)", 100, 10 + 10000 + 2},
      {"math.atan2(x, 1)", 1, std::atan2(1.0, 1.0)},
      {"atan2(x, 1)", 1, Inf},
      {"tonumber('3') + select('#', 1, 2)", 0, 5},
      {"string.format('%d', x)", 1, Inf},
      {"#table.concat({})", 1, Inf},
      {"io.write('x')", 1, Inf},
      {"os.time()", 1, Inf},
      {"require('os')", 1, Inf},
      {"debug.traceback()", 1, Inf},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    EXPECT_EQ(TUserFunction(Wrapped(c.expression)).function.fct(c.x), c.expected);
  }
}

// Every failure of an evaluation gives +inf; numbers (Lua's inf and NaN included) pass.
TEST(ScriptFunction, FailuresGiveInfinity) {
  struct Case {
    const char* text;
    Extended x;
    Extended expected;
  } cases[] = {
      {"function fct(x) return 2 * x end", 1.5, 3},
      {"function fct(x) return '2.5' end", 0, 2.5},
      {"function fct(x) return 1 / x end", 0, Inf},
      {"function fct(x) return -1 / x end", 0, -Inf},
      {"function fct(x) if x < 0 then error('negativ') end return x end", 2, 2},
      {"function fct(x) if x < 0 then error('negativ') end return x end", -2, Inf},
      {"function fct(x) return undefined(x) end", 1, Inf},
      {"function other(x) return x end", 1, Inf},
      {"function fct(x) end", 1, Inf},
      {"function fct(x) return nil end", 1, Inf},
      {"function fct(x) return true end", 1, Inf},
      {"function fct(x) return {} end", 1, Inf},
      {"function fct(x) return 'eins' end", 1, Inf},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " at " + std::to_string(double(c.x)));
    EXPECT_EQ(TUserFunction(c.text).function.fct(c.x), c.expected);
  }
  EXPECT_TRUE(std::isnan(TUserFunction("function fct(x) return x - x end").function.fct(Inf)));
}

TEST(ScriptFunction, GlobalsPersistBetweenCalls) {
  TUserFunction counter("calls = 0 function fct(x) calls = calls + 1 return calls end");
  for (Extended expected : {1, 2, 3}) EXPECT_EQ(counter.function.fct(0), expected);
  TUserFunction redefined("function sin(x) return 42 end function fct(x) return sin(x) end");
  EXPECT_EQ(redefined.function.fct(0), 42);
}

TEST(ScriptFunction, ArgumentIsRoundedToDouble) {
  TUserFunction f("function fct(x) return x end");
  EXPECT_EQ(f.function.fct(0.1L), Extended(0.1));
}

TEST(ScriptFunction, LoadErrorsAreNotSwallowed) {
  TScriptFunction function;
  try {
    function.LoadScriptFromString(Wrapped("sin(x"));
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              "Fehler in LoadScriptFromString(): Syntaxfehler in Script "
              "\"function fct(x) return (sin(x); end;\"\r\nFehlermeldung: "
              "[string \"function fct(x) return (sin(x); end;\"]:1: ')' expected near ';'");
  }
}

TEST(ScriptFunction, MemoryCapGivesInfinity) {
  TUserFunction f("function fct(x) local t = {} for i = 1, x do t[i] = i end return #t end");
  f.function.setMemoryCap(std::size_t{4} << 20);
  EXPECT_EQ(f.function.fct(1E9), Inf);
  EXPECT_EQ(f.function.fct(10), 10);
}

TEST(ScriptFunction, TimeBudgetAbortsInsteadOfGivingInfinity) {
  TUserFunction f("function fct(x) while true do end end");
  f.function.setEvaluationBudget(50ms);
  try {
    f.function.fct(-2.25);
    ADD_FAILURE() << "no abort";
  } catch (const ECalculationAborted& e) {
    EXPECT_EQ(e.Message(), "Die Auswertung der Funktion für x = -2.25 hat das Zeitlimit von 0.05 s überschritten.");
  }
}

// A pass of calls gives, call by call, what fct gives: numbers, numeric strings, +inf for
// errors, results that are not numbers and memory failures, after which the state has
// room again. The script's own counter sees every call once, in order.
TEST(ScriptFunction, PassGivesWhatEachCallGives) {
  const QString script =
      "calls = {}\r\n"
      "function fct(x)\r\n"
      "  calls[#calls + 1] = x\r\n"
      "  if x < 0 then error('negativ') end\r\n"
      "  if x == 0.5 then return 'keine Zahl' end\r\n"
      "  if x == 0.25 then return ' 2.5 ' end\r\n"
      "  if x == 1 then local t = {} for i = 1, 1E9 do t[i] = i end end\r\n"
      "  if x == 3 then return 0/0 end\r\n"
      "  return x * 2\r\n"
      "end";
  const std::vector<Extended> x = {-1, 0.25L, 0.5L, 1, 2, 0.1L, 3, -0.0L};
  TUserFunction single(script), pass(script);
  single.function.setMemoryCap(std::size_t{4} << 20);
  pass.function.setMemoryCap(std::size_t{4} << 20);
  std::vector<Extended> y(x.size());
  std::int64_t calls = 5;
  pass.function.fctPass(x.data(), y.data(), static_cast<int>(x.size()), calls);
  EXPECT_EQ(calls, 5 + static_cast<std::int64_t>(x.size()));
  for (std::size_t i = 0; i < x.size(); ++i) {
    SCOPED_TRACE(static_cast<double>(x[i]));
    const Extended expected = single.function.fct(x[i]);
    EXPECT_TRUE(y[i] == expected || (std::isnan(y[i]) && std::isnan(expected))) << static_cast<double>(y[i]);
  }
  EXPECT_EQ(y[0], Inf);
  EXPECT_EQ(y[1], 2.5L);
  EXPECT_EQ(y[3], Inf) << "out of memory";
  EXPECT_EQ(y[5], Extended(0.1) * 2) << "the argument is rounded to double";
  EXPECT_TRUE(std::signbit(y[7]));

  pass.function.LoadScriptFromString("function fct(i) return calls[i] end");
  pass.function.PrepareFunction("fct");
  for (std::size_t i = 0; i < x.size(); ++i) EXPECT_EQ(pass.function.fct(i + 1), Extended(static_cast<double>(x[i])));
  EXPECT_EQ(pass.function.fct(x.size() + 1), Inf) << "no call more";
}

TEST(ScriptFunction, PassStopsAtTheCallThatRunsOutOfTime) {
  TUserFunction f("calls = 0 function fct(x) calls = calls + 1 while x == 3 do end return x end");
  f.function.setEvaluationBudget(50ms);
  const std::vector<Extended> x = {1, 2, 3, 4};
  std::vector<Extended> y(x.size());
  std::int64_t calls = 0;
  try {
    f.function.fctPass(x.data(), y.data(), static_cast<int>(x.size()), calls);
    ADD_FAILURE() << "no abort";
  } catch (const ECalculationAborted& e) {
    EXPECT_EQ(e.Message(), "Die Auswertung der Funktion für x = 3 hat das Zeitlimit von 0.05 s überschritten.");
  }
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(y[1], 2);
  f.function.LoadScriptFromString("function fct() return calls end");
  f.function.PrepareFunction("fct");
  EXPECT_EQ(f.function.fct(0), 3) << "the fourth call was not made";
}

}  // namespace
