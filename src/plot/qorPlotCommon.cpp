#include "qorPlotCommon.h"

#include "qorException.h"
#include "qorFloatFaults.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {
const std::vector<Extended> DefaultFactors = {1, 2, 5};

// A step finer than this, relative to the larger magnitude of the limits, could not
// be told apart in the labels, and its quotients against the limits would outgrow
// every integer range.
constexpr Extended StepResolution = 1E-15L;

// No axis needs more steps than a screen has pixels; keeps the resulting count, which
// may exceed the wanted one by two, inside 32 bits.
constexpr int32_t MaxStepCount = 1'000'000;

// Intermediate ticks closer than this many pen widths would merge into a bar.
constexpr int32_t MinTickSpacingInPens = 10;

// Digits a fixed-point label may show: a double holds no more, so further ones would be
// placeholders that only make the label long; the exponent form tells such values.
constexpr int32_t MaxFixedLabelDigits = 17;

// Decimals of a label format that cannot be read.
constexpr int FallbackDecimals = 1;
// Enough decimals for the smallest Extended (about 3.6E-4951) and its digits.
constexpr int MaxLabelDecimals = 4970;
// Room for the integer digits of the largest Extended (4933), a sign, a point and the
// most decimals.
constexpr std::size_t LabelBufferSize = 10000;

// Round to the nearest integer with halves to even, kept as Extended so that no
// quotient can overflow an integer type.
Extended RoundEven(Extended v) { return std::nearbyint(v); }

// The factors to search: the positive finite ones given, else 1, 2, 5. A factor of 0
// or below would never reach the raw step and keep the search from ending.
std::vector<Extended> UsableFactors(const std::vector<Extended>& factors) {
  std::vector<Extended> usable;
  std::copy_if(factors.begin(), factors.end(), std::back_inserter(usable),
               [](Extended f) { return f > 0 && IsFiniteReal(f); });
  return usable.empty() ? DefaultFactors : usable;
}

// The first candidate factor * 10^(e + i), decade by decade from the raw step's
// decade, that is neither below rawStep nor below minStep. A zero or negative raw
// step starts at 10^0.
Extended NiceStep(Extended rawStep, Extended minStep, const std::vector<Extended>& factors) {
  const int32_t e = rawStep > 0 ? DecadeExponent(rawStep) : 0;
  for (int32_t i = 0;; ++i) {
    for (const Extended f : factors) {
      const Extended c = PowerOfTen(e + i) * f;
      if (c >= rawStep && c >= minStep) return c;
    }
  }
}

// The largest multiple of step not above minimum (a floor for both signs).
Extended LowerLimit(Extended minimum, Extended step) {
  const Extended q = std::trunc(minimum / step);
  return q * step <= minimum ? q * step : (q - 1) * step;
}

// The next multiple of step above Trunc(maximum / step): a maximum that is already a
// multiple still gains a step, so the data never touch the upper end.
Extended UpperLimit(Extended maximum, Extended step) { return (std::trunc(maximum / step) + 1) * step; }
}  // namespace

void TqorPlotAxisDefinition::ClearValueMinMax() {
  ValueMin = AxisValueCleared;
  ValueMax = -AxisValueCleared;
}

void TqorPlotAxisDefinition::AdjustValueMinMax(const kaloREALVector& vec) {
  for (const Extended v : vec) {
    if (!IsFiniteReal(v)) continue;
    ValueMin = std::min(ValueMin, v);
    ValueMax = std::max(ValueMax, v);
  }
}

bool TqorPlotAxisDefinition::CalulateAxis() { return std::islessequal(ValueMin, ValueMax); }

void RoundAxisRange(Extended& minimum, Extended& maximum, Extended& step, int32_t& count,
                    const std::vector<Extended>& factors) {
  if (!IsFiniteReal(minimum) || !IsFiniteReal(maximum)) throw EInvalidOp(MsgInvalidOp);
  if (minimum > maximum) std::swap(minimum, maximum);
  const int32_t wanted = std::clamp(count, int32_t{1}, MaxStepCount);
  const Extended magnitude = std::max(std::fabs(minimum), std::fabs(maximum));
  step = NiceStep((maximum - minimum) / wanted, magnitude * StepResolution, UsableFactors(factors));
  minimum = LowerLimit(minimum, step);
  maximum = UpperLimit(maximum, step);
  count = static_cast<int32_t>(RoundEven((maximum - minimum) / step));
}

int32_t DecadeExponent(Extended x) {
  if (!(x > 0) || !IsFiniteReal(x)) return 0;
  // log10 may land a hair beside an integer; the powers of ten settle the decade.
  auto e = static_cast<int32_t>(std::floor(std::log10(x)));
  if (PowerOfTen(e) > x) return e - 1;
  if (PowerOfTen(e + 1) <= x) return e + 1;
  return e;
}

Extended PowerOfTen(int32_t n) {
  // A negative power as the reciprocal of an exact positive one: 10^-2 is then the
  // Extended nearest to 0.01, the value a literal 0.01 has.
  const Extended positive = std::pow(10.0L, static_cast<Extended>(std::abs(static_cast<int64_t>(n))));
  return n < 0 ? 1 / positive : positive;
}

QString AxisLabelFormat(Extended axisMin, Extended axisMax, Extended stepWidth) {
  int32_t k = 1;  // integer digits
  int32_t d = 1;  // decimals
  for (const Extended x : {axisMin, axisMax, stepWidth}) {
    const int32_t e = std::isgreater(std::fabs(x), 0.0L) ? DecadeExponent(std::fabs(x)) : 0;
    if (e >= 0) {
      k = std::max(k, e + 1);
      d = std::max(d, 3 - k);
    } else {
      d = std::max(d, -e);
    }
  }
  if (k + d > MaxFixedLabelDigits) return ExponentLabelFormat(axisMin, axisMax, stepWidth);
  return QString::asprintf("%%1.%df", d);
}

QString ExponentLabelFormat(Extended axisMin, Extended axisMax, Extended stepWidth) {
  const Extended magnitude = std::max(std::fabs(axisMin), std::fabs(axisMax));
  const int32_t e = std::isgreater(magnitude, 0.0L) ? DecadeExponent(magnitude) : 0;
  const int32_t s = std::isgreater(std::fabs(stepWidth), 0.0L) ? DecadeExponent(std::fabs(stepWidth)) : e;
  return QString::asprintf("%%1.%dE", std::clamp(e - s, 1, MaxLabelDecimals));
}

QString FormatAxisLabel(const QString& format, Extended value) {
  static const QRegularExpression pattern(QStringLiteral("^%(\\d*)\\.(\\d+)([fE])$"));
  const QRegularExpressionMatch m = pattern.match(format);
  const int width = m.hasMatch() ? m.captured(1).toInt() : 0;
  const int decimals = m.hasMatch() ? std::min(m.captured(2).toInt(), MaxLabelDecimals) : FallbackDecimals;
  const bool exponent = m.hasMatch() && m.captured(3) == QLatin1String("E");
  if (value == 0) value = 0;  // -0 becomes 0
  // to_chars never follows the C locale, which the GUI library sets from the user's.
  std::array<char, LabelBufferSize> buf;
  const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                 exponent ? std::chars_format::scientific : std::chars_format::fixed, decimals);
  QString text = QString::fromLatin1(buf.data(), res.ptr - buf.data());
  static const QRegularExpression negativeZero(QStringLiteral("^-[0.]+$"));
  if (negativeZero.match(text).hasMatch()) text.remove(0, 1);
  text.replace(QLatin1Char('e'), QLatin1Char('E'));
  text.replace(QLatin1Char('.'), QLocale().decimalPoint());
  return text.rightJustified(width);
}

TqorInterTicks ChooseInterTicks(Extended stepWidth, Extended scaleFactor, int32_t penWidth) {
  const Extended minSpacing = MinTickSpacingInPens * std::max(penWidth, int32_t{1});
  for (std::size_t j = InterTickCounts.size() - 1; j > 0; --j) {
    const Extended width = stepWidth / InterTickCounts[j];
    if (RoundEven(width * scaleFactor) >= minSpacing) return {InterTickCounts[j], width};
  }
  // Without a subdivision the last width tried (count 1) stays: the step itself.
  return {0, stepWidth};
}
