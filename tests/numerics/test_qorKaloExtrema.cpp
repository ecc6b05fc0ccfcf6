#include "qorKaloExtrema.h"
#include "qorKaloJet.h"
#include "qorKaloNumDiff.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <vector>

namespace {
using Jet = TqorJet<Extended>;
using K = TqorExtremumKind;
constexpr Extended Pi = std::numbers::pi_v<Extended>;
const Extended NaN = std::numeric_limits<Extended>::quiet_NaN();

// The functions of the cases, written once on jets.
namespace f {
using namespace qorJet;
Jet Polynomial(Jet x) { return 0.71L + 0.91L * x - 5.5L * pow(x, 2) + 0.172L * pow(x, 6); }
Jet Sin(Jet x) { return sin(x); }
Jet Cube(Jet x) { return pow(x, 3); }
Jet Fourth(Jet x) { return pow(x, 4); }
Jet CubeMinus3x(Jet x) { return pow(x, 3) - 3 * x; }
Jet Gauss(Jet x) { return exp(-pow(x, 2)); }
Jet Abs(Jet x) { return fabs(x); }
Jet AbsPlus2x(Jet x) { return fabs(x) + 2 * x; }
Jet XAbsX(Jet x) { return x * fabs(x); }
Jet XExp(Jet x) { return x * exp(-x); }
Jet Tan(Jet x) { return tan(x); }
Jet Floor(Jet x) { return floor(x); }
Jet Sin50(Jet x) { return sin(50 * x); }
Jet AbsDyadicPlus2x(Jet x) { return fabs(x - 0.00390625L) + 2 * x; }
Jet Sign(Jet x) { return x / fabs(x); }
}  // namespace f

struct Expected {
  K Kind;
  Extended x;
  const char* Method = nullptr;  // checked when given
};

struct Case {
  const char* Name;
  Jet (*F)(Jet);
  Extended xMin, xMax;
  int Nodes;
  std::vector<Expected> Rows;  // in the order of x; the largest and smallest value are not listed
};

// Roots of f' and f'' of the polynomial, by bisection in double precision outside the program.
constexpr Extended PolyMin1 = -1.8269912617824449L, PolyMax = 0.08272763625713343L, PolyMin2 = 1.7855732502979664L;
constexpr Extended PolyTurn = 1.2083305223759027L;

const Case Cases[] = {
    {"default polynomial",
     f::Polynomial,
     -2.5,
     2.5,
     200,
     {{K::Minimum, PolyMin1, "Zeroin(f')"},
      {K::Inflection, -PolyTurn, "Zeroin(f'')"},
      {K::Maximum, PolyMax},
      {K::Inflection, PolyTurn},
      {K::Minimum, PolyMin2}}},
    {"sin on [-7, 7]",
     f::Sin,
     -7,
     7,
     200,
     {{K::Inflection, -2 * Pi},
      {K::Maximum, -1.5L * Pi},
      {K::Inflection, -Pi},
      {K::Minimum, -Pi / 2},
      {K::Inflection, 0},
      {K::Maximum, Pi / 2},
      {K::Inflection, Pi},
      {K::Minimum, 1.5L * Pi},
      {K::Inflection, 2 * Pi}}},
    {"x^3: a saddle between nodes", f::Cube, -2, 2, 200, {{K::Saddle, 0, "Zeroin(f'')"}}},
    {"x^3: a saddle on a node", f::Cube, -2, 2, 201, {{K::Saddle, 0, "Stützstelle"}}},
    {"x^4: a minimum, no inflection point", f::Fourth, -2, 2, 200, {{K::Minimum, 0}}},
    {"x^4 with 0 a node", f::Fourth, -2, 2, 201, {{K::Minimum, 0, "Stützstelle"}}},
    {"x^3 - 3x", f::CubeMinus3x, -3, 3, 200, {{K::Maximum, -1}, {K::Inflection, 0}, {K::Minimum, 1}}},
    {"exp(-x^2)",
     f::Gauss,
     -3,
     3,
     200,
     {{K::Inflection, -std::sqrt(0.5L)}, {K::Maximum, 0}, {K::Inflection, std::sqrt(0.5L)}}},
    {"abs(x): a minimum at a kink", f::Abs, -1, 1, 200, {{K::Minimum, 0, "Knick"}}},
    {"abs(x) with the kink on a node", f::Abs, -1, 1, 201, {{K::Minimum, 0, "Knick"}}},
    {"abs(x) + 2x: a kink, no extremum", f::AbsPlus2x, -1, 1, 200, {{K::Kink, 0, "Bisektion"}}},
    // With 2^k + 1 nodes on [-1, 1] the nodes are exact: the kink lies on one, or one of
    // the halvings between two lands on it.
    {"abs(x) + 2x with the kink on a node", f::AbsPlus2x, -1, 1, 257, {{K::Kink, 0}}},
    {"abs(x - 2^-8) + 2x: a halving lands on the kink", f::AbsDyadicPlus2x, -1, 1, 129, {{K::Kink, 0.00390625L}}},
    {"x*abs(x): f'' jumps at a saddle", f::XAbsX, -1, 1, 200, {{K::Saddle, 0, "Knick"}}},
    {"x*exp(-x)", f::XExp, -1, 5, 200, {{K::Maximum, 1}, {K::Inflection, 2}}},
    {"tan on [-4, 4]: nothing at the poles",
     f::Tan,
     -4,
     4,
     100,
     {{K::Inflection, -Pi}, {K::Inflection, 0}, {K::Inflection, Pi}}},
    {"floor: jumps",
     f::Floor,
     -2.5,
     2.5,
     200,
     {{K::Jump, -2}, {K::Jump, -1}, {K::Jump, 0}, {K::Jump, 1}, {K::Jump, 2}}},
    {"floor with the jumps on nodes", f::Floor, -2, 2, 257, {{K::Jump, -1}, {K::Jump, 0}, {K::Jump, 1}, {K::Jump, 2}}},
    {"x/abs(x): a jump", f::Sign, -1, 1, 200, {{K::Jump, 0, "Bisektion"}}},
    {"x/abs(x) on a node without a value", f::Sign, -1, 1, 257, {{K::Jump, 0, "Bisektion"}}},
};

TqorDerivativeFunction Exact(Jet (*F)(Jet)) {
  return [F](const Extended& x) { return F(Jet::Variable(x)); };
}

TqorExtremumFinder Search(const TqorDerivativeFunction& F, Extended xMin, Extended xMax, int Nodes,
                          bool Numerical = false) {
  TqorExtremumFinder finder;
  finder.setDerivatives(F);
  finder.setNumerical(Numerical);
  finder.setxMin(xMin);
  finder.setxMax(xMax);
  finder.setTestCount(Nodes);
  finder.setAbsErrorBound(1E-15L);
  finder.setRelErrorBound(1E-15L);
  finder.setExtrema(true);
  finder.setInflection(true);
  finder.Execute();
  return finder;
}

std::vector<TqorExtremumRow> Local(const TqorExtremumFinder& Finder) {
  std::vector<TqorExtremumRow> rows;
  for (const TqorExtremumRow& r : Finder.Rows())
    if (r.Kind != K::GlobalMaximum && r.Kind != K::GlobalMinimum) rows.push_back(r);
  return rows;
}

TEST(ExtremumFinder, FindsTheExpectedPlacesWithExactDerivatives) {
  for (const Case& c : Cases) {
    SCOPED_TRACE(c.Name);
    const TqorExtremumFinder finder = Search(Exact(c.F), c.xMin, c.xMax, c.Nodes);
    const std::vector<TqorExtremumRow> rows = Local(finder);
    ASSERT_EQ(rows.size(), c.Rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(ExtremumKindText(rows[i].Kind), std::string(ExtremumKindText(c.Rows[i].Kind)));
      EXPECT_NEAR(static_cast<double>(rows[i].x), static_cast<double>(c.Rows[i].x), 1E-12);
      if (c.Rows[i].Method) {
        EXPECT_EQ(rows[i].Method, c.Rows[i].Method);
      }
      EXPECT_EQ(rows[i].Remark.find("numerisch"), std::string::npos);
    }
  }
}

TEST(ExtremumFinder, AKinkOrJumpHasNoDerivative) {
  for (const Case& c : Cases) {
    SCOPED_TRACE(c.Name);
    for (const TqorExtremumRow& r : Local(Search(Exact(c.F), c.xMin, c.xMax, c.Nodes))) {
      const bool kink = r.Method == "Knick" || r.Method == "Bisektion";
      EXPECT_EQ(std::isnan(r.Kind == K::Saddle ? r.d2 : r.d1), kink) << r.Method;
    }
  }
}

TEST(ExtremumFinder, SmoothExtremaHaveAHorizontalTangentAndTheSignOfFSecond) {
  for (const Case& c : Cases) {
    SCOPED_TRACE(c.Name);
    for (const TqorExtremumRow& r : Local(Search(Exact(c.F), c.xMin, c.xMax, c.Nodes))) {
      if (r.Method != "Zeroin(f')") continue;
      EXPECT_NEAR(static_cast<double>(r.d1), 0, 1E-12);
      EXPECT_EQ(r.d2 < 0, r.Kind == K::Maximum);
      EXPECT_EQ(r.y, c.F(Jet::Variable(r.x)).v);
    }
  }
}

TEST(ExtremumFinder, TheLargestAndSmallestValueIncludeTheEnds) {
  struct Global {
    const char* Name;
    Jet (*F)(Jet);
    Extended xMin, xMax;
    Extended xLargest, xSmallest;
    const char* RemarkLargest;
  };
  const Global cases[] = {
      {"polynomial: largest at the right end", f::Polynomial, -2.5, 2.5, 2.5, PolyMin1, "Rand des Bereichs"},
      {"x^3 - 3x on [-2, 3]: largest at the right end", f::CubeMinus3x, -2, 3, 3, -2, "Rand des Bereichs"},
      {"x^3 - 3x on [-1.5, 1.5]: both inside", f::CubeMinus3x, -1.5, 1.5, -1, 1, ""},
      {"abs(x): smallest at the kink", f::Abs, -1, 2, 2, 0, "Rand des Bereichs"},
  };
  for (const Global& c : cases) {
    SCOPED_TRACE(c.Name);
    const TqorExtremumFinder finder = Search(Exact(c.F), c.xMin, c.xMax, 200);
    const std::vector<TqorExtremumRow>& rows = finder.Rows();
    ASSERT_GE(rows.size(), 2u);
    const TqorExtremumRow& largest = rows[rows.size() - 2];
    const TqorExtremumRow& smallest = rows.back();
    EXPECT_EQ(largest.Kind, K::GlobalMaximum);
    EXPECT_EQ(smallest.Kind, K::GlobalMinimum);
    EXPECT_NEAR(static_cast<double>(largest.x), static_cast<double>(c.xLargest), 1E-12);
    EXPECT_NEAR(static_cast<double>(smallest.x), static_cast<double>(c.xSmallest), 1E-12);
    EXPECT_EQ(largest.Remark, c.RemarkLargest);
  }
}

TEST(ExtremumFinder, OnlyWhatIsAskedIsSearched) {
  TqorExtremumFinder finder;
  finder.setDerivatives(Exact(f::Polynomial));
  finder.setxMin(-2.5);
  finder.setxMax(2.5);
  finder.setTestCount(200);
  finder.setAbsErrorBound(1E-15L);
  finder.setInflection(true);
  finder.Execute();
  ASSERT_EQ(finder.Rows().size(), 2u);
  for (const TqorExtremumRow& r : finder.Rows()) EXPECT_EQ(r.Kind, K::Inflection);
  finder.setInflection(false);
  finder.Execute();
  EXPECT_TRUE(finder.Rows().empty());
  EXPECT_EQ(finder.NodeValues().size(), 200u);
}

// The function in double, as a script computes it.
Extended XExpDouble(Extended x) {
  const double d = static_cast<double>(x);
  return d * std::exp(-d);
}

TEST(NumericalDerivatives, AgreeWithTheExactOnesWithinTheirAccuracy) {
  struct Point {
    Jet (*F)(Jet);
    double (*G)(double);
    Extended x, Spacing;
  };
  const Point points[] = {
      {f::XExp, [](double x) { return x * std::exp(-x); }, 1.3L, 0.03L},
      {f::Sin50, [](double x) { return std::sin(50 * x); }, 0.1L, 0.002L},
      {f::Polynomial, [](double x) { return 0.71 + 0.91 * x - 5.5 * std::pow(x, 2) + 0.172 * std::pow(x, 6); }, -1.9L,
       0.025L},
      {f::Gauss, [](double x) { return std::exp(-x * x); }, 2.5L, 0.03L},
  };
  for (const Point& p : points) {
    SCOPED_TRACE(static_cast<double>(p.x));
    const auto g = [&p](const Extended& x) -> Extended { return p.G(static_cast<double>(x)); };
    std::int64_t calls = 0;
    const Jet numerical = NumericalDerivatives(g, p.x, g(p.x), NumericalStep(p.Spacing, p.x), calls);
    const Jet exact = p.F(Jet::Variable(p.x));
    EXPECT_NEAR(static_cast<double>(numerical.d1), static_cast<double>(exact.d1), 1E-9 * (1 + std::fabs(exact.d1)));
    EXPECT_NEAR(static_cast<double>(numerical.d2), static_cast<double>(exact.d2), 1E-6 * (1 + std::fabs(exact.d2)));
    EXPECT_GT(calls, 0);
  }
}

TEST(ExtremumFinder, NumericalDerivativesFindTheSamePlacesWithin1E8) {
  const Extended spacing = 6.0L / 199;
  std::int64_t calls = 0;
  const TqorDerivativeFunction numerical = [&](const Extended& x) {
    return NumericalDerivatives(XExpDouble, x, XExpDouble(x), NumericalStep(spacing, x), calls);
  };
  const std::vector<TqorExtremumRow> rows = Local(Search(numerical, -1, 5, 200, true));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Kind, K::Maximum);
  EXPECT_NEAR(static_cast<double>(rows[0].x), 1, 1E-8);
  EXPECT_NEAR(static_cast<double>(rows[0].y), std::exp(-1.0), 1E-8 * std::exp(-1.0));
  EXPECT_EQ(rows[1].Kind, K::Inflection);
  EXPECT_NEAR(static_cast<double>(rows[1].x), 2, 2E-8);
  for (const TqorExtremumRow& r : rows) EXPECT_EQ(r.Remark, "numerisch");
}
}  // namespace
