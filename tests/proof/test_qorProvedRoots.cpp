#include "qorProvedRoots.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A function over balls written with Arb's series operations: Body turns the series
// of x (x0 + t) into the series of f.
using TBody = std::function<void(arb_poly_t y, const arb_poly_t x, slong Order, slong Prec)>;

TqorBallSeries SeriesOf(TBody Body) {
  return [Body](arb_ptr Out, arb_srcptr X, slong Order, slong Prec) {
    arb_poly_t x, y;
    arb_poly_init(x);
    arb_poly_init(y);
    arb_poly_set_coeff_arb(x, 0, X);
    arb_poly_set_coeff_si(x, 1, 1);
    Body(y, x, Order, Prec);
    for (slong i = 0; i < Order; ++i) arb_poly_get_coeff_arb(Out + i, y, i);
    arb_poly_clear(x);
    arb_poly_clear(y);
  };
}

// The polynomial with the double coefficients C (lowest first), by Horner's scheme.
TqorBallSeries Polynomial(std::vector<double> C) {
  return SeriesOf([C](arb_poly_t y, const arb_poly_t x, slong Order, slong Prec) {
    arb_poly_zero(y);
    arb_t c;
    arb_init(c);
    for (auto i = C.rbegin(); i != C.rend(); ++i) {
      arb_poly_mullow(y, y, x, Order, Prec);
      arb_set_d(c, *i);
      arb_poly_t constant;
      arb_poly_init(constant);
      arb_poly_set_coeff_arb(constant, 0, c);
      arb_poly_add(y, y, constant, Prec);
      arb_poly_clear(constant);
    }
    arb_clear(c);
  });
}

const TqorBallSeries Sin = SeriesOf(
    [](arb_poly_t y, const arb_poly_t x, slong n, slong prec) { arb_poly_sin_series(y, x, n, prec); });
const TqorBallSeries Tan = SeriesOf(
    [](arb_poly_t y, const arb_poly_t x, slong n, slong prec) { arb_poly_tan_series(y, x, n, prec); });
const TqorBallSeries SinOfInverse = SeriesOf([](arb_poly_t y, const arb_poly_t x, slong n, slong prec) {
  arb_poly_t inverse;
  arb_poly_init(inverse);
  arb_poly_inv_series(inverse, x, n, prec);
  arb_poly_sin_series(y, inverse, n, prec);
  arb_poly_clear(inverse);
});

TqorProvedSettings Range(double xMin, double xMax) {
  TqorProvedSettings s;
  s.xMin = xMin;
  s.xMax = xMax;
  return s;
}

std::string Reason(const char* Pattern, const std::string& Value) {
  std::string s = Pattern;
  return s.replace(s.find("%1"), 2, Value);
}

// What a row must be: a proved root at x (the nearest double, decided), or an undecided
// region around x with the reasons given.
struct TExpectedRow {
  TqorProvedKind Kind;
  double x;
  std::string Reason;
};

struct TCase {
  const char* Name;
  TqorBallSeries f;
  double xMin, xMax;
  std::vector<TExpectedRow> Rows;
};

constexpr double Pi = std::numbers::pi;
constexpr auto Root = TqorProvedKind::Root;
constexpr auto Undecided = TqorProvedKind::Undecided;

// Every proved root comes with the double nearest to it; an undecided region holds its
// place and says why; everything else is proved free of roots.
TEST(ProvedRootsTest, TableOfFunctions) {
  const TCase cases[] = {
      {"sin(x) with a root on the middle of the range", Sin, -4, 4, {{Root, -Pi, ""}, {Root, 0, ""}, {Root, Pi, ""}}},
      {"tan(x): poles undecided",
       Tan,
       -4,
       4,
       {{Root, -Pi, ""},
        {Undecided, -Pi / 2, ReasonUnbounded},
        {Root, 0, ""},
        {Undecided, Pi / 2, ReasonUnbounded},
        {Root, Pi, ""}}},
      {"(x-2)^2*(x+1): the double root undecided",
       Polynomial({4, 0, -3, 1}),
       -2.5,
       2.5,
       {{Root, -1, ""}, {Undecided, 2, std::string(ReasonMultiple) + "; " + Reason(ReasonExactZero, "2")}}},
      {"x^2 with its double root on a subdivision point",
       Polynomial({0, 0, 1}),
       -1,
       1,
       {{Undecided, 0, std::string(ReasonMultiple) + "; " + Reason(ReasonExactZero, "0")}}},
      {"x^2+1: no root", Polynomial({1, 0, 1}), -2.5, 2.5, {}},
      {"a root on the lower end", Polynomial({-1, 1}), 1, 3, {{Root, 1, ""}}},
      {"a root on the upper end", Polynomial({-3, 1}), 1, 3, {{Root, 3, ""}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TqorProvedResult result = FindProvedRoots(c.f, Range(c.xMin, c.xMax));
    ASSERT_EQ(result.Blocks.size(), c.Rows.size());
    for (std::size_t i = 0; i < c.Rows.size(); ++i) {
      SCOPED_TRACE(i);
      const TqorProvedBlock& row = result.Blocks[i];
      const TExpectedRow& expected = c.Rows[i];
      EXPECT_EQ(row.Kind, expected.Kind);
      EXPECT_LE(row.Lo, expected.x);
      EXPECT_GE(row.Hi, expected.x);
      if (expected.Kind == Root) {
        EXPECT_TRUE(row.Decided);
        EXPECT_EQ(row.x, expected.x);
        EXPECT_LE(row.Width, std::abs(expected.x) * 0x1p-52 + 0x1p-1074);
      } else {
        EXPECT_EQ(row.Reason, expected.Reason);
        EXPECT_LT(row.Hi - row.Lo, 1e-9);
      }
    }
  }
}

// Roots close together near the range's end, which a sampling search misses.
TEST(ProvedRootsTest, FindsAllRootsOfSinOfInverse) {
  const TqorProvedResult result = FindProvedRoots(SinOfInverse, Range(0.01, 1));
  ASSERT_EQ(result.Blocks.size(), 31u);
  for (int k = 1; k <= 31; ++k) {
    const TqorProvedBlock& row = result.Blocks[31 - k];
    SCOPED_TRACE(k);
    EXPECT_EQ(row.Kind, Root);
    EXPECT_TRUE(row.Decided);
    EXPECT_NEAR(row.x, 1 / (k * Pi), 1e-16);
    EXPECT_LT(row.Lo, row.x);
    EXPECT_GT(row.Hi, row.x);
  }
}

// Digits asked for come from Newton's method and are all correct.
TEST(ProvedRootsTest, RefinesToTheDigitsAskedFor) {
  TqorProvedSettings settings = Range(0, 2);
  settings.Digits = 40;
  const TqorProvedResult result = FindProvedRoots(Polynomial({-2, 0, 1}), settings);
  ASSERT_EQ(result.Blocks.size(), 1u);
  EXPECT_EQ(result.Blocks[0].Digits.rfind("[1.414213562373095048801688724209698078570 +/- ", 0), 0u)
      << result.Blocks[0].Digits;
  EXPECT_EQ(result.Blocks[0].x, std::sqrt(2.0));
}

// The limits leave the rest undecided, in one region with the reason.
TEST(ProvedRootsTest, LimitsLeaveTheRestUndecided) {
  TqorProvedSettings evaluations = Range(-10, 10);
  evaluations.MaxEvaluations = 5;
  TqorProvedSettings time = Range(-10, 10);
  time.TimeBudget = std::chrono::steady_clock::duration::zero();
  const struct {
    const char* Name;
    TqorProvedSettings Settings;
    std::string Reason;
  } cases[] = {{"evaluations", evaluations, Reason(ReasonEvaluations, "5")}, {"time", time, ReasonTime}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TqorProvedResult result = FindProvedRoots(Sin, c.Settings);
    ASSERT_FALSE(result.Blocks.empty());
    for (const TqorProvedBlock& row : result.Blocks) {
      if (row.Kind == Undecided) {
        EXPECT_NE(row.Reason.find(c.Reason), std::string::npos) << row.Reason;
      }
    }
    EXPECT_EQ(result.Blocks.back().Kind, Undecided);
    EXPECT_EQ(result.Blocks.back().Hi, 10);
  }
}

TEST(ProvedRootsTest, CheckStopsTheSearchAndProgressReachesTheEnd) {
  TqorProvedSettings settings = Range(-10, 10);
  std::vector<int> percents;
  settings.Progress = [&percents](int Percent) { percents.push_back(Percent); };
  FindProvedRoots(Sin, settings);
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));

  int blocks = 0;
  settings.Check = [&blocks] {
    if (++blocks == 10) throw std::runtime_error("stop");
  };
  EXPECT_THROW(FindProvedRoots(Sin, settings), std::runtime_error);
}

}  // namespace
