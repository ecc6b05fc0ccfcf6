#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorPlotCommon.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <cmath>
#include <limits>

namespace {
const Extended inf = std::numeric_limits<Extended>::infinity();
const Extended qnan = std::numeric_limits<Extended>::quiet_NaN();

// Sets the default locale for one test and restores the previous one.
class LocaleScope {
public:
  explicit LocaleScope(const QLocale& locale) : FSaved(QLocale()) { QLocale::setDefault(locale); }
  ~LocaleScope() { QLocale::setDefault(FSaved); }

private:
  QLocale FSaved;
};
}  // namespace

TEST(PlotAxisDefinition, StartsClearedWithoutRange) {
  TqorPlotAxisDefinition axis;
  EXPECT_EQ(axis.ValueMin, 1.1E+4932L);
  EXPECT_EQ(axis.ValueMax, -1.1E+4932L);
  EXPECT_TRUE(axis.Name.isEmpty());
  EXPECT_FALSE(axis.CalulateAxis());
}

TEST(PlotAxisDefinition, GathersTheRangeAndClearsIt) {
  TqorPlotAxisDefinition axis;
  axis.AdjustValueMinMax({3, -2, 7});
  axis.AdjustValueMinMax({});
  axis.AdjustValueMinMax({5});
  EXPECT_EQ(axis.ValueMin, -2);
  EXPECT_EQ(axis.ValueMax, 7);
  EXPECT_TRUE(axis.CalulateAxis());
  axis.ClearValueMinMax();
  EXPECT_EQ(axis.ValueMin, 1.1E+4932L);
  EXPECT_EQ(axis.ValueMax, -1.1E+4932L);
  EXPECT_FALSE(axis.CalulateAxis());
}

TEST(PlotAxisDefinition, LeavesOutValuesThatAreNotFinite) {
  TqorPlotAxisDefinition axis;
  ClearFloatFaults();
  axis.AdjustValueMinMax({qnan, inf, 1, 1E+400L, -inf, 4, -1E+400L});
  EXPECT_NO_THROW(CheckFloatFaults()) << "gathering must not leave a fault behind";
  EXPECT_EQ(axis.ValueMin, 1);
  EXPECT_EQ(axis.ValueMax, 4);

  TqorPlotAxisDefinition onlyFaults;
  onlyFaults.AdjustValueMinMax({qnan, inf});
  EXPECT_FALSE(onlyFaults.CalulateAxis());
}

TEST(PlotAxisDefinition, ARangeSetToNaNIsNoRange) {
  TqorPlotAxisDefinition axis;
  axis.ValueMin = qnan;
  axis.ValueMax = 1;
  EXPECT_FALSE(axis.CalulateAxis());
}

TEST(RoundAxisRange, WorkedExamplesAndEdges) {
  struct Case {
    const char* name;
    Extended min, max;
    int32_t count;
    Extended axisMin, axisMax, step;
    int32_t steps;
  };
  const Case cases[] = {
      {"0..10, an upper multiple of the step gains a step", 0, 10, 9, 0, 12, 2, 6},
      {"-1.3..2.7", -1.3L, 2.7L, 9, -1.5L, 3.0L, 0.5L, 9},
      {"a single value", 5, 5, 9, 5, 6, 1, 1},
      {"a raw step equal to a candidate", 0, 18, 9, 0, 20, 2, 10},
      {"a negative upper value truncates toward zero", -7.5L, -2.5L, 5, -8, -1, 1, 7},
      {"a count of 0 counts as 1", 0, 10, 0, 0, 20, 10, 2},
      {"a negative count counts as 1", 0, 10, -3, 0, 20, 10, 2},
      {"swapped limits", 10, 0, 9, 0, 12, 2, 6},
      {"a range beyond 32-bit quotients", 1E10L - 1, 1E10L + 1, 9, 9999999999.0L, 10000000001.5L, 0.5L, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Extended min = c.min, max = c.max, step = -123;
    int32_t count = c.count;
    RoundAxisRange(min, max, step, count);
    EXPECT_EQ(min, c.axisMin);
    EXPECT_EQ(max, c.axisMax);
    EXPECT_EQ(step, c.step);
    EXPECT_EQ(count, c.steps);
  }
}

TEST(RoundAxisRange, UsesTheFactorsGiven) {
  Extended min = 0, max = 10, step = 0;
  int32_t count = 4;
  RoundAxisRange(min, max, step, count, {1, 2.5L, 5});
  EXPECT_EQ(step, 2.5L);
  EXPECT_EQ(max, 12.5L);
  EXPECT_EQ(count, 5);

  // Factors that can never reach the raw step are no factors: the defaults apply.
  min = 0, max = 10, count = 9;
  RoundAxisRange(min, max, step, count, {0, -1, qnan});
  EXPECT_EQ(step, 2);
}

// Ranges whose 32-bit arithmetic would overflow or whose step would vanish against the
// magnitude: the result is still an axis the plot can draw.
TEST(RoundAxisRange, ExtremeRangesGiveADrawableAxis) {
  const Extended dmax = std::numeric_limits<double>::max();
  const std::pair<Extended, Extended> ranges[] = {
      {1E30L, 1E30L}, {1E10L, 1E10L + 1E-6L}, {1E300L, 1E300L}, {-1E-300L, 1E-300L},
      {0, 0},         {dmax, dmax},           {-dmax, dmax},    {-1E20L, -1E20L},
  };
  for (const auto& [lo, hi] : ranges) {
    SCOPED_TRACE(testing::Message() << static_cast<double>(lo) << " .. " << static_cast<double>(hi));
    Extended min = lo, max = hi, step = 0;
    int32_t count = 9;
    RoundAxisRange(min, max, step, count);
    ASSERT_TRUE(std::isfinite(min) && std::isfinite(max) && std::isfinite(step));
    EXPECT_GT(step, 0);
    EXPECT_LE(min, lo);
    EXPECT_GT(max, hi);
    EXPECT_GE(count, 1);
    EXPECT_LE(count, 11);
    EXPECT_EQ(count, std::nearbyint((max - min) / step));
  }
}

TEST(RoundAxisRange, RefusesLimitsThatAreNotFinite) {
  for (const Extended bad : {inf, -inf, qnan, 1E+400L}) {
    SCOPED_TRACE(testing::Message() << bad);
    Extended min = 0, max = bad, step = 0;
    int32_t count = 9;
    try {
      RoundAxisRange(min, max, step, count);
      ADD_FAILURE() << "no error";
    } catch (const EInvalidOp& e) {
      EXPECT_EQ(e.Message(), "Ungültige Gleitkommaoperation");
    }
  }
}

TEST(DecadeExponent, IsTheFloorOfLog10) {
  const std::pair<Extended, int32_t> cases[] = {
      {1, 0},     {9.99L, 0},  {10, 1},     {1000, 3},     {999, 2},
      {0.1L, -1}, {0.05L, -2}, {1E-5L, -5}, {1E300L, 300}, {1E-300L, -300},
  };
  for (const auto& [x, e] : cases) EXPECT_EQ(DecadeExponent(x), e) << static_cast<double>(x);
  EXPECT_EQ(PowerOfTen(0), 1);
  EXPECT_EQ(PowerOfTen(3), 1000);
  EXPECT_EQ(PowerOfTen(-2), 0.01L);
}

TEST(AxisLabelFormat, DecimalsFollowLimitsAndStep) {
  struct Case {
    Extended min, max, step;
    const char* format;
  };
  const Case cases[] = {
      {0, 12, 2, "%1.2f"},       {100, 300, 50, "%1.1f"},    {0, 0.5L, 0.05L, "%1.2f"},
      {-1.5L, 3, 0.5L, "%1.2f"}, {1000, 5000, 500, "%1.1f"}, {0.001L, 0.002L, 0.0001L, "%1.4f"},
      {10, 20, 1, "%1.1f"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<double>(c.min) << " .. " << static_cast<double>(c.max) << " step "
                                    << static_cast<double>(c.step));
    EXPECT_EQ(AxisLabelFormat(c.min, c.max, c.step), c.format);
  }
}

// Beyond 17 digits, more than a double holds, fixed-point labels would be mostly
// placeholders ("10000000000000000000.0"): the exponent form takes over.
TEST(AxisLabelFormat, LabelsBeyondTheDigitsOfADoubleTakeTheExponentForm) {
  struct Case {
    Extended min, max, step;
    const char* format;
  };
  const Case cases[] = {
      {-1E15L, 1E15L, 5E14L, "%1.1f"},          // 16 integer digits and a decimal
      {-1E16L, 1E16L, 5E15L, "%1.1E"},          // 17 and a decimal
      {-2E18L, 4E18L, 2E18L, "%1.1E"},          // 1/x near its pole
      {1E30L, 1E30L + 1E15L, 1E15L, "%1.15E"},  // enough decimals to tell the steps apart
      {0, 2E-15L, 2E-16L, "%1.16f"},            // one integer digit and 16 decimals
      {0, 2E-16L, 2E-17L, "%1.1E"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<double>(c.min) << " .. " << static_cast<double>(c.max) << " step "
                                    << static_cast<double>(c.step));
    EXPECT_EQ(AxisLabelFormat(c.min, c.max, c.step), c.format);
  }
}

TEST(ExponentLabelFormat, DecimalsTellTheStepsApart) {
  EXPECT_EQ(ExponentLabelFormat(-2E18L, 4E18L, 2E18L), "%1.1E") << "at least one decimal";
  EXPECT_EQ(ExponentLabelFormat(0, 1.5E19L, 5E18L), "%1.1E");
  EXPECT_EQ(ExponentLabelFormat(1E10L, 1E10L + 2, 0.5L), "%1.11E");
  EXPECT_EQ(ExponentLabelFormat(-1E-300L, 1E-300L, 5E-301L), "%1.1E");
}

TEST(FormatAxisLabel, ExponentFormInTheUsersLocale) {
  EXPECT_EQ(FormatAxisLabel("%1.1E", 2E18L), "2.0E+18");
  EXPECT_EQ(FormatAxisLabel("%1.1E", -1.5E19L), "-1.5E+19");
  EXPECT_EQ(FormatAxisLabel("%1.2E", 2.5E-7L), "2.50E-07");
  EXPECT_EQ(FormatAxisLabel("%1.1E", 1E-300L), "1.0E-300");
  EXPECT_EQ(FormatAxisLabel("%1.1E", 0), "0.0E+00");
  EXPECT_EQ(FormatAxisLabel("%1.1E", -0.0L), "0.0E+00") << "a zero shows no sign";
  EXPECT_EQ(FormatAxisLabel("%9.1E", 2E18L), "  2.0E+18");

  const LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(FormatAxisLabel("%1.1E", -1.5E19L), "-1,5E+19");
}

TEST(FormatAxisLabel, FixedPointInTheUsersLocale) {
  EXPECT_EQ(FormatAxisLabel("%1.2f", 2), "2.00");
  EXPECT_EQ(FormatAxisLabel("%1.2f", -1.5L), "-1.50");
  EXPECT_EQ(FormatAxisLabel("%1.2f", -1E-17L), "0.00") << "a zero shows no sign";
  EXPECT_EQ(FormatAxisLabel("%6.1f", 2), "   2.0");
  EXPECT_EQ(FormatAxisLabel("%1.1f", 9999999999.5L), "9999999999.5");
  EXPECT_EQ(FormatAxisLabel("no format", 2.25L), "2.2");

  const LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(FormatAxisLabel("%1.2f", 2), "2,00");
  EXPECT_EQ(FormatAxisLabel("%1.1f", 12345.5L), "12345,5") << "no group separators";
}

TEST(ChooseInterTicks, DensestSubdivisionTenPenWidthsApart) {
  struct Case {
    Extended stepPixels;
    int32_t penWidth;
    int32_t count;
  };
  const Case cases[] = {
      {100, 1, 9},                                                   // 11 pixels apart; 19 parts would be 5
      {60, 1, 4},                                                    // 15 pixels; 9 parts would be Round(6.67) = 7
      {9, 1, 0},     {10, 1, 1},                                     // one tick, on the next step
      {9.5L, 1, 1},                                                  // Round(9.5) = 10: rounded, not truncated
      {8.5L, 1, 0},                                                  // Round(8.5) = 8: halves go to even
      {100, 2, 4},   {60, 2, 3}, {19, 2, 0}, {20, 2, 1}, {9, 0, 0},  // a 0-pixel pen draws one pixel
      {1E4L, 1, 99},
  };
  const Extended stepWidth = 0.5L;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<double>(c.stepPixels) << " px, pen " << c.penWidth);
    const TqorInterTicks ticks = ChooseInterTicks(stepWidth, c.stepPixels / stepWidth, c.penWidth);
    EXPECT_EQ(ticks.Count, c.count);
    EXPECT_EQ(ticks.Width, c.count == 0 ? stepWidth : stepWidth / c.count);
  }
}
