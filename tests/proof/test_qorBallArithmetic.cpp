#include "qorBallArithmetic.h"

#include "qorLuaExpression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr slong Prec = 128;

struct TBallFunction {
  explicit TBallFunction(const char* Text)
      : Expression(TqorLuaExpression::Compile(Text)), f(Expression ? BallSeriesOf(Expression) : TqorBallSeries()) {}
  std::shared_ptr<const TqorLuaExpression> Expression;
  TqorBallSeries f;

  // f and f' over [a, b].
  void Over(TqorArbVector& Out, double a, double b) const {
    TqorArb x;
    arb_set_interval_arf(x.get(), TqorArf(a).get(), TqorArf(b).get(), Prec);
    f(Out.get(), x.get(), 2, Prec);
  }
  void At(arb_ptr Out, double x) const {
    TqorArb point;
    arb_set_d(point.get(), x);
    f(Out, point.get(), 1, Prec);
  }
};

// Every operation of the table, each where it is defined and across its kinks.
const char* const Expressions[] = {
    "x + 2*x - x/3",
    "-x^3 + x^2",
    "x^-2 + x^-1",
    "2^x",
    "(x + 4)^0.5",
    "x % 1.5",
    "fmod(x, 1.5)",
    "abs(x)",
    "floor(x)",
    "ceil(x)",
    "min(x, 1)",
    "max(x, 1, -x)",
    "sin(x)",
    "cos(x)",
    "tan(x)",
    "asin(x / 4)",
    "acos(x / 4)",
    "atan(x)",
    "math.atan2(x, 2)",
    "math.atan2(1, x)",
    "math.atan2(x, -2)",
    "math.atan2(-1, x)",
    "sinh(x)",
    "cosh(x)",
    "tanh(x)",
    "exp(x)",
    "log(x + 4)",
    "log10(x + 4)",
    "sqrt(x + 4)",
    "deg(x)",
    "rad(x)",
    "pi * x",
};

double Mid(arb_srcptr v) { return arf_get_d(arb_midref(v), ARF_RND_NEAR); }

// Seeded random blocks: the ball over a block holds f at its points (and Lua's double
// of it, up to its rounding), and where it gives f' that ball holds the slope between
// the block's ends (the mean value theorem), so a wrong series coefficient shows.
TEST(BallArithmeticTest, EnclosesLuaValuesAndSlopes) {
  std::mt19937_64 random(20261211);
  std::uniform_real_distribution<double> where(-3.5, 3.5);
  std::uniform_real_distribution<double> widthExponent(-12, 0);
  for (const char* text : Expressions) {
    SCOPED_TRACE(text);
    const TBallFunction fn(text);
    ASSERT_TRUE(fn.Expression);
    for (int trial = 0; trial < 300; ++trial) {
      const double a = where(random), b = a + std::pow(10.0, widthExponent(random));
      TqorArbVector block(2), fa(1), fb(1);
      fn.Over(block, a, b);
      fn.At(fa.get(), a);
      fn.At(fb.get(), b);
      for (const auto& [x, fx] : {std::pair{a, fa[0]}, std::pair{b, fb[0]}}) {
        const double lua = (*fn.Expression)(x);
        if (!std::isfinite(lua) || !arb_is_finite(fx)) continue;
        EXPECT_TRUE(arb_contains(block[0], fx)) << "x = " << x;
        EXPECT_NEAR(Mid(fx), lua, 1e-13 * std::max(1.0, std::fabs(lua))) << "x = " << x;
      }
      if (!arb_is_finite(block[1]) || !arb_is_finite(fa[0]) || !arb_is_finite(fb[0])) continue;
      TqorArb slope, width;
      arb_sub(slope.get(), fb[0], fa[0], Prec);
      arb_set_d(width.get(), b - a);
      arb_div(slope.get(), slope.get(), width.get(), Prec);
      EXPECT_TRUE(arb_overlaps(block[1], slope.get())) << "[" << a << ", " << b << "]";
    }
  }
}

// Across a kink or a jump the value's enclosure stays, its derivative is unknown.
TEST(BallArithmeticTest, KinksGiveNoDerivative) {
  const struct {
    const char* Text;
    double a, b;
  } cases[] = {{"abs(x)", -0.5, 0.5}, {"floor(x)", 0.5, 1.5},      {"ceil(x)", -0.5, 0.5},
               {"x % 1", 1.5, 2.5},   {"fmod(x, 1)", -1.5, -0.5},  {"min(x, 1)", 0, 2},
               {"max(x, 1)", 0, 2},   {"math.atan2(x, -1)", -1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    TqorArbVector out(2);
    TBallFunction(c.Text).Over(out, c.a, c.b);
    EXPECT_FALSE(arb_is_finite(out[1]));
  }
}

// Off the kinks the derivatives are those of the pieces.
TEST(BallArithmeticTest, PiecesOffTheirKinksHaveDerivatives) {
  const struct {
    const char* Text;
    double a, b, Slope;
  } cases[] = {{"abs(x)", -2, -1, -1}, {"floor(x)", 1.25, 1.75, 0}, {"x % 1", 2.25, 2.75, 1},
               {"min(x, 1)", 2, 3, 0}, {"max(x, 1)", 2, 3, 1},      {"fmod(-x, 1)", 0.25, 0.75, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    TqorArbVector out(2);
    TBallFunction(c.Text).Over(out, c.a, c.b);
    TqorArb slope;
    arb_set_d(slope.get(), c.Slope);
    EXPECT_TRUE(arb_contains(out[1], slope.get()));
    EXPECT_LT(mag_get_d(arb_radref(out[1])), 1e-9);
  }
}

}  // namespace
