#include "qorKaloNumDiff.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// The step shrinks by Shrink per row; the error terms by Shrink^2.
constexpr Extended Shrink = 1.4L;
// Rows of the tableau at most: the last step is h0 / Shrink^(Rows - 1), about h0 / 150.
constexpr int Rows = 16;
// The extrapolation stops when the diagonal moves by more than this many times the best
// error so far: rounding has taken over.
constexpr Extended Safe = 2;
// The smallest initial step relative to |x|: f in double has about 16 digits, and at
// this distance a first difference keeps about ten of them.
constexpr Extended RelativeStepFloor = 1E-6L;
// Where f has a kink at x, the second differences grow like 1/h and never settle: their
// best error, times the first step, stays at the size of the kink's change of slope. At a
// smooth point it is many digits below the slopes f shows over that step.
constexpr Extended KinkShare = 1E-3L;
// f' and f'' have converged when the tableaus' errors are this far below the slopes of f
// (f'' over the first step). An early stop, before the series converged, is far above.
constexpr Extended FirstSettled = 1E-10L;
constexpr Extended SecondSettled = 1E-9L;
// The slopes f's rounding alone makes over the first step, relative to |f| / h0: a little
// above what double's 16 digits give at the last step.
constexpr Extended NoiseShare = 1E-10L;
// Starts at most, each Restart times smaller than the one before.
constexpr int Attempts = 3;
constexpr Extended Restart = 8;

// One Richardson tableau: a series of estimates whose error is a series in h^2.
class TTableau {
public:
  // Adds the estimate for the next (smaller) step.
  void Add(Extended Estimate) {
    if (FDone) return;
    Extended previous[Rows];
    std::copy_n(FRow, FCount, previous);
    FRow[0] = Estimate;
    Extended factor = Shrink * Shrink;
    for (int j = 1; j <= FCount; ++j) {
      FRow[j] = (FRow[j - 1] * factor - previous[j - 1]) / (factor - 1);
      factor *= Shrink * Shrink;
      const Extended error = std::max(std::fabs(FRow[j] - FRow[j - 1]), std::fabs(FRow[j] - previous[j - 1]));
      if (!(error > FError)) {
        FError = error;
        FBest = FRow[j];
      }
    }
    if (FCount > 0 && !(std::fabs(FRow[FCount] - previous[FCount - 1]) < Safe * FError)) FDone = true;
    if (!std::isfinite(Estimate)) FDone = true, FBest = Estimate;
    ++FCount;
  }
  bool Done() const { return FDone; }
  Extended Best() const { return FCount == 1 ? FRow[0] : FBest; }
  // The error estimate of Best.
  Extended Error() const { return FError; }

private:
  Extended FRow[Rows] = {};
  int FCount = 0;
  Extended FError = std::numeric_limits<Extended>::infinity();
  Extended FBest = std::numeric_limits<Extended>::quiet_NaN();
  bool FDone = false;
};
}  // namespace

Extended NumericalStep(Extended Spacing, Extended x) {
  return std::max(std::fabs(Spacing), RelativeStepFloor * std::fabs(x));
}

namespace {
// One tableau for f' and one for f'' from the step h0 down; Settled tells whether both
// converged: the second differences settle (no kink), and both tableaus' errors are far
// below the slopes f shows over the first step.
TqorJet<Extended> Extrapolated(TRealFunctionRef f, Extended x, Extended fx, Extended h0, std::int64_t& Calls,
                               bool& Settled) {
  const Extended center = static_cast<double>(x);
  TTableau first, second;
  Extended h = h0;
  Extended slopes = 0;  // the largest slope of f over the first step
  for (int row = 0; row < Rows && !(first.Done() && second.Done()); ++row, h /= Shrink) {
    const Extended right = static_cast<double>(center + h), left = static_cast<double>(center - h);
    const Extended hRight = right - center, hLeft = center - left;
    if (!(hRight > 0 && hLeft > 0)) break;
    Calls += 2;
    const Extended fRight = f(right), fLeft = f(left);
    first.Add((fRight - fLeft) / (right - left));
    second.Add(2 * ((fRight - fx) / hRight - (fx - fLeft) / hLeft) / (hRight + hLeft));
    if (row == 0) slopes = std::max(std::fabs(fRight - fx) / hRight, std::fabs(fx - fLeft) / hLeft);
  }
  // Slopes at the rounding level of f are noise, not a kink: a constant computed with
  // rounding has second differences that never settle either.
  const Extended noise = NoiseShare * std::fabs(fx) / h0;
  const bool smooth = second.Error() * h0 <= KinkShare * slopes + noise;
  Settled = smooth && first.Error() <= FirstSettled * (std::fabs(first.Best()) + slopes) + noise &&
            second.Error() * h0 <= SecondSettled * (std::fabs(second.Best()) * h0 + slopes) + noise;
  if (!smooth) return qorJet::Kink(fx);
  return {fx, first.Best(), second.Best()};
}
}  // namespace

// The steps are taken as they come out after x + h is rounded to double, in which f is
// computed, so each difference is divided by the distance its points really have. Where f
// changes on a scale far below h0 the tableau stops before its series converges, as it
// does at a kink: a smaller start is tried then, and at a kink none helps.
TqorJet<Extended> NumericalDerivatives(TRealFunctionRef f, Extended x, Extended fx, Extended h0, std::int64_t& Calls) {
  // Where f has no value, a difference across x would make up a slope (1/x at 0 has a
  // positive one between two negative).
  if (!std::isfinite(fx)) return qorJet::Kink(fx);
  bool settled = false;
  const TqorJet<Extended> first = Extrapolated(f, x, fx, h0, Calls, settled);
  TqorJet<Extended> result = first;
  for (int attempt = 1; attempt < Attempts && !settled; ++attempt) {
    h0 /= Restart;
    result = Extrapolated(f, x, fx, h0, Calls, settled);
  }
  // Unsettled throughout (rounding noise), the largest step is the least noisy.
  return settled || !first.Differentiable() ? result : first;
}
