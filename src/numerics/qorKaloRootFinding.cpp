#include "qorKaloRootFinding.h"

#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorKaloSecant.h"
#include "qorKaloZeroin.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

const char* const MethodLowerEndIsRoot = "Untere Intervallgrenze ist Nullstelle";
const char* const MethodUpperEndIsRoot = "Obere Intervallgrenze ist Nullstelle";
const char* const MethodZeroin = "Zeroin()";
const char* const MethodSecant = "Sekantenverfahren";
const char* const MethodMinimum = "Minimumsuche";

const char* RootKindText(TqorRootKind Kind) {
  switch (Kind) {
    case TqorRootKind::Root:
      return "Nullstelle";
    case TqorRootKind::Pole:
      return "Polstelle";
    case TqorRootKind::Touching:
      return "Berührstelle";
    case TqorRootKind::Jump:
      return "Sprungstelle";
    case TqorRootKind::Proved:
      return "Bewiesen";
    case TqorRootKind::Undecided:
      return "Nicht entschieden";
    default:
      return "";
  }
}

TqorNodeSample TqorNodeSample::PlaceNodes(Extended xMin, Extended xMax, int Count, kaloREALVector& x,
                                          kaloREALVector& y) {
  const Extended h = NodeSpacing(xMin, xMax, Count);
  x.resize(Count);
  y.resize(Count);
  Extended* nodes = x.data();  // not x[i]: a store through x could change x's size for all the compiler knows
  if (Count > 0) nodes[0] = xMin;
  for (int i = 1; i < Count; ++i) nodes[i] = NodeAt(i, h, xMin);
  TqorNodeSample sample;
  sample.FxMin = xMin;
  sample.FxMax = xMax;
  sample.FCount = Count;
  sample.FX = nodes;
  sample.FY = y.data();
  return sample;
}

#ifdef QOR_TEST_HOOKS
TRootFinderTestHooks RootFinderTestHooks;
#endif

namespace {
// Evaluations each Zeroin run may make after its first two.
constexpr int ZeroinBudget = 10000;
// Iterations each secant run may make (plus one).
constexpr int SecantLimit = 10000;
// A pair is flagged when a value is below this fraction of the node spacing: f comes
// so close to zero there that it may touch it between the nodes.
constexpr Extended SmallSlope = 0.01L;

// Zeroin follows any sign change, also one across a pole or a jump, and stops where its
// bracket is a few units of rounding wide. At a root of a function continuous there, |f|
// at the result has fallen with the bracket: to about the slope times the bracket's
// width, or to f's rounding noise. Across a jump |f| stays at the jump's size, across a
// pole it grows past every value seen. So the result is a root only when |f| there lies
// far below the change of f over the interval, |f(a)| + |f(b)| (the signs differ, so
// this is |f(a) - f(b)|). The sum, not the smaller end: a root next to a node makes that
// node's value small as well. The factor leaves room for roots with steep sides: where
// f grows like |x - r|^p, |f| falls from the node spacing (say 1E-2) to the bracket
// (about 1E-18) by a factor below RootShrink for every p above about 1/5.
constexpr Extended RootShrink = 1E-3L;

// A value in messages: eight significant digits, a full stop, whatever the locale.
std::string ValueText(Extended Value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::general, 8);
  return std::string(buffer, result.ptr);
}

// What a solver's result fx is, given the values ya and yb at the interval's ends.
TqorRootKind ResultKind(Extended ya, Extended yb, Extended fx) {
  const Extended size = std::fabs(fx);
  if (std::islessequal(size, RootShrink * (std::fabs(ya) + std::fabs(yb)))) return TqorRootKind::Root;
  if (std::isnan(size)) return TqorRootKind::None;
  return std::isgreater(size, std::fmax(std::fabs(ya), std::fabs(yb))) ? TqorRootKind::Pole : TqorRootKind::Jump;
}

std::string NoRootText(TqorRootKind Kind, Extended x, Extended fx) {
  const std::string where = " bei x = " + ValueText(x);
  if (Kind == TqorRootKind::Pole) return "Polstelle: Vorzeichenwechsel ohne Nullstelle, f = " + ValueText(fx) + where;
  if (Kind == TqorRootKind::Jump)
    return "Sprungstelle: Vorzeichenwechsel ohne Nullstelle, f = " + ValueText(fx) + where;
  return "Vorzeichenwechsel ohne Nullstelle: f hat" + where + " keinen Wert";
}

// What f does around x inside [a, b], where it has no value: the value of larger size at
// x - d and x + d, d shrinking from a quarter of the interval by a factor of 1000 six
// times (down to about 1E-16 of the interval, where the doubles f computes with still
// tell x - d from x); NaN when f has no finite value at one of these points.
Extended ValueBesideGap(TRealFunctionRef f, TFctFaults Faults, Extended x, Extended a, Extended b) {
  Extended nearest = std::numeric_limits<Extended>::quiet_NaN();
  Extended d = std::fabs(b - a) / 4;
  for (int step = 0; step < 6 && x - d != x && x + d != x; ++step, d /= 1000) {
    if (!(std::fmin(a, b) < x - d && x + d < std::fmax(a, b))) continue;
    const Extended left = Evaluate(f, x - d, Faults), right = Evaluate(f, x + d, Faults);
    if (!IsFiniteReal(left) || !IsFiniteReal(right)) return std::numeric_limits<Extended>::quiet_NaN();
    nearest = std::fabs(left) > std::fabs(right) ? left : right;
  }
  return nearest;
}

std::string ZeroinFailureText(int code, int Iter) {
  switch (code) {
    case ZeroinBadArguments:
      return "Fehler Nullstellensuche: ABSERR oder RELERR ist negativ, oder beide sind "
             "gleich Null, oder FMAX < 1.";
    case ZeroinNoSignChange:
      return "Die notwendige Voraussetzung fct(xmin) * fct(xmax) < 0 ist verletzt.";
    case ZeroinBudgetSpent:
      return "Nach " + std::to_string(Iter) +
             " Funktionsaufrufen wurde keine Nullstelle "
             "gefunden.";
    default:
      return "Fehler beim Oeffnen der Protokolldatei.";
  }
}

std::string Quoted(const Exception& e) {
  return std::string(e.className()) + " aufgetreten. Text der Fehlermeldung: " + e.Message();
}

// True when x lies in the interval [x1, x2] (or [x2, x1]) or at most its width plus Tol
// beyond either end: a root the solver placed there, within its tolerance, is the
// interval's own. Leaves no fault flag behind.
bool NearInterval(Extended x, Extended x1, Extended x2, Extended Tol) {
  const Extended lo = std::fmin(x1, x2), hi = std::fmax(x1, x2);
  const Extended slack = (hi - lo) + Tol;
  const bool near = std::islessequal(lo - x, slack) && std::islessequal(x - hi, slack);
  ClearFloatFaults();
  return near;
}

void TakeEnd(TqorRootIntervalCommon& Interval, const char* Methode, Extended x, Extended y) {
  Interval.ResultCode = 0;
  Interval.RootExists = true;
  Interval.Kind = TqorRootKind::Root;
  Interval.RootFinderMethode = Methode;
  Interval.xRoot = x;
  Interval.yRoot = y;
  Interval.IterCount = 0;
}
}  // namespace

int TqorRootIntervalList::CompareObjects(const TqorObject* Obj1, const TqorObject* Obj2) const {
  const Extended x1 = static_cast<const TqorRootIntervalCommon*>(Obj1)->xMin;
  const Extended x2 = static_cast<const TqorRootIntervalCommon*>(Obj2)->xMin;
  if (FLess(x1, x2)) return -1;
  return FGreater(x1, x2) ? 1 : 0;
}

namespace {
// Nodes the scan evaluates in one pass: few enough that their buffers come from the heap
// without fresh pages every calculation, enough that the calls into Lua do not count.
constexpr int ScanBlockSize = 512;

// Nodes no larger than this and at least SafeNodeSpacing apart leave the pair test
// nothing to fault on: their differences neither overflow nor vanish, and a finite value
// (below 2^1024, see IsFiniteReal) over such a difference stays below 2^16024, far inside
// the range of Extended.
constexpr Extended SafeNodeMagnitude = 0x1p16000L;
constexpr Extended SafeNodeSpacing = 0x1p-15000L;

// Places the nodes i*h + xMin, i from first to last - 1, at x[1] on.
void PlaceNodes(Extended h, Extended xMin, int first, int last, Extended* x) {
  for (int i = first; i < last; ++i) x[i - first + 1] = NodeAt(i, h, xMin);
}

// Tells whether no pair test can fault on the nodes x[0] to x[n], which are i*h + xMin
// for i from first - 1 to first - 1 + n: none is huge, and neighbours lie safely apart;
// WidestSpacing is then at least the largest distance of neighbours. The nodes rise (or
// fall) strictly then, so pairs that bridge nodes without a value lie even further apart.
// Nodes that were computed with a fault leave its flag, which this takes as well.
bool NodesSafelyApart(const Extended* x, int n, Extended h, int first, Extended& WidestSpacing) {
  if (FloatFaultsPending()) return false;
  // Rounding keeps the order of i*h + xMin: the largest magnitudes lie at the ends.
  if (!(std::fabs(x[0]) <= SafeNodeMagnitude && std::fabs(x[n]) <= SafeNodeMagnitude)) return false;
  // Each node is i*h and that plus xMin, each rounded by at most 2^-64 of its magnitude,
  // so the distance of neighbours differs from |h| by at most 2^-64 times twice the
  // largest |i*h| and twice the largest |x|, both found at the ends. Twice that leaves
  // room for the rounding of the bound itself. Usually this shows at once that all
  // neighbours lie safely apart; only where it does not are they measured one by one.
  // The last term covers a rounding below the smallest normal numbers.
  const Extended slack = 0x1p-62L * (std::fabs((first - 1) * h) + std::fabs((first - 1 + n) * h) + std::fabs(x[0]) +
                                     std::fabs(x[n])) +
                         0x1p-16000L;
  WidestSpacing = std::fabs(h) + slack;
  if (std::fabs(h) - slack >= SafeNodeSpacing && !FloatFaultsPending()) return true;
  Extended widest = 0;
  for (int i = 1; i <= n; ++i) {
    const Extended spacing = std::fabs(x[i] - x[i - 1]);
    if (!(spacing >= SafeNodeSpacing)) return false;
    if (spacing > widest) widest = spacing;
  }
  WidestSpacing = widest;
  return !FloatFaultsPending();
}

// IsZeroReal's bound, read once: the scan compares against it at every node.
const Extended Epsilon = MachineEpsilon();
// The roundings of its node, in units of Epsilon * |x|, within which a value of f at f's
// own scale counts as zero.
constexpr Extended ZeroSlack = 4;

// IsZeroReal's bound for a pair of nodes Spacing apart. A value counts as zero within
// Epsilon only where that says something at the scale of the range: on a range whose
// nodes lie far closer together than Epsilon (1E-320 to 2E-320), every value of f = x
// would count, and every pair would be taken. The bound is therefore no larger than
// what the slope test takes as small against the spacing; on every range with nodes at
// least 100 Epsilon apart it is Epsilon, as it always was. A range of a single point
// takes only exact zeros.
template <class TFaults>
Extended ZeroBound(Extended Spacing, TFaults& faults) {
  const Extended bySlope = SmallSlope * std::fabs(Spacing);
  return faults.Less(bySlope, Epsilon) ? bySlope : Epsilon;
}

// IsZeroReal against Bound, with the comparison of the way of checking faults.
template <class TFaults>
bool IsZero(Extended y, Extended Bound, TFaults& faults) {
  return faults.GreaterEqual(Bound, std::fabs(y));
}

// True when both |y1/Spacing| and |y2/Spacing| are at least SmallSlope, shown without
// dividing: |y| above SteepBound * |Spacing| puts the exact quotient above SmallSlope by
// far more than the rounding of either side, and a quotient above a representable bound
// cannot round below it. Only for the scan's fast run: its nodes lie safely apart and
// its values are finite, so the divisions it skips could not have faulted.
constexpr Extended SteepBound = 0.0101L;
// SteepBound with room for rounding values to double, which MarkPairsPassedBy reads.
constexpr Extended MarkedSteepBound = 0.0102L;
bool SlopesClearlySteep(Extended Spacing, Extended y1, Extended y2) {
  const Extended bound = SteepBound * std::fabs(Spacing);
  return std::fabs(y1) > bound && std::fabs(y2) > bound;
}

// Marks with 1 the pairs of neighbouring values y[k - 1], y[k] (k from 2) that the pair
// test passes by for sure: both finite, of one sign and above Bound in magnitude, where
// Bound (a double) is at least SteepBound times the block's widest spacing and above
// Epsilon. Then neither value is zero within Epsilon, their product is positive, and both
// slopes are steep by SlopesClearlySteep's argument, with room for the rounding of the
// values to double. Reading doubles, the test runs in vector registers.
// Largest becomes at least the largest finite |y[k]| (k from 1), read along in double.
void MarkPairsPassedBy(const Extended* y, std::size_t n, double Bound, std::vector<unsigned char>& Passed,
                       double& Largest) {
  Passed.assign(n, 0);
  double left = static_cast<double>(y[1]);
  if (std::islessequal(std::fabs(left), DBL_MAX) && std::fabs(left) > Largest) Largest = std::fabs(left);
  for (std::size_t k = 2; k < n; ++k) {
    const double right = static_cast<double>(y[k]);
    const double size = std::fabs(right);
    if (std::islessequal(size, DBL_MAX) && size > Largest) Largest = size;
    // A NaN fails every comparison, and quietly: a node without a value must not make
    // the block fault and run again carefully. The bounds at DBL_MAX leave out the
    // infinities.
    const bool above = std::isgreater(left, Bound) && std::isgreater(right, Bound) && std::islessequal(left, DBL_MAX) &&
                       std::islessequal(right, DBL_MAX);
    const bool below = std::isless(left, -Bound) && std::isless(right, -Bound) && std::isgreaterequal(left, -DBL_MAX) &&
                       std::isgreaterequal(right, -DBL_MAX);
    Passed[k] = above || below;
    left = right;
  }
}

void CountPassedByForTests([[maybe_unused]] const std::vector<unsigned char>& Passed) {
#ifdef QOR_TEST_HOOKS
  RootFinderTestHooks.FastPairs += static_cast<long>(Passed.size()) - 2;
  RootFinderTestHooks.PassedBy += std::count(Passed.begin(), Passed.end(), 1);
#endif
}

// The bound MarkPairsPassedBy takes, for a block whose widest spacing is Spacing.
double PassByBound(Extended Spacing) {
  const Extended bound = std::fmax(MarkedSteepBound * Spacing, 0x1p-62L);
  return static_cast<double>(bound);
}

// The scan's test of one pair of nodes (IntervalContainsRoot), written once for both ways
// of checking faults.
template <class TFaults>
bool PairMayHoldRoot(Extended x1, Extended x2, Extended y1, Extended y2, TFaults& faults) {
  if (IsZero(y2, ZeroBound(x2 - x1, faults), faults)) return true;
  const Extended product = y1 * y2;
  faults.Check();
  if (faults.Less(product, 0)) return true;
  if constexpr (!IsCarefulRun<TFaults>)
    if (SlopesClearlySteep(x2 - x1, y1, y2)) return false;
  const Extended leftSlope = std::fabs(y1 / (x2 - x1));
  faults.Check();
  if (faults.Less(leftSlope, SmallSlope)) return true;
  const Extended rightSlope = std::fabs(y2 / (x2 - x1));
  faults.Check();
  return faults.Less(rightSlope, SmallSlope);
}

// The scan's pair test once more, with the zero and the small value measured at f's
// scale (see KeepPairsAtTheFunctionsScale): Slope is f's typical slope, AtFirstNode tells
// that x1 is the range's first node, whose zero the scan takes as well. May leave fault
// flags set.
bool PairHoldsRootAtScale(Extended x1, Extended x2, Extended y1, Extended y2, bool AtFirstNode, Extended Slope) {
  // A range of a single point has no scale but the scan's.
  if (y1 * y2 < 0 || x1 == x2) return true;
  const Extended spacing = x2 - x1;
  const Extended localSlope = std::fabs((y2 - y1) / spacing);
  const Extended zeroBound = std::fmin(SmallSlope * std::fabs(spacing), Epsilon);
  const auto zero = [&](Extended y, Extended x) {
    return y == 0 || (std::fabs(y) <= zeroBound && std::fabs(y) <= ZeroSlack * Epsilon * std::fabs(x) * localSlope);
  };
  if (zero(y2, x2) || (AtFirstNode && zero(y1, x1))) return true;
  // Where f's slope is not below 1, the scan's own test.
  const Extended smallSlope = std::isless(Slope, 1) ? SmallSlope * Slope : SmallSlope;
  return std::isless(std::fabs(y1 / spacing), smallSlope) || std::isless(std::fabs(y2 / spacing), smallSlope);
}
}  // namespace

// Moves the scan on to node i, (x, y): a node without a finite value is passed over, so
// that the next pair bridges it; a pair that may hold a root is handed to Found.
template <class TFaults, class TFound>
void TqorRootFinder::ScanStep(int i, Extended x, Extended y, TScanNode& Left, TFaults& faults, TFound&& Found) {
  if (!IsFiniteReal(y)) return;
  if (IsFiniteReal(Left.y) && ((i == 1 && IsZero(Left.y, ZeroBound(x - Left.x, faults), faults)) ||
                               PairMayHoldRoot(Left.x, x, Left.y, y, faults)))
    Found(TFoundPair{Left, {x, y}});
  Left = {x, y};
}

TqorRootFinder::TqorRootFinder() : FAbsErrorBound(2 * MachineEpsilon()) {}

bool TqorRootFinder::IntervalContainsRoot(Extended x1, Extended x2, Extended y1, Extended y2) const {
  TImmediateFaults faults;
  return PairMayHoldRoot(x1, x2, y1, y2, faults);
}

void TqorRootFinder::Execute() {
  FIntervals.Clear();
  FEndValues.clear();
  FEvaluationCount = 0;
  const auto counted = [this](const Extended& x) {
    ++FEvaluationCount;
    return Ffct(x);
  };
  try {
    Scan(counted);
  } catch (const ECalculationAborted&) {
    throw;
  } catch (const Exception& e) {
    throw Exception("Bei der Ermittlung der Nullstellenintervalle ist die Ausnahme " + Quoted(e));
  }
  KeepPairsAtTheFunctionsScale();
  for (int i = 0; i < FIntervals.Count(); ++i) {
    if (FIntervalProgress) FIntervalProgress(i, FIntervals.Count());
    TqorRootIntervalCommon& interval = *FIntervals.Items(i);
    if (!FEvaluation.Pure) {
      WorkInterval(interval, counted);
      continue;
    }
    // The solvers start at the ends, which the scan has evaluated.
    const auto [yMin, yMax] = FEndValues[i];
    const auto remembered = [&](const Extended& x) {
      const bool atMin = SameBits(x, interval.xMin);
      if (!atMin && !SameBits(x, interval.xMax)) return counted(x);
      ++FEvaluationCount;
      return atMin ? yMin : yMax;
    };
    WorkInterval(interval, remembered);
  }
  if (FTouchingRoots) FindTouchingRoots(counted);
  FNodes.clear();
}

void TqorRootFinder::Scan(TRealFunctionRef f) {
  ClearFloatFaults();
  const Extended h = NodeSpacing(FxMin, FxMax, FTestCount);
  CheckFloatFaults();
  const bool useSample = SampleFitsTheNodes();
  TScanNode left{FxMin, 0};
  if (useSample) {
    left.y = FEvaluation.Sample.Y()[0];
    ++FEvaluationCount;
  } else {
    left.y = EvaluateRaisingFaults(f, FxMin);
  }
  FNodes.clear();
  FLargestValue = 0;
  NoteValues(&left.y, 1);
  KeepNode(left.x, left.y);
  for (int first = 1; first < FTestCount; first += ScanBlockSize)
    ScanBlock(h, first, std::min(first + ScanBlockSize, FTestCount), useSample, left, f);
}

// A pure function's sample is used when its nodes are the scan's.
bool TqorRootFinder::SampleFitsTheNodes() const {
  return FEvaluation.Pure && FEvaluation.Sample.Fits(FxMin, FxMax, FTestCount);
}

// The nodes first to last - 1 are evaluated in one pass (or taken from the sample) and
// their pairs tested with one look at the fault flags when no pair test can fault: a
// fault there would have to end the scan before the next node is evaluated. Otherwise (a
// range of nearly no width) they are scanned one by one, every step checked.
void TqorRootFinder::ScanBlock(Extended h, int first, int last, bool UseSample, TScanNode& Left, TRealFunctionRef f) {
  const int n = last - first;
  const Extended* x;  // x[0]: the node before the block, for its spacing; x[1] to x[n]: the block
  if (UseSample) {
    x = FEvaluation.Sample.X() + first - 1;
  } else {
    FBlockX.resize(n + 1);
    FBlockX[0] = first == 1 ? FxMin : NodeAt(first - 1, h, FxMin);
    PlaceNodes(h, FxMin, first, last, FBlockX.data());
    x = FBlockX.data();
  }
  Extended widestSpacing = 0;
  if (!NodesSafelyApart(x, n, h, first, widestSpacing)) {
    ClearFloatFaults();
    for (int i = first; i < last; ++i) ScanNodeCarefully(h, i, Left, f);
    return;
  }
  const Extended* y;
  if (UseSample) {
    y = FEvaluation.Sample.Y() + first - 1;
    FEvaluationCount += n;
  } else {
    FBlockY.resize(n + 1);
    EvaluateNodes(&FBlockX[1], &FBlockY[1], n, f);
    y = FBlockY.data();
  }
  const TScanNode start = Left;
  std::vector<TFoundPair>& found = FBlockFound;
  // Only finite values take part in the pair tests: no NaN to start with.
  RunCheckedStep(false, [&](auto& faults) {
    Left = start;
    found.clear();
    const auto add = [&](const TFoundPair& pair) { found.push_back(pair); };
    if constexpr (!IsCarefulRun<decltype(faults)>) {
      // The pairs passed by for sure only move the left node on, which is taken up again
      // at the next pair that is tested.
      // Only this run notes the block's largest value: it always comes first, and the
      // careful run, which follows a fault, sees the same values.
      double largest = 0;
      MarkPairsPassedBy(y, n + 1, PassByBound(widestSpacing), FBlockPassed, largest);
      if (largest > FLargestValue) FLargestValue = largest;
      CountPassedByForTests(FBlockPassed);
      bool behind = false;  // Left lags behind the node before the current one
      for (int k = 1; k <= n; ++k) {
        if (FBlockPassed[k]) {
          behind = true;
          continue;
        }
        if (behind) Left = {x[k - 1], y[k - 1]};
        behind = false;
        ScanStep(first + k - 1, x[k], y[k], Left, faults, add);
      }
      if (behind) Left = {x[n], y[n]};
    } else {
      for (int i = first; i < last; ++i) ScanStep(i, x[i - first + 1], y[i - first + 1], Left, faults, add);
    }
  });
  for (const TFoundPair& pair : found) AddInterval(pair);
  if (FTouchingRoots)
    for (int i = first; i < last; ++i) KeepNode(x[i - first + 1], y[i - first + 1]);
}

void TqorRootFinder::EvaluateNodes(const Extended* x, Extended* y, int n, TRealFunctionRef f) {
  if (!FEvaluation.Pass) {
    for (int i = 0; i < n; ++i) y[i] = EvaluateRaisingFaults(f, x[i]);
    return;
  }
  FEvaluation.Pass(x, y, n, FEvaluationCount);
  CheckFloatFaults();
}

void TqorRootFinder::ScanNodeCarefully(Extended h, int i, TScanNode& Left, TRealFunctionRef f) {
  const Extended x = NodeAt(i, h, FxMin);
  CheckFloatFaults();
  const Extended y = EvaluateRaisingFaults(f, x);
  NoteValues(&y, 1);
  KeepNode(x, y);
  TImmediateFaults faults;
  ScanStep(i, x, y, Left, faults, [this](const TFoundPair& pair) { AddInterval(pair); });
}

void TqorRootFinder::NoteValues(const Extended* y, int n) {
  for (int i = 0; i < n; ++i)
    if (IsFiniteReal(y[i]) && std::fabs(y[i]) > FLargestValue) FLargestValue = std::fabs(y[i]);
}

// The scan's tests measure f in absolute units: a value is zero within Epsilon, and
// small below one hundredth of the node spacing. Where f or x live far from 1, those
// units say nothing: on [-1E50, 1E50] every value is small against a spacing of 1E48,
// on [1E-6, 3E-6] every value of a product of two distances is, and a node at -2.7E-20
// holds the value -2.7E-20 of x - 1E-300, no zero. So a pair the scan took is kept only
// when it also holds at f's own scale: a zero must be no larger than what f changes by
// across a few roundings of its node, and a small value must be small also against f's
// typical slope over the range (its largest value over the width), where that slope is
// below 1. At ordinary scales this leaves the pairs as they were.
void TqorRootFinder::KeepPairsAtTheFunctionsScale() {
  std::vector<bool> keep(FIntervals.Count());
  for (int i = 0; i < FIntervals.Count(); ++i) {
    const TqorRootIntervalCommon& interval = *FIntervals.Items(i);
    keep[i] = IntervalHoldsRootAtScale(interval.xMin, interval.xMax, FEndValues[i].first, FEndValues[i].second);
  }
  if (std::find(keep.begin(), keep.end(), false) == keep.end()) return;
  // The list anew from the kept intervals, in scan order.
  std::vector<std::unique_ptr<TqorRootIntervalCommon>> all;
  while (FIntervals.Count() > 0) all.push_back(FIntervals.Extract(FIntervals.Count() - 1));
  std::reverse(all.begin(), all.end());
  std::vector<std::pair<Extended, Extended>> keptValues;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (!keep[i]) continue;
    FIntervals.Add(std::move(all[i]));
    keptValues.push_back(FEndValues[i]);
  }
  FEndValues = std::move(keptValues);
}

bool TqorRootFinder::IntervalHoldsRootAtScale(Extended x1, Extended x2, Extended y1, Extended y2) const {
  const bool holds = PairHoldsRootAtScale(x1, x2, y1, y2, x1 == FxMin, FLargestValue / std::fabs(FxMax - FxMin));
  ClearFloatFaults();
  return holds;
}

// On a range of a single point every pair is the same pair: it is worked once.
void TqorRootFinder::AddInterval(const TFoundPair& Pair) {
  if (FIntervals.Count() > 0) {
    const TqorRootIntervalCommon& last = *FIntervals.Items(FIntervals.Count() - 1);
    if (last.xMin == Pair.left.x && last.xMax == Pair.right.x) return;
  }
  auto interval = std::make_unique<TqorRootIntervalCommon>();
  interval->xMin = Pair.left.x;
  interval->xMax = Pair.right.x;
  FIntervals.Add(std::move(interval));
  FEndValues.emplace_back(Pair.left.y, Pair.right.y);
}

void TqorRootFinder::WorkInterval(TqorRootIntervalCommon& Interval, TRealFunctionRef f) const {
  try {
    SolveInterval(Interval, f);
  } catch (const ECalculationAborted&) {
    throw;
  } catch (const Exception& e) {
    Interval.RootExists = false;
    Interval.ResultMessage = "Bei der Nullstellensuche ist eine Ausnahme vom Typ " + Quoted(e);
  }
}

// The end values are evaluated afresh, so the interval's result rests on f alone (a pure
// function's come from the scan, which has the same bits).
void TqorRootFinder::SolveInterval(TqorRootIntervalCommon& Interval, TRealFunctionRef f) const {
  // A function that keeps the flags is called as it is: the work evaluates with no flag
  // pending. One that may leave faults behind has them raised here, as it always had.
  const Extended ya = Evaluate(f, Interval.xMin, FEvaluation.Faults);
  const Extended yb = Evaluate(f, Interval.xMax, FEvaluation.Faults);
  if (ya == 0) return TakeEnd(Interval, MethodLowerEndIsRoot, Interval.xMin, ya);
  if (yb == 0) return TakeEnd(Interval, MethodUpperEndIsRoot, Interval.xMax, yb);
  const Extended product = ya * yb;
  CheckFloatFaults();
  if (FLess(product, 0)) return SolveByZeroin(Interval, f, ya, yb);
  SolveBySecant(Interval, f, ya, yb);
}

// The solvers get copies of the bounds: the floors Zeroin applies stay with one run.
void TqorRootFinder::SolveByZeroin(TqorRootIntervalCommon& Interval, TRealFunctionRef f, Extended ya,
                                   Extended yb) const {
  Interval.RootFinderMethode = MethodZeroin;
  Extended AbsErr = FAbsErrorBound, RelErr = FRelErrorBound;
  Extended b = Interval.xMax, fb = 0;
  int Iter = 0;
  // Where Zeroin's arithmetic fails, the largest value it met tells why: f without a
  // value (or an infinite one) at a point, which the values beside it explain, or f
  // grown past both ends' values, a pole it was climbing.
  Extended worstX = 0, worstY = 0;
  const auto watched = [&](const Extended& x) {
    const Extended y = Evaluate(f, x, FEvaluation.Faults);
    if (!std::isnan(worstY) && !(std::fabs(y) <= std::fabs(worstY))) {
      worstX = x;
      worstY = y;
    }
    return y;
  };
  int code = 0;
  try {
    code = Zeroin(AbsErr, RelErr, ZeroinBudget, watched, "", Interval.xMin, b, fb, Iter, TFctFaults::LeavesNonePending);
  } catch (const EMathError&) {
    if (!IsFiniteReal(worstY) && ExplainGap(Interval, f, worstX, ya, yb)) return;
    if (!std::isgreater(std::fabs(worstY), std::fmax(std::fabs(ya), std::fabs(yb)))) throw;
    Interval.Kind = TqorRootKind::Pole;
    Interval.xRoot = worstX;
    Interval.yRoot = worstY;
    Interval.ResultMessage = NoRootText(Interval.Kind, worstX, worstY);
    return;
  }
  Interval.ResultCode = code;
  if (code == ZeroinConverged || code == ZeroinExactRoot || code == ZeroinZeroAtStart) {
    // An interval no wider than the error bounds ends Zeroin before it evaluates a point
    // inside: nothing shrank that could tell a root from a jump, and the root is found
    // as closely as asked.
    Interval.Kind = Iter <= 2 ? TqorRootKind::Root : ResultKind(ya, yb, fb);
    Interval.RootExists = Interval.Kind == TqorRootKind::Root;
    Interval.xRoot = b;
    Interval.yRoot = fb;
    Interval.IterCount = Iter;
    if (!Interval.RootExists) Interval.ResultMessage = NoRootText(Interval.Kind, b, fb);
  } else {
    Interval.RootExists = false;
    Interval.ResultMessage = ZeroinFailureText(code, Iter);
  }
}

// A point inside the interval where f has no value ends Zeroin's arithmetic. What f does
// beside it tells the row: f tends to 0 there (0/0, as (1 - exp(-x^2))/x at 0), a gap
// that the sign change marks but no root, since f is not defined there; f runs off, a
// pole; f keeps its size, a jump. False when f has no value beside the point either.
bool TqorRootFinder::ExplainGap(TqorRootIntervalCommon& Interval, TRealFunctionRef f, Extended x, Extended ya,
                                Extended yb) const {
  Extended beside = 0;
  try {
    beside = ValueBesideGap(f, FEvaluation.Faults, x, Interval.xMin, Interval.xMax);
  } catch (const ECalculationAborted&) {
    throw;
  } catch (const Exception&) {
    beside = std::numeric_limits<Extended>::quiet_NaN();
  }
  ClearFloatFaults();
  if (std::isnan(beside)) return false;
  Interval.xRoot = x;
  Interval.yRoot = beside;
  if (std::fabs(beside) <= RootShrink * (std::fabs(ya) + std::fabs(yb))) {
    Interval.ResultMessage = "f ist bei x = " + ValueText(x) + " nicht definiert, strebt dort gegen 0";
    return true;
  }
  Interval.Kind = std::fabs(beside) > std::fmax(std::fabs(ya), std::fabs(yb)) ? TqorRootKind::Pole : TqorRootKind::Jump;
  Interval.ResultMessage = NoRootText(Interval.Kind, x, beside);
  return true;
}

void TqorRootFinder::SolveBySecant(TqorRootIntervalCommon& Interval, TRealFunctionRef f, Extended ya,
                                   Extended yb) const {
  Interval.RootFinderMethode = MethodSecant;
  Extended x = 0, fx = 0;
  int Iter = SecantLimit;
  const int code = Secant(FAbsErrorBound, FRelErrorBound, x, f, Interval.xMin, Interval.xMax, fx, Iter);
  Interval.ResultCode = code;
  if (code != SecantConverged) {
    Interval.ResultMessage = "Sekantenverfahren: nach " + std::to_string(SecantLimit + 1) +
                             " Iterationen keine Nullstelle gefunden";
    return;
  }
  Interval.xRoot = x;
  Interval.yRoot = fx;
  Interval.IterCount = Iter;
  // The method may leave its interval, but a root outside the task's range is none of
  // the task's roots.
  if (!(std::islessequal(std::fmin(FxMin, FxMax), x) && std::islessequal(x, std::fmax(FxMin, FxMax)))) {
    Interval.ResultMessage = "Sekantenverfahren: der erreichte Punkt x = " + ValueText(x) +
                             " liegt außerhalb des Suchbereichs";
    return;
  }
  // The method stops on a short step, which it also makes where f is merely flat
  // (x^101 - 1E-10 near 0): as for Zeroin, a root must have brought |f| far down.
  if (ResultKind(ya, yb, fx) != TqorRootKind::Root) {
    Interval.ResultMessage = "Sekantenverfahren: keine Nullstelle, f = " + ValueText(fx) + " bei x = " + ValueText(x);
    return;
  }
  // A root the method walked to from far away belongs to the rows near it, which a wide
  // range would otherwise fill with copies of it.
  if (!NearInterval(x, Interval.xMin, Interval.xMax, FAbsErrorBound + FRelErrorBound * std::fabs(x))) {
    Interval.ResultMessage = "Sekantenverfahren: erreichte Nullstelle x = " + ValueText(x) +
                             " liegt außerhalb des Intervalls";
    return;
  }
  Interval.RootExists = true;
  Interval.Kind = TqorRootKind::Root;
}

void TqorRootFinder::KeepNode(Extended x, Extended y) {
  if (FTouchingRoots && IsFiniteReal(y)) FNodes.emplace_back(x, y);
}

namespace {
// sqrt of double's epsilon: f comes from Lua in double, and near a minimum f changes
// with the square of the distance, so no minimiser places x more closely than this,
// relative to |x|.
constexpr Extended SqrtDoubleEpsilon = 1.4901161193847656E-8L;
// Golden section's ratio, (3 - sqrt(5)) / 2.
constexpr Extended GoldenStep = 0.38196601125010515180L;
constexpr int MinimumIterationLimit = 200;
// How far above the rounding level of a minimum |f| may lie and still be a touching root.
constexpr Extended TouchingSlack = 10;

struct TMinimum {
  Extended x, fx;
  int Iter;
};

// Brent's minimiser of |f| on [a, b] from the start point x: golden section steps,
// parabolic steps where they are trusted, until the bracket around the best point is
// within tol(x) = RelTol * |x| + AbsErr on both sides.
TMinimum MinimizeAbs(TRealFunctionRef f, Extended a, Extended b, Extended x, Extended fx, Extended AbsErr,
                     Extended RelTol = SqrtDoubleEpsilon) {
  if (a > b) std::swap(a, b);
  Extended w = x, v = x, fw = std::fabs(fx), fv = fw, fxAbs = fw, d = 0, e = 0;
  Extended fxSigned = fx;  // f at the best point, which the result reports
  int iter = 0;
  for (; iter < MinimumIterationLimit; ++iter) {
    const Extended m = (a + b) / 2;
    const Extended tol = RelTol * std::fabs(x) + AbsErr, tol2 = 2 * tol;
    if (std::fabs(x - m) <= tol2 - (b - a) / 2) break;
    bool golden = true;
    if (std::fabs(e) > tol) {
      Extended r = (x - w) * (fxAbs - fv), q = (x - v) * (fxAbs - fw), p = (x - v) * q - (x - w) * r;
      q = 2 * (q - r);
      if (q > 0) p = -p;
      q = std::fabs(q);
      if (std::fabs(p) < std::fabs(q * e / 2) && p > q * (a - x) && p < q * (b - x)) {
        e = d;
        d = p / q;
        const Extended u = x + d;
        if (u - a < tol2 || b - u < tol2) d = x < m ? tol : -tol;
        golden = false;
      }
    }
    if (golden) {
      e = (x < m ? b : a) - x;
      d = GoldenStep * e;
    }
    const Extended u = std::fabs(d) >= tol ? x + d : x + (d > 0 ? tol : -tol);
    const Extended fuSigned = EvaluateRaisingFaults(f, u);
    const Extended fu = std::fabs(fuSigned);
    if (std::islessequal(fu, fxAbs)) {
      (u < x ? b : a) = x;
      v = w;
      fv = fw;
      w = x;
      fw = fxAbs;
      x = u;
      fxAbs = fu;
      fxSigned = fuSigned;
    } else {
      (u < x ? a : b) = u;
      if (std::islessequal(fu, fw) || w == x) {
        v = w;
        fv = fw;
        w = u;
        fw = fu;
      } else if (std::islessequal(fu, fv) || v == x || v == w) {
        v = u;
        fv = fu;
      }
    }
  }
  return {x, fxSigned, iter};
}

// True when |f| has a positive floor at the minimum x of a width tol: f is taken to the
// spacing of the doubles it computes with, and a parabola through f at a few of those
// spacings around the best point, all of one sign, bottoms out clearly above what f's
// rounding there makes of it (the noise the parabola leaves at two more points). So
// 100*(x-0.3)^2 + 1E-30 has a floor of 1E-30, while (x-0.3)^2*100, sin(x)^2 at pi or a
// square whose rounding noise is larger than its curvature there have none.
bool HasPositiveFloor(TRealFunctionRef f, Extended x, Extended fx, Extended tol) {
  const TMinimum fine = MinimizeAbs(f, x - 4 * tol, x + 4 * tol, x, fx, 0, 2 * DBL_EPSILON);
  if (fine.fx == 0) return false;
  const double at = static_cast<double>(fine.x);
  const Extended d = 4 * (std::nextafter(at, HUGE_VAL) - at);
  const Extended sign = fine.fx > 0 ? 1 : -1;
  Extended y[5];
  for (int k = -2; k <= 2; ++k) y[k + 2] = sign * (k == 0 ? fine.fx : EvaluateRaisingFaults(f, fine.x + k * d));
  for (const Extended v : y)
    if (!(v > 0) || !IsFiniteReal(v)) return false;
  const Extended bend = y[1] - 2 * y[2] + y[3];  // twice the parabola's curvature times d^2
  if (!(bend > 0)) return false;
  const Extended floor = y[2] - (y[3] - y[1]) * (y[3] - y[1]) / (8 * bend);
  // The parabola through the middle three at the outer two points.
  const auto parabola = [&](int k) { return y[2] + k * (y[3] - y[1]) / 2 + k * k * bend / 2; };
  const Extended largest = *std::max_element(y, y + 5);
  const Extended noise = std::fmax(std::fabs(y[0] - parabola(-2)), std::fabs(y[4] - parabola(2))) +
                         8 * DBL_EPSILON * largest;
  return floor > TouchingSlack * noise;
}
}  // namespace

// A node between two neighbours of its sign where |f| is lowest may sit beside a root
// where f only touches zero, and the scan takes such a triple only when a value is small
// against the spacing. Its minimum is refined; at a touching root r, f grows like
// c * (x - r)^2, and the minimiser places x within tol = SqrtDoubleEpsilon * |x| +
// AbsErrorBound of r, so |f| there is about c * tol^2, with c the curvature the three
// nodes show. Only |f| at that level of rounding is taken as zero: a positive minimum
// such as the 1E-12 of x^2 + 1E-12 is far above it, whatever the error bounds on x.
void TqorRootFinder::FindTouchingRoots(TRealFunctionRef f) {
  bool added = false;
  for (std::size_t i = 1; i + 1 < FNodes.size(); ++i) {
    const auto [x0, y0] = FNodes[i - 1];
    const auto [x1, y1] = FNodes[i];
    const auto [x2, y2] = FNodes[i + 1];
    const bool sameSign = (y0 > 0 && y1 > 0 && y2 > 0) || (y0 < 0 && y1 < 0 && y2 < 0);
    if (!sameSign || !(std::fabs(y1) < std::fabs(y0) && std::fabs(y1) <= std::fabs(y2)) || Covered(x0, x1, x2))
      continue;
    TMinimum minimum{};
    try {
      minimum = MinimizeAbs(f, x0, x2, x1, y1, FAbsErrorBound);
    } catch (const ECalculationAborted&) {
      throw;
    } catch (const Exception&) {
      ClearFloatFaults();
      continue;
    }
    const Extended curvature = std::fabs((y0 - y1) / (x0 - x1) - (y2 - y1) / (x2 - x1)) / std::fabs(x2 - x0);
    const Extended tol = SqrtDoubleEpsilon * std::fabs(minimum.x) + FAbsErrorBound;
    ClearFloatFaults();
    if (!std::islessequal(std::fabs(minimum.fx), TouchingSlack * curvature * tol * tol)) continue;
    try {
      if (HasPositiveFloor(f, minimum.x, minimum.fx, tol)) continue;
    } catch (const ECalculationAborted&) {
      throw;
    } catch (const Exception&) {
      ClearFloatFaults();
    }
    auto interval = std::make_unique<TqorRootIntervalCommon>();
    interval->xMin = x0;
    interval->xMax = x2;
    interval->xRoot = minimum.x;
    interval->yRoot = minimum.fx;
    interval->IterCount = minimum.Iter;
    interval->RootExists = true;
    interval->Kind = TqorRootKind::Touching;
    interval->RootFinderMethode = MethodMinimum;
    FIntervals.Add(std::move(interval));
    added = true;
  }
  if (added) PutInScanOrder();
}

// True when an interval of the scan already takes one of the triple's pairs.
bool TqorRootFinder::Covered(Extended x0, Extended x1, Extended x2) const {
  for (int i = 0; i < FIntervals.Count(); ++i) {
    const TqorRootIntervalCommon& r = *FIntervals.Items(i);
    if ((r.xMin == x0 && r.xMax == x1) || (r.xMin == x1 && r.xMax == x2)) return true;
  }
  return false;
}

// The touching roots were appended; the rows go back into the order of the scan.
void TqorRootFinder::PutInScanOrder() {
  FIntervals.Sort();
  if (FxMin <= FxMax) return;
  for (int i = 0, j = FIntervals.Count() - 1; i < j; ++i, --j) FIntervals.Exchange(i, j);
}
