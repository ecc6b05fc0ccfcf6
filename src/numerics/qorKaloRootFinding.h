#pragma once
// Finds all roots of a real function on [xMin, xMax]. TqorRootFinder samples the
// function at TestCount equally spaced nodes, collects every pair of neighbouring
// nodes that may enclose a root (a sign change, an exact zero, or a value that is
// small against the node spacing) and works each pair with the fitting method: an end
// that is exactly a root is taken directly, a sign change goes to Zeroin, a pair
// without one to the secant method, which reaches roots where f only touches zero.
// A solver's result counts as a root only when |f| there fell far below its values at
// the interval's ends; a sign change without one is reported as a pole or a jump.
// Each interval keeps its own result; an error while one interval is worked is
// recorded in that interval and the others are worked normally.

#include "qorKaloBase.h"
#include "qorKaloZeroin.h"
#include "qorList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The method an interval was worked with (RootFinderMethode).
extern const char* const MethodLowerEndIsRoot;  // "Untere Intervallgrenze ist Nullstelle"
extern const char* const MethodUpperEndIsRoot;  // "Obere Intervallgrenze ist Nullstelle"
extern const char* const MethodZeroin;          // "Zeroin()"
extern const char* const MethodSecant;          // "Sekantenverfahren"
extern const char* const MethodMinimum;         // "Minimumsuche"

// What an interval's result is. A sign change without a root is a pole when |f| grows
// beyond the values at the interval's ends, else a jump.
enum class TqorRootKind {
  None,      // no root found, and nothing else to say about the interval
  Root,      // a root ("Nullstelle")
  Pole,      // a sign change across a pole, no root ("Polstelle")
  Touching,  // a root where f touches zero, found as a minimum of |f| ("Berührstelle")
  Jump,      // a sign change across a jump, no root ("Sprungstelle")
  // Rows of the proved search: a proved root, or the rest of the range proved free of
  // roots ("Bewiesen"); a region the proof could not decide ("Nicht entschieden").
  Proved,
  Undecided,
};

// The kind's name as the exports write it: "Nullstelle", "Polstelle", "Berührstelle",
// "Sprungstelle", "Bewiesen", "Nicht entschieden", or "" for None.
const char* RootKindText(TqorRootKind Kind);

// One pair of nodes that may enclose a root, and what working it gave. A new interval
// has every field zero, false or empty.
class TqorRootIntervalCommon : public TqorObject {
public:
  Extended xMin = 0;        // left node: the node met first in the scan
  Extended xMax = 0;        // right node
  Extended xRoot = 0;       // the root, when one was found
  Extended yRoot = 0;       // the function value at xRoot
  bool RootExists = false;  // a root was found
  // Root or Touching exactly when RootExists, or Proved for a proved root; for a pole or
  // jump xRoot and yRoot hold where the solver ended.
  TqorRootKind Kind = TqorRootKind::None;
  // Zeroin: function evaluations; secant method: iterations; 0 for a root at an end.
  int IterCount = 0;
  int ResultCode = 0;             // the solver's result code
  std::string ResultMessage;      // why no root was found; empty for a root
  std::string RootFinderMethode;  // one of the Method... texts
};

// The intervals of one run in scan order; the list owns them.
class TqorRootIntervalList : public TqorTypedObjectList<TqorRootIntervalCommon> {
public:
  // Intervals compare by their left node: -1, 0 or 1 as the xMin of the first is
  // below, equal to or above the xMin of the second.
  int CompareObjects(const TqorObject* Obj1, const TqorObject* Obj2) const override;
};

// The distance of TestCount nodes over [xMin, xMax], and node i: i*h + xMin, so that
// rounding does not accumulate over many nodes. The scan forms its nodes this way; a
// value table made with them has the very same x values.
inline Extended NodeSpacing(Extended xMin, Extended xMax, int TestCount) { return (xMax - xMin) / (TestCount - 1); }
inline Extended NodeAt(int i, Extended h, Extended xMin) { return i * h + xMin; }

// f's values at the Count nodes of [xMin, xMax], computed before the root search. Only
// PlaceNodes forms a sample's nodes, the way the scan forms its own, so a sample whose
// range and count are the scan's has the scan's very nodes, bit for bit: the root finder
// compares these three numbers instead of every node.
class TqorNodeSample {
public:
  TqorNodeSample() = default;  // no sample: fits no scan

  // Makes x the Count nodes of [xMin, xMax] (Count at least 2): xMin itself, then
  // NodeAt(i, NodeSpacing(xMin, xMax, Count), xMin). Gives y Count elements, for the
  // caller to fill with f's values at x, and returns the sample of both. x and y must
  // keep their elements unchanged, and alive, while the sample is in use.
  static TqorNodeSample PlaceNodes(Extended xMin, Extended xMax, int Count, kaloREALVector& x, kaloREALVector& y);

  // True when the sample's nodes are the Count nodes of [xMin, xMax]: the same bits of
  // both ends (-0 is not 0: it is the first node) and the same count.
  bool Fits(Extended xMin, Extended xMax, int Count) const {
    return FCount >= 2 && FCount == Count && SameBits(FxMin, xMin) && SameBits(FxMax, xMax);
  }
  const Extended* X() const { return FX; }
  const Extended* Y() const { return FY; }

private:
  Extended FxMin = 0, FxMax = 0;
  int FCount = 0;
  const Extended* FX = nullptr;
  const Extended* FY = nullptr;
};

// How the root finder evaluates f. The default evaluates f at every point it needs, one
// call at a time, and raises any fault a call leaves pending; the other settings are
// faster ways to the very same values that a caller may offer for its f.
struct TqorFunctionEvaluation {
  // What a call of f leaves in the fault flags. A function that keeps them as it found
  // them (as a script function does, which guards its evaluation) is called as it is:
  // the solvers evaluate only with no flag pending.
  TFctFaults Faults = TFctFaults::MayLeavePending;
  // True when f is a pure function of x: the same x gives the same value, and a call
  // does nothing else. An interval's work then takes the values at its ends from the
  // scan instead of computing them afresh; EvaluationCount counts them all the same.
  bool Pure = false;
  // The same function for a whole pass of nodes (optional): the scan then evaluates its
  // nodes through it in one call. It must give what f gives and leave the fault flags as
  // it found them.
  RealPassFunction Pass{};
  // f's values at the scan's nodes, computed before (optional, for a pure f only): the
  // scan then takes the values from there instead of computing them again, and counts
  // each as an evaluation. A sample of another range or node count is not used.
  TqorNodeSample Sample{};
};

// How often the scan's fast run passed pairs by without testing them: for the tests that
// compare it with IntervalContainsRoot. Only test builds (with QOR_TEST_HOOKS) have the
// object RootFinderTestHooks and count.
struct TRootFinderTestHooks {
  long FastPairs = 0;  // pairs the fast runs of the scan looked at
  long PassedBy = 0;   // of those, the pairs passed by as sure to hold no root
};
#ifdef QOR_TEST_HOOKS
extern TRootFinderTestHooks RootFinderTestHooks;
#endif

// A root finder over a range; Execute fills Intervals.
class TqorRootFinderCommon {
public:
  TqorRootFinderCommon() = default;
  virtual ~TqorRootFinderCommon() = default;
  TqorRootFinderCommon(const TqorRootFinderCommon&) = delete;
  TqorRootFinderCommon& operator=(const TqorRootFinderCommon&) = delete;

  // The intervals of the last Execute, in scan order.
  const TqorRootIntervalList& Intervals() const { return FIntervals; }
  // Start of the range.
  Extended xMin() const { return FxMin; }
  void setxMin(Extended value) { FxMin = value; }
  // End of the range; below xMin the nodes run downward.
  Extended xMax() const { return FxMax; }
  void setxMax(Extended value) { FxMax = value; }

  // Empties Intervals and fills it anew.
  virtual void Execute() = 0;

protected:
  TqorRootIntervalList FIntervals;
  Extended FxMin = 0;
  Extended FxMax = 0;
};

// The root finder of the calculation. Set fct (with how to evaluate it), xMin, xMax,
// TestCount (at least 2) and the two error bounds, call Execute, then read Intervals and
// EvaluationCount.
class TqorRootFinder : public TqorRootFinderCommon {
public:
  // AbsErrorBound 2*MachineEpsilon, RelErrorBound 0, TestCount 0, no function.
  TqorRootFinder();

  // The function whose roots are searched, and how the finder may evaluate it.
  const RealFunction& fct() const { return Ffct; }
  const TqorFunctionEvaluation& Evaluation() const { return FEvaluation; }
  void setfct(RealFunction value, TqorFunctionEvaluation How = {}) {
    Ffct = std::move(value);
    FEvaluation = std::move(How);
  }
  // Number of nodes, both ends included.
  int TestCount() const { return FTestCount; }
  void setTestCount(int value) { FTestCount = value; }
  // Absolute error bound handed to the solvers.
  Extended AbsErrorBound() const { return FAbsErrorBound; }
  void setAbsErrorBound(Extended value) { FAbsErrorBound = value; }
  // Relative error bound handed to the solvers.
  Extended RelErrorBound() const { return FRelErrorBound; }
  void setRelErrorBound(Extended value) { FRelErrorBound = value; }
  // Also search touching roots: where |f| has a local minimum at a node between two
  // neighbours of the same sign that no interval covers, the minimum is refined and
  // taken as a root when |f| there is at the level of rounding. Off by default; when
  // off, Execute does exactly what it did before this search existed.
  bool TouchingRoots() const { return FTouchingRoots; }
  void setTouchingRoots(bool value) { FTouchingRoots = value; }
  // Told before each interval is worked, with its index and the number of intervals
  // (optional): a long root search shows how far it is.
  using TIntervalProgress = std::function<void(int Index, int Count)>;
  void setIntervalProgress(TIntervalProgress value) { FIntervalProgress = std::move(value); }
  // Calls of fct made by the last Execute (scan, interval ends and solvers), also
  // when it raised; values a pure fct gave before and that were taken again count too.
  std::int64_t EvaluationCount() const { return FEvaluationCount; }

  // Scans the nodes, then works every interval. Raises only for an error during the
  // scan ("Bei der Ermittlung der Nullstellenintervalle ist die Ausnahme ...");
  // ECalculationAborted from fct passes through unchanged and ends the run.
  void Execute() override;
  // The scan's test for the nodes x1 (left) and x2 (right) with the values y1, y2.
  bool IntervalContainsRoot(Extended x1, Extended x2, Extended y1, Extended y2) const;
  // The second test of a pair the scan took, with zero and small measured at f's own
  // scale as the last Execute found it: Intervals holds the pairs that pass both. Only for
  // finite values at distinct nodes; raises nothing.
  bool IntervalHoldsRootAtScale(Extended x1, Extended x2, Extended y1, Extended y2) const;

private:
  // The node the scan pairs the next one with: the latest node with a finite value, or
  // the first node while none has had one.
  struct TScanNode {
    Extended x, y;
  };
  // A pair of nodes that may hold a root, with the values there.
  struct TFoundPair {
    TScanNode left, right;
  };
  void Scan(TRealFunctionRef f);
  bool SampleFitsTheNodes() const;
  void ScanBlock(Extended h, int first, int last, bool UseSample, TScanNode& Left, TRealFunctionRef f);
  void EvaluateNodes(const Extended* x, Extended* y, int n, TRealFunctionRef f);
  void ScanNodeCarefully(Extended h, int i, TScanNode& Left, TRealFunctionRef f);
  template <class TFaults, class TFound>
  static void ScanStep(int i, Extended x, Extended y, TScanNode& Left, TFaults& faults, TFound&& Found);
  void AddInterval(const TFoundPair& Pair);
  void NoteValues(const Extended* y, int n);
  void KeepPairsAtTheFunctionsScale();
  void KeepNode(Extended x, Extended y);
  void FindTouchingRoots(TRealFunctionRef f);
  bool Covered(Extended x0, Extended x1, Extended x2) const;
  void PutInScanOrder();
  void WorkInterval(TqorRootIntervalCommon& Interval, TRealFunctionRef f) const;
  void SolveInterval(TqorRootIntervalCommon& Interval, TRealFunctionRef f) const;
  void SolveByZeroin(TqorRootIntervalCommon& Interval, TRealFunctionRef f, Extended ya, Extended yb) const;
  bool ExplainGap(TqorRootIntervalCommon& Interval, TRealFunctionRef f, Extended x, Extended ya, Extended yb) const;
  void SolveBySecant(TqorRootIntervalCommon& Interval, TRealFunctionRef f, Extended ya, Extended yb) const;

  RealFunction Ffct;
  TqorFunctionEvaluation FEvaluation;
  TIntervalProgress FIntervalProgress;
  int FTestCount = 0;
  Extended FAbsErrorBound;
  Extended FRelErrorBound = 0;
  std::int64_t FEvaluationCount = 0;
  bool FTouchingRoots = false;
  std::vector<std::pair<Extended, Extended>> FNodes;  // the scan's finite nodes, for the touching search
  Extended FLargestValue = 0;                         // the largest finite |f| of the scan's nodes
  // One block of the scan: its nodes, their values, the pairs it found; kept from block
  // to block so that their memory is taken once per run.
  kaloREALVector FBlockX, FBlockY;
  std::vector<TFoundPair> FBlockFound;
  // The values at the ends of FIntervals[i], as the scan found them.
  std::vector<std::pair<Extended, Extended>> FEndValues;
  std::vector<unsigned char> FBlockPassed;  // the pairs the pair test passes by for sure
};
