#include "qorKaloNumDiff.h"
#include "qorLuaDerivatives.h"
#include "qorLuaExpression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

namespace {
using Jet = TqorJet<double>;

Jet Derivatives(const TqorLuaExpression& e, double x) {
  TqorJetArithmetic arithmetic{x};
  Jet stack[qorMaxStack];
  return e.Evaluate(arithmetic, stack);
}

std::unique_ptr<TqorLuaExpression> Compiled(const std::string& Text) {
  auto e = TqorLuaExpression::Compile(Text);
  EXPECT_TRUE(e) << Text;
  return e;
}

// Closed forms, worked by hand.
TEST(JetArithmetic, GivesTheDerivativesOfTheFormula) {
  struct Case {
    const char* Text;
    double x, d1, d2;
  };
  const double e = std::exp(-1.0);
  const Case cases[] = {
      {"0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6", 1, 0.91 - 11 + 1.032, -11 + 5.16},
      {"sin(50*x)", 0.01, 50 * std::cos(0.5), -2500 * std::sin(0.5)},
      {"x*exp(-x)", 1, 0, -e},
      {"exp(-x^2)", 0, 0, -2},
      {"x^3 - 3*x", 2, 9, 12},
      {"sqrt(x)", 4, 0.25, -1.0 / 32},
      {"log10(x)", 10, 1 / (10 * std::log(10.0)), -1 / (100 * std::log(10.0))},
      {"2^x", 1, 2 * std::log(2.0), 2 * std::log(2.0) * std::log(2.0)},
      {"x^x", 1, 1, 2},
      {"deg(x)", 1, 180 / std::numbers::pi, 0},
      {"floor(x) + x", 1.5, 1, 0},
      {"x % 1", 0.25, 1, 0},
      {"math.fmod(-x, 1)", 0.25, -1, 0},
      {"max(x, 1 - x)", 0.75, 1, 0},
      {"min(x^2, 1)", 0.5, 1, 2},
      {"math.atan2(x, 1)", 1, 0.5, -0.5},
      {"math.atan2(1, x)", 0, -1, 0},
      {"abs(x^2)", 0, 0, 2},
      {"tan(x)", 0.5, 1 + std::pow(std::tan(0.5), 2), 2 * std::tan(0.5) * (1 + std::pow(std::tan(0.5), 2))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    const auto expression = Compiled(c.Text);
    const Jet r = Derivatives(*expression, c.x);
    EXPECT_NEAR(r.d1, c.d1, 1E-12 * (1 + std::fabs(c.d1)));
    EXPECT_NEAR(r.d2, c.d2, 1E-12 * (1 + std::fabs(c.d2)));
  }
}

TEST(JetArithmetic, HasNoDerivativeAtAKinkOrJump) {
  struct Case {
    const char* Text;
    double x;
  };
  const Case cases[] = {{"abs(x)", 0},          {"floor(x)", 1},        {"ceil(x)", -2},      {"x % 1", 3},
                        {"math.fmod(x, 1)", 2}, {"max(x, -x)", 0},      {"min(x, 2 - x)", 1}, {"sqrt(x)", 0},
                        {"x^0.5", 0},           {"math.atan2(x, x)", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    const Jet r = Derivatives(*Compiled(c.Text), c.x);
    EXPECT_FALSE(r.Differentiable());
    EXPECT_TRUE(std::isfinite(r.v));
  }
}

// Every operation of the table, on operands that keep each inside its smooth range, at
// seeded random x: the value is the expression's own double, bit for bit, and f', f''
// agree with differences of that double function as far as those reach.
TEST(JetArithmetic, EveryOperationAgreesWithDifferencesAndKeepsTheValue) {
  const std::string a = "(0.7*x + 0.2)", b = "(1.3 - 0.4*x)";
  std::mt19937 random(28);
  std::uniform_real_distribution<double> place(0.1, 0.9);
  int operations = 0;
  for (const TqorOperation& op : qorOperations) {
    if (op.Arity == 0) continue;
    std::string text;
    if (op.Symbol && op.Arity == 2)
      text = a + op.Symbol + b;
    else if (op.Symbol)
      text = std::string(1, op.Symbol) + a;
    else if (op.Arity == 1)
      text = "math." + std::string(op.Name) + a;
    else
      text = "math." + std::string(op.Name) + "(" + a + "," + b + ")";
    SCOPED_TRACE(text);
    const auto expression = Compiled(text);
    if (!expression) continue;
    ++operations;
    const auto f = [&expression](const Extended& x) -> Extended { return (*expression)(static_cast<double>(x)); };
    for (int i = 0; i < 20; ++i) {
      const double x = place(random);
      const Jet exact = Derivatives(*expression, x);
      EXPECT_EQ(exact.v, (*expression)(x));
      std::int64_t calls = 0;
      const TqorJet<Extended> numerical = NumericalDerivatives(f, x, f(x), NumericalStep(0.05L, x), calls);
      EXPECT_NEAR(exact.d1, static_cast<double>(numerical.d1), 1E-8 * (1 + std::fabs(exact.d1))) << x;
      EXPECT_NEAR(exact.d2, static_cast<double>(numerical.d2), 1E-5 * (1 + std::fabs(exact.d2))) << x;
    }
  }
  EXPECT_EQ(operations, static_cast<int>(qorOperations.size()) - 4);  // all but the four values
}
}  // namespace
