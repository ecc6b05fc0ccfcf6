#include "qorBallArithmetic.h"
#include "qorLuaExpression.h"
#include "qorProvedRoots.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr double Pi = std::numbers::pi;
// A root written as a formula of doubles (1 / (31 * Pi)) may be a few units of the last
// place away from the double nearest to the true root; a root at a double is exact.
constexpr double KnownRootTolerance = 0x1p-50;

struct TCase {
  const char* Text;
  double xMin, xMax;
  int Roots;                          // proved roots
  std::vector<double> KnownRoots;     // some of them, as written here
  std::vector<double> UndecidedNear;  // one undecided region around each, in order
};

// The problems a sampling search gets wrong, and the honest limits.
const TCase Cases[] = {
    {"sin(1/x)", 0.01, 1, 31, {1 / Pi, 1 / (31 * Pi)}, {}},
    {"(x-1)*(x-1.001)*(x-1.002)", 0, 2, 3, {1, 1.001, 1.002}, {}},
    {"sin(100*pi*x)", -1, 1, 199, {0}, {}},
    {"exp(-((x-0.3)/1e-4)^2)-0.5", 0, 1, 2, {}, {}},
    {"0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6", -2.5, 2.5, 4, {}, {}},
    {"sin(50*x)", -10, 10, 319, {0}, {}},
    {"tan(x)", -4, 4, 3, {-Pi, 0, Pi}, {-Pi / 2, Pi / 2}},
    {"(x-2)^2*(x+1)", -2.5, 2.5, 1, {-1}, {2}},
    {"x^2+1", -2.5, 2.5, 0, {}, {}},
};

// Lua's doubles of f a few steps either side of a simple root have opposite signs: a
// check of the proof that does not use balls.
void ExpectSignChangeAround(const TqorLuaExpression& f, double x) {
  double below = x, above = x;
  for (int i = 0; i < 4; ++i) below = std::nextafter(below, -INFINITY), above = std::nextafter(above, INFINITY);
  EXPECT_LT(f(below) * f(above), 0) << "x = " << x;
}

TEST(ProvedExpressionsTest, EveryRootProvedAndTheLimitsUndecided) {
  for (const TCase& c : Cases) {
    SCOPED_TRACE(c.Text);
    const std::shared_ptr<const TqorLuaExpression> f = TqorLuaExpression::Compile(c.Text);
    ASSERT_TRUE(f);
    TqorProvedSettings settings;
    settings.xMin = c.xMin;
    settings.xMax = c.xMax;
    const TqorProvedResult result = FindProvedRoots(BallSeriesOf(f), settings);
    std::vector<double> roots, undecided;
    for (const TqorProvedBlock& row : result.Blocks) {
      if (row.Kind == TqorProvedKind::Undecided) {
        undecided.push_back((row.Lo + row.Hi) / 2);
        EXPECT_LT(row.Hi - row.Lo, 1e-6) << row.Reason;
        continue;
      }
      roots.push_back(row.x);
      EXPECT_TRUE(row.Decided) << row.x;
      EXPECT_TRUE(row.Lo <= row.x && row.x <= row.Hi);
      if (row.Width > 0) ExpectSignChangeAround(*f, row.x);
    }
    EXPECT_EQ(static_cast<int>(roots.size()), c.Roots);
    for (const double known : c.KnownRoots) {
      const auto near = [known](double x) { return std::fabs(x - known) <= KnownRootTolerance * std::fabs(known); };
      EXPECT_TRUE(std::any_of(roots.begin(), roots.end(), near)) << known;
    }
    ASSERT_EQ(undecided.size(), c.UndecidedNear.size());
    for (std::size_t i = 0; i < undecided.size(); ++i) EXPECT_NEAR(undecided[i], c.UndecidedNear[i], 1e-6);
  }
}

// The roots a sampling search with 200 nodes misses on [-1, 1] lie at +-0.99.
TEST(ProvedExpressionsTest, FindsTheOuterRootsOfAFastSine) {
  const std::shared_ptr<const TqorLuaExpression> f = TqorLuaExpression::Compile("sin(100*pi*x)");
  TqorProvedSettings settings;
  settings.xMin = -1;
  settings.xMax = 1;
  const TqorProvedResult result = FindProvedRoots(BallSeriesOf(f), settings);
  ASSERT_GE(result.Blocks.size(), 2u);
  EXPECT_NEAR(result.Blocks.front().x, -0.99, 1e-15);
  EXPECT_NEAR(result.Blocks.back().x, 0.99, 1e-15);
}

}  // namespace
