#include "qorKaloRootFinding.h"

#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorKaloSecant.h"
#include "qorKaloZeroin.h"

#include <cmath>

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

TqorRootFinder::TqorRootFinder() : FAbsErrorBound(2 * MachineEpsilon()) {}

bool TqorRootFinder::IntervalContainsRoot(Extended x1, Extended x2, Extended y1,
                                          Extended y2) const {
  if (IsZeroReal(y2)) return true;
  const Extended product = y1 * y2;
  CheckFloatFaults();
  if (FLess(product, 0)) return true;
  const Extended leftSlope = std::fabs(y1 / (x2 - x1));
  CheckFloatFaults();
  if (FLess(leftSlope, SmallSlope)) return true;
  const Extended rightSlope = std::fabs(y2 / (x2 - x1));
  CheckFloatFaults();
  return FLess(rightSlope, SmallSlope);
}

void TqorRootFinder::Execute() {
  FIntervals.Clear();
  FEvaluationCount = 0;
  const RealFunction counted = [this](Extended x) {
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
  for (int i = 0; i < FIntervals.Count(); ++i) WorkInterval(*FIntervals.Items(i), counted);
}

// Nodes come from i*h + xMin so that rounding does not accumulate over many nodes.
void TqorRootFinder::Scan(const RealFunction& f) {
  ClearFloatFaults();
  const Extended h = (FxMax - FxMin) / (FTestCount - 1);
  CheckFloatFaults();
  Extended xL = FxMin;
  Extended yL = EvaluateChecked(f, FxMin);
  // Loop invariant: (xL, yL) is the latest node with a finite value, or the first node
  // while none has had one; every pair of neighbouring finite nodes up to xL (bridging
  // nodes without a value) has been tested, and the flagged ones are in FIntervals.
  for (int i = 1; i < FTestCount; ++i) {
    const Extended x = i * h + FxMin;
    CheckFloatFaults();
    const Extended y = EvaluateChecked(f, x);
    if (!IsFiniteReal(y)) continue;
    if (IsFiniteReal(yL) &&
        ((i == 1 && IsZeroReal(yL)) || IntervalContainsRoot(xL, x, yL, y))) {
      auto interval = std::make_unique<TqorRootIntervalCommon>();
      interval->xMin = xL;
      interval->xMax = x;
      FIntervals.Add(std::move(interval));
    }
    xL = x;
    yL = y;
  }
}

void TqorRootFinder::WorkInterval(TqorRootIntervalCommon& Interval,
                                  const RealFunction& f) const {
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
void TqorRootFinder::SolveInterval(TqorRootIntervalCommon& Interval,
                                   const RealFunction& f) const {
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
void TqorRootFinder::SolveByZeroin(TqorRootIntervalCommon& Interval,
                                   const RealFunction& f) const {
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

void TqorRootFinder::SolveBySecant(TqorRootIntervalCommon& Interval,
                                   const RealFunction& f) const {
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
