#pragma once
// Where f turns and where it bends on [xMin, xMax]: the maxima and minima, the inflection
// points and the largest and smallest value, found on the same nodes as the roots. At
// every node f, f' and f'' are evaluated; a sign change of f' between neighbours is
// refined by Zeroin on f' to the extremum, a sign change of f'' by Zeroin on f'' to the
// inflection point. A sign change of f' where f' has no root (it jumps, as |x| at 0)
// is a kink; across a pole of f' (tan's f'' at pi/2) nothing is reported. A jump of f,
// or of f' without a sign change, is narrowed down between the nodes beside it, also
// where a node lies on it and has no value.

#include "qorKaloBase.h"
#include "qorKaloJet.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What a row of the extrema table is.
enum class TqorExtremumKind {
  Maximum,        // "Maximum": a local maximum
  Minimum,        // "Minimum": a local minimum
  Inflection,     // "Wendepunkt": f'' changes sign
  Saddle,         // "Sattelpunkt": an inflection point with horizontal tangent
  GlobalMaximum,  // "globales Maximum": the largest value on the range, ends included
  GlobalMinimum,  // "globales Minimum": the smallest value on the range
  Kink,           // "Knick": f' jumps without changing sign
  Jump,           // "Sprungstelle": f jumps
};

// The kind's German name, as the table and the exports write it.
const char* ExtremumKindText(TqorExtremumKind Kind);

// The methods of the rows.
extern const char* const MethodExtremumZeroin;    // "Zeroin(f')"
extern const char* const MethodInflectionZeroin;  // "Zeroin(f'')"
extern const char* const MethodNode;              // "Stützstelle": f' (f'') is 0 at a node
extern const char* const MethodKink;              // "Knick": f' has no value there; found on f's values
extern const char* const MethodBisection;         // "Bisektion": a jump or kink narrowed down
// The remark of every row whose derivatives were computed from differences of f.
extern const char* const RemarkNumerical;  // "numerisch"

// One row: a place and what f and its derivatives are there. A derivative that has no
// value there is NaN.
struct TqorExtremumRow {
  TqorExtremumKind Kind = TqorExtremumKind::Maximum;
  Extended x = 0, y = 0, d1 = 0, d2 = 0;
  int IterCount = 0;   // Zeroin's evaluations; 0 for a node
  std::string Method;  // one of the Method... texts
  std::string Remark;  // what else is to be said; RemarkNumerical for approximate derivatives
};

// f, f' and f'' at x. A missing value is NaN (or infinite), never an error; the function
// must leave the floating-point fault flags as it found them.
using TqorDerivativeFunction = std::function<TqorJet<Extended>(const Extended& x)>;
// The same for the nodes X[0] to X[N - 1] into J, in one call, under the same terms.
using TqorDerivativePass = std::function<void(const Extended* X, TqorJet<Extended>* J, int N)>;

// Set the function, the range, TestCount (at least 2), the bounds and what to search,
// call Execute, then read Rows.
class TqorExtremumFinder {
public:
  void setDerivatives(TqorDerivativeFunction value) { FDerivatives = std::move(value); }
  // The derivatives for all nodes in one call (optional; without it, one call per node).
  void setDerivativesPass(TqorDerivativePass value) { FDerivativesPass = std::move(value); }
  // True when the derivatives are approximate: every row then says so.
  void setNumerical(bool value) { FNumerical = value; }
  void setxMin(Extended value) { FxMin = value; }
  void setxMax(Extended value) { FxMax = value; }
  void setTestCount(int value) { FTestCount = value; }
  // Zeroin's bounds for the refinement.
  void setAbsErrorBound(Extended value) { FAbsErrorBound = value; }
  void setRelErrorBound(Extended value) { FRelErrorBound = value; }
  // Search the extrema (with the largest and smallest value, kinks and jumps).
  void setExtrema(bool value) { FExtrema = value; }
  // Search the inflection points.
  void setInflection(bool value) { FInflection = value; }

  // Evaluates the nodes and, as asked, searches; the rows come in the order of x, the
  // largest and smallest value last. ECalculationAborted from the function passes through.
  void Execute();

  const std::vector<TqorExtremumRow>& Rows() const { return FRows; }
  // The nodes and f, f', f'' there, from the last Execute.
  const kaloREALVector& NodeX() const { return FNodeX; }
  const std::vector<TqorJet<Extended>>& NodeValues() const { return FNodeJets; }
  // Calls of the derivative function made by the last Execute.
  std::int64_t EvaluationCount() const { return FEvaluationCount; }

private:
  struct TCandidate;
  TqorJet<Extended> At(Extended x);
  void EvaluateNodes();
  std::vector<TCandidate> SignChanges(int Order) const;
  void FindExtrema();
  void FindInflections();
  void FindJumps();
  void FindGlobalExtremes();
  bool RefineZero(int Order, const TCandidate& c, TqorExtremumRow& Row);
  void LocateKink(const TCandidate& c, TqorExtremumRow& Row);
  Extended GoldenSection(Extended a, Extended b, bool Maximum, Extended Slope, TqorJet<Extended>& J);
  bool PoleAt(int Order, const TCandidate& c, const TqorJet<Extended>& At) const;
  bool MayJump(int Order, int Left, int Right) const;
  bool Probe(int Order, Extended a, Extended b, Extended& m, TqorJet<Extended>& J);
  static bool Significant(Extended ga, Extended gb, Extended Initial, Extended Ends);
  void NarrowJump(int Order, int Left, int Right);
  void KinkFromValues(Extended a, Extended b, const TqorJet<Extended>& AtA, const TqorJet<Extended>& AtB,
                      Extended Initial, Extended Ends);
  void AddRow(TqorExtremumRow Row);
  TqorExtremumRow NodeRow(int i) const;
  bool NearExtremum(Extended x) const;

  TqorDerivativeFunction FDerivatives;
  TqorDerivativePass FDerivativesPass;
  bool FNumerical = false;
  Extended FxMin = 0, FxMax = 0;
  int FTestCount = 0;
  Extended FAbsErrorBound = 0, FRelErrorBound = 0;
  bool FExtrema = false, FInflection = false;
  std::vector<TqorExtremumRow> FRows;
  kaloREALVector FNodeX;
  std::vector<TqorJet<Extended>> FNodeJets;
  std::int64_t FEvaluationCount = 0;
};
