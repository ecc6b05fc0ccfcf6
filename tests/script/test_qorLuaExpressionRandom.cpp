// The compiled expression held to Lua on random expressions: every operation of the
// table, with and without "math.", nested, with the constants and arguments where
// doubles go wrong, and texts the compiler must leave to Lua.
#include "ScriptUtil.h"
#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorLuaExpression.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t Seed = 20261211;
constexpr int ExpressionCount = 20000;

std::uint64_t Bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// The same value, NaNs counting as equal whatever their payload.
bool SameValue(double a, double b) { return (std::isnan(a) && std::isnan(b)) || Bits(a) == Bits(b); }

// Random Lua texts of the compiled subset, now and then with something only Lua computes.
class TExpressionGenerator {
public:
  explicit TExpressionGenerator(std::uint64_t seed) : FRandom(seed) {}

  std::string Next() {
    if (Chance(10)) return NegativeZeroAfterZero();
    return Term(1 + Pick(5));
  }

private:
  std::size_t Pick(std::size_t n) { return FRandom() % n; }
  bool Chance(int percent) { return Pick(100) < static_cast<std::size_t>(percent); }
  template <class T, std::size_t N>
  const T& OneOf(const T (&items)[N]) {
    return items[Pick(N)];
  }

  std::string Term(int depth) {
    if (depth <= 0 || Chance(20)) return Leaf();
    switch (Pick(10)) {
      case 0:
        return Negated(Term(depth - 1));
      case 1:
      case 2:
      case 3:
      case 4:
        return BinaryOperator(depth);
      default:
        return Call(depth);
    }
  }

  std::string Leaf() {
    static const char* const numerals[] = {"0",   "1",         "2",      "3",      "0.5",      ".5",  "7.",
                                           "10",  "1e308",     "5e-324", "1e-310", "2.5e-308", "0.1", "1E3",
                                           "710", "123456789", "-0",     "-1",     "4.5e15",   "1e-5"};
    static const char* const leftToLua[] = {"huge",          "0x10",  "1e999",     "y",          "frexp(x)",
                                            "atan2(x, 1)",   "sin()", "pow(x)",    "math.floor", "x < 1 and 1 or 2",
                                            "math.random()", "- -x",  "x --[[c]]", "tostring(x)"};
    if (Chance(2)) return OneOf(leftToLua);
    switch (Pick(8)) {
      case 0:
      case 1:
      case 2:
        return "x";
      case 3:
        return Chance(50) ? "pi" : "math.pi";
      case 4:
        return "math.huge";
      default:
        return OneOf(numerals);
    }
  }

  static std::string Parenthesized(const std::string& text) { return "(" + text + ")"; }

  std::string Negated(const std::string& operand) {
    return "-" + (operand[0] == '-' || Chance(30) ? Parenthesized(operand) : operand);
  }

  // Without parentheses as often as with: Lua's priorities decide what the text means.
  std::string BinaryOperator(int depth) {
    static const TqorOperation* const operators[] = {&qorOperation(TqorOp::Add), &qorOperation(TqorOp::Sub),
                                                     &qorOperation(TqorOp::Mul), &qorOperation(TqorOp::Div),
                                                     &qorOperation(TqorOp::Mod), &qorOperation(TqorOp::Pow)};
    const TqorOperation& op = *OneOf(operators);
    std::string left = Term(depth - 1), right = Term(depth - 1);
    if (Chance(50)) left = Parenthesized(left);
    if (Chance(50) || right[0] == '-') right = Parenthesized(right);
    const char* space = Chance(50) ? " " : "";
    return left + space + op.Symbol + space + right;
  }

  // A named operation of the table, written with or without "math.", with its number
  // of arguments (a variadic one with one to four), now and then with one too many.
  std::string Call(int depth) {
    const TqorOperation& op = NamedOperation();
    const bool viaMath = op.Short ? Chance(50) : !Chance(3);  // a short name not bound: Lua's
    std::string text = (viaMath ? "math." : "") + std::string(op.Name);
    if (op.Arity == 0) return text;
    int count = op.Variadic ? 1 + static_cast<int>(Pick(4)) : op.Arity;
    if (Chance(2)) ++count;
    text += "(";
    for (int i = 0; i < count; ++i) text += (i ? ", " : "") + Term(depth - 1);
    return text + ")";
  }

  const TqorOperation& NamedOperation() {
    for (;;) {
      const TqorOperation& op = qorOperations[Pick(qorOperations.size())];
      if (!op.Name.empty()) return op;
    }
  }

  // A -0 multiplied by pi or math.huge, which Lua does not fold, after a 0 (Lua then
  // reads the -0 as 0), after another -0, or alone.
  std::string NegativeZeroAfterZero() {
    static const char* const first[] = {"0*x + ", "x*0 + ", "-0*x + ", ""};
    static const char* const globals[] = {"pi", "-pi", "math.pi", "math.huge", "-math.huge"};
    static const char* const outer[] = {"atan", "math.atan", "exp", "sqrt", ""};
    const std::string negativeZero = "(-0*" + std::string(OneOf(globals)) + ")";
    const std::string divided = std::string(OneOf(outer)) + "(1/" + negativeZero + ")";
    return OneOf(first) + Term(2) + " + " + divided;
  }

  std::mt19937_64 FRandom;
};

// Arguments where doubles go wrong, and a few drawn from the whole range or near zero.
std::vector<double> Arguments(std::mt19937_64& random) {
  std::vector<double> x = {0.0,    -0.0,    5e-324,   -5e-324,  DBL_MIN,          -DBL_MIN,
                           1e-310, DBL_MAX, -DBL_MAX, HUGE_VAL, -HUGE_VAL,        std::nan(""),
                           1,      -1,      0.5,      -2.5,     3.141592653589793};
  std::uniform_real_distribution<double> near(-10, 10);
  for (int i = 0; i < 3; ++i) x.push_back(near(random));
  const std::uint64_t bits = random();
  double any;
  std::memcpy(&any, &bits, sizeof any);
  x.push_back(any);
  return x;
}

// The user's function through Lua, as before expressions were computed in place; a
// text Lua does not compile has no function.
class TLuaFunction {
public:
  bool Load(const std::string& text) {
    try {
      FFunction.LoadScriptFromString(ExpressionScript(QString::fromStdString(text)));
      FFunction.PrepareFunction("fct");
      return true;
    } catch (const Exception&) {
      return false;
    }
  }
  double operator()(double x) { return static_cast<double>(FFunction.fct(x)); }

private:
  TScriptFunction FFunction;
};

// The compiled value at x, under the guard the script function puts around it.
double CompiledValue(const TqorLuaExpression& f, double x) {
  TFloatEnvGuard guard;
  return f(x);
}

struct TTally {
  int compiled = 0, leftToLua = 0;
};

// Compares the compiled text with Lua at every argument, and the pass with the single
// values; adds to Tally what it saw.
void CompareWithLua(const std::string& text, const std::vector<double>& xs, TLuaFunction& lua, TTally& tally) {
  const auto f = TqorLuaExpression::Compile(text);
  if (!f) {
    ++tally.leftToLua;
    return;
  }
  ++tally.compiled;
  SCOPED_TRACE(text);
  ASSERT_TRUE(lua.Load(text)) << "compiled a text Lua refuses";
  std::vector<double> single(xs.size()), pass(xs.size());
  for (std::size_t i = 0; i < xs.size(); ++i) {
    const double expected = lua(xs[i]);
    ClearFloatFaults();
    single[i] = CompiledValue(*f, xs[i]);
    ASSERT_FALSE(FloatFaultsPending());
    ASSERT_TRUE(SameValue(single[i], expected)) << "x = " << xs[i] << ": " << single[i] << " instead of " << expected;
  }
  {
    TFloatEnvGuard guard;
    f->Evaluate(xs.data(), pass.data(), static_cast<int>(xs.size()));
  }
  for (std::size_t i = 0; i < xs.size(); ++i) ASSERT_TRUE(SameValue(pass[i], single[i])) << "pass, x = " << xs[i];
}

// Each random text, with each argument: whatever compiles gives Lua's value bit for bit
// and raises no fault flag in the host; the pass gives the single values.
TEST(LuaExpressionRandom, CompiledExpressionsGiveLuasValues) {
  TExpressionGenerator generator(Seed);
  std::mt19937_64 random(Seed + 1);
  TLuaFunction lua;
  TTally tally;
  for (int i = 0; i < ExpressionCount && !HasFatalFailure(); ++i)
    CompareWithLua(generator.Next(), Arguments(random), lua, tally);
  // Most texts are compiled, and some of each kind are left to Lua.
  EXPECT_GT(tally.compiled, ExpressionCount / 2);
  EXPECT_GT(tally.leftToLua, ExpressionCount / 20);
}

// Every expression of the shape where a 0 written first decides how Lua reads a later
// -0 that meets pi or math.huge (which Lua does not fold): compiled or not, the value is
// Lua's.
TEST(LuaExpressionRandom, ZerosBesideGlobalsGiveLuasValues) {
  const char* const firsts[] = {"0*x + x", "x*0 + x", "-0*x + x", "x", "x - 0"};
  const char* const zeros[] = {"-0", "0", "-(0)", "(-0)"};
  const char* const operators[] = {"*", "/", "+", "-", "%", "^"};
  const char* const globals[] = {"pi", "-pi", "math.pi", "math.huge", "-math.huge"};
  const char* const outers[] = {"atan(1/", "exp(1/", "sqrt(", "(1/"};
  const std::vector<double> xs = {0.0, -0.0, 1, -1.5707963267948966, 1.5707963267948966, HUGE_VAL, std::nan("")};
  TLuaFunction lua;
  TTally tally;
  for (const char* first : firsts)
    for (const char* zero : zeros)
      for (const char* op : operators)
        for (const char* global : globals)
          for (const char* outer : outers)
            for (const bool zeroFirst : {true, false}) {
              const std::string product = zeroFirst ? std::string(zero) + op + global : std::string(global) + op + zero;
              CompareWithLua(std::string(first) + " + " + outer + "(" + product + "))", xs, lua, tally);
              if (HasFatalFailure()) return;
            }
  EXPECT_GT(tally.compiled, 0);
  EXPECT_GT(tally.leftToLua, 0);
}

// The generator reaches every operation of the table in compiled expressions, so a new
// operation is held to Lua as soon as it is added.
TEST(LuaExpressionRandom, EveryOperationIsGenerated) {
  TExpressionGenerator generator(Seed);
  std::set<TqorOp> seen;
  for (int i = 0; i < ExpressionCount; ++i)
    if (const auto f = TqorLuaExpression::Compile(generator.Next()))
      for (const TqorStep& step : f->Program()) seen.insert(step.Op);
  for (const TqorOperation& op : qorOperations)
    EXPECT_TRUE(seen.count(op.Op)) << "operation " << static_cast<int>(op.Op) << " (" << op.Name << ")";
}

}  // namespace
