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

// The steps are taken as they come out after x + h is rounded to double, in which f is
// computed, so each difference is divided by the distance its points really have.
TqorJet<Extended> NumericalDerivatives(TRealFunctionRef f, Extended x, Extended fx, Extended h0, std::int64_t& Calls) {
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
  if (!(second.Error() * h0 <= KinkShare * slopes)) return qorJet::Kink(fx);
  return {fx, first.Best(), second.Best()};
}
