#include "qorKaloRootFinding.h"

#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorKaloSecant.h"
#include "qorKaloZeroin.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

const char* const MethodLowerEndIsRoot = "Untere Intervallgrenze ist Nullstelle";
const char* const MethodUpperEndIsRoot = "Obere Intervallgrenze ist Nullstelle";
const char* const MethodZeroin = "Zeroin()";
const char* const MethodSecant = "Sekantenverfahren";

namespace {
// Evaluations each Zeroin run may make after its first two.
constexpr int ZeroinBudget = 10000;
// Iterations each secant run may make (plus one).
constexpr int SecantLimit = 10000;
// A pair is flagged when a value is below this fraction of the node spacing: f comes
// so close to zero there that it may touch it between the nodes.
constexpr Extended SmallSlope = 0.01L;

std::string ZeroinFailureText(int code, int Iter) {
  switch (code) {
    case ZeroinBadArguments:
      return "Fehler Nullstellensuche: ABSERR oder RELERR ist negativ, oder beide sind "
             "gleich Null, oder FMAX < 1.";
    case ZeroinNoSignChange:
      return "Die notwendige Voraussetzung fct(xmin) * fct(xmax) < 0 ist verletzt.";
    case ZeroinBudgetSpent:
      return "Nach " + std::to_string(Iter) + " Funktionsaufrufen wurde keine Nullstelle "
             "gefunden.";
    default:
      return "Fehler beim Oeffnen der Protokolldatei.";
  }
}

std::string Quoted(const Exception& e) {
  return std::string(e.className()) + " aufgetreten. Text der Fehlermeldung: " + e.Message();
}

void TakeEnd(TqorRootIntervalCommon& Interval, const char* Methode, Extended x, Extended y) {
  Interval.ResultCode = 0;
  Interval.RootExists = true;
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

// True when no pair test can fault on these neighbouring nodes: all were computed
// without a fault, none is huge, and neighbours lie safely apart. The nodes i*h + xMin
// rise (or fall) strictly then, so pairs that bridge nodes without a value lie even
// further apart.
bool NodesSafelyApart(const kaloREALVector& x) {
  if (FloatFaultsPending()) return false;
  for (const Extended node : x)
    if (!(std::fabs(node) <= SafeNodeMagnitude)) return false;
  for (std::size_t i = 1; i < x.size(); ++i)
    if (!(std::fabs(x[i] - x[i - 1]) >= SafeNodeSpacing)) return false;
  return true;
}

// IsZeroReal's bound, read once: the scan compares against it at every node.
const Extended Epsilon = MachineEpsilon();

// IsZeroReal, with the comparison of the way of checking faults.
template <class TFaults>
bool IsZero(Extended y, TFaults& faults) {
  return faults.GreaterEqual(Epsilon, std::fabs(y));
}

// The scan's test of one pair of nodes (IntervalContainsRoot), written once for both ways
// of checking faults.
template <class TFaults>
bool PairMayHoldRoot(Extended x1, Extended x2, Extended y1, Extended y2, TFaults& faults) {
  if (IsZero(y2, faults)) return true;
  const Extended product = y1 * y2;
  faults.Check();
  if (faults.Less(product, 0)) return true;
  const Extended leftSlope = std::fabs(y1 / (x2 - x1));
  faults.Check();
  if (faults.Less(leftSlope, SmallSlope)) return true;
  const Extended rightSlope = std::fabs(y2 / (x2 - x1));
  faults.Check();
  return faults.Less(rightSlope, SmallSlope);
}
}  // namespace

// The node the scan pairs the next one with: the latest node with a finite value, or the
// first node while none has had one.
struct TqorRootFinder::TScanNode {
  Extended x, y;
};

// Moves the scan on to node i, (x, y): a node without a finite value is passed over, so
// that the next pair bridges it; a pair that may hold a root is handed to Found.
template <class TFaults, class TFound>
void TqorRootFinder::ScanStep(int i, Extended x, Extended y, TScanNode& Left, TFaults& faults, TFound&& Found) {
  if (!IsFiniteReal(y)) return;
  if (IsFiniteReal(Left.y) && ((i == 1 && IsZero(Left.y, faults)) || PairMayHoldRoot(Left.x, x, Left.y, y, faults)))
    Found(Left.x, x);
  Left = {x, y};
}

TqorRootFinder::TqorRootFinder() : FAbsErrorBound(2 * MachineEpsilon()) {}

bool TqorRootFinder::IntervalContainsRoot(Extended x1, Extended x2, Extended y1,
                                          Extended y2) const {
  TImmediateFaults faults;
  return PairMayHoldRoot(x1, x2, y1, y2, faults);
}

void TqorRootFinder::Execute() {
  FIntervals.Clear();
  FEvaluationCount = 0;
  const auto counted = [this](Extended x) {
    ++FEvaluationCount;
    return Ffct(x);
  };
  try {
    Scan(counted);
  } catch (const ECalculationAborted&) {
    throw;
  } catch (const Exception& e) {
    throw Exception("Bei der Ermittlung der Nullstellenintervalle ist die Ausnahme " +
                    Quoted(e));
  }
  for (int i = 0; i < FIntervals.Count(); ++i) {
    if (FIntervalProgress) FIntervalProgress(i, FIntervals.Count());
    WorkInterval(*FIntervals.Items(i), counted);
  }
}

// Nodes come from i*h + xMin so that rounding does not accumulate over many nodes.
void TqorRootFinder::Scan(TRealFunctionRef f) {
  ClearFloatFaults();
  const Extended h = (FxMax - FxMin) / (FTestCount - 1);
  CheckFloatFaults();
  TScanNode left{FxMin, EvaluateChecked(f, FxMin)};
  for (int first = 1; first < FTestCount; first += ScanBlockSize)
    ScanBlock(h, first, std::min(first + ScanBlockSize, FTestCount), left, f);
}

// The nodes first to last - 1 are evaluated in one pass and their pairs tested with one
// look at the fault flags when no pair test can fault: a fault there would have to end
// the scan before the next node is evaluated. Otherwise (a range of nearly no width)
// they are scanned one by one, every step checked.
void TqorRootFinder::ScanBlock(Extended h, int first, int last, TScanNode& Left, TRealFunctionRef f) {
  kaloREALVector x(last - first + 1);  // x[0]: the node before the block, for its spacing
  x[0] = first == 1 ? FxMin : (first - 1) * h + FxMin;
  for (int i = first; i < last; ++i) x[i - first + 1] = i * h + FxMin;
  if (!NodesSafelyApart(x)) {
    ClearFloatFaults();
    for (int i = first; i < last; ++i) ScanNodeCarefully(h, i, Left, f);
    return;
  }
  kaloREALVector y(x.size());
  EvaluateNodes(&x[1], &y[1], last - first, f);
  const TScanNode start = Left;
  std::vector<std::pair<Extended, Extended>> found;
  // Only finite values take part in the pair tests: no NaN to start with.
  RunCheckedStep(false, [&](auto& faults) {
    Left = start;
    found.clear();
    for (int i = first; i < last; ++i)
      ScanStep(i, x[i - first + 1], y[i - first + 1], Left, faults,
               [&](Extended xMin, Extended xMax) { found.emplace_back(xMin, xMax); });
  });
  for (const auto& [xMin, xMax] : found) AddInterval(xMin, xMax);
}

void TqorRootFinder::EvaluateNodes(const Extended* x, Extended* y, int n, TRealFunctionRef f) {
  if (!FfctPass) {
    for (int i = 0; i < n; ++i) y[i] = EvaluateChecked(f, x[i]);
    return;
  }
  FfctPass(x, y, n, FEvaluationCount);
  CheckFloatFaults();
}

void TqorRootFinder::ScanNodeCarefully(Extended h, int i, TScanNode& Left, TRealFunctionRef f) {
  const Extended x = i * h + FxMin;
  CheckFloatFaults();
  const Extended y = EvaluateChecked(f, x);
  TImmediateFaults faults;
  ScanStep(i, x, y, Left, faults, [this](Extended xMin, Extended xMax) { AddInterval(xMin, xMax); });
}

void TqorRootFinder::AddInterval(Extended xMin, Extended xMax) {
  auto interval = std::make_unique<TqorRootIntervalCommon>();
  interval->xMin = xMin;
  interval->xMax = xMax;
  FIntervals.Add(std::move(interval));
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

// The end values are evaluated afresh: the interval's result never rests on the scan.
void TqorRootFinder::SolveInterval(TqorRootIntervalCommon& Interval, TRealFunctionRef f) const {
  const Extended ya = EvaluateChecked(f, Interval.xMin);
  const Extended yb = EvaluateChecked(f, Interval.xMax);
  if (ya == 0) return TakeEnd(Interval, MethodLowerEndIsRoot, Interval.xMin, ya);
  if (yb == 0) return TakeEnd(Interval, MethodUpperEndIsRoot, Interval.xMax, yb);
  const Extended product = ya * yb;
  CheckFloatFaults();
  if (FLess(product, 0)) return SolveByZeroin(Interval, f);
  SolveBySecant(Interval, f);
}

// The solvers get copies of the bounds: the floors Zeroin applies stay with one run.
void TqorRootFinder::SolveByZeroin(TqorRootIntervalCommon& Interval, TRealFunctionRef f) const {
  Interval.RootFinderMethode = MethodZeroin;
  Extended AbsErr = FAbsErrorBound, RelErr = FRelErrorBound;
  Extended b = Interval.xMax, fb = 0;
  int Iter = 0;
  const int code = Zeroin(AbsErr, RelErr, ZeroinBudget, f, "", Interval.xMin, b, fb, Iter);
  Interval.ResultCode = code;
  if (code == ZeroinConverged || code == ZeroinExactRoot || code == ZeroinZeroAtStart) {
    Interval.RootExists = true;
    Interval.xRoot = b;
    Interval.yRoot = fb;
    Interval.IterCount = Iter;
  } else {
    Interval.RootExists = false;
    Interval.ResultMessage = ZeroinFailureText(code, Iter);
  }
}

void TqorRootFinder::SolveBySecant(TqorRootIntervalCommon& Interval, TRealFunctionRef f) const {
  Interval.RootFinderMethode = MethodSecant;
  Extended x = 0, fx = 0;
  int Iter = SecantLimit;
  const int code = Secant(FAbsErrorBound, FRelErrorBound, x, f, Interval.xMin,
                          Interval.xMax, fx, Iter);
  Interval.ResultCode = code;
  if (code != SecantConverged) return;
  Interval.RootExists = true;
  Interval.xRoot = x;
  Interval.yRoot = fx;
  Interval.IterCount = Iter;
}
