#include "qorKaloExtrema.h"

#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorKaloRootFinding.h"
#include "qorKaloZeroin.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

const char* const MethodExtremumZeroin = "Zeroin(f')";
const char* const MethodInflectionZeroin = "Zeroin(f'')";
const char* const MethodNode = "Stützstelle";
const char* const MethodKink = "Knick";
const char* const MethodBisection = "Bisektion";
const char* const RemarkNumerical = "numerisch";

const char* ExtremumKindText(TqorExtremumKind Kind) {
  switch (Kind) {
    case TqorExtremumKind::Maximum:
      return "Maximum";
    case TqorExtremumKind::Minimum:
      return "Minimum";
    case TqorExtremumKind::Inflection:
      return "Wendepunkt";
    case TqorExtremumKind::Saddle:
      return "Sattelpunkt";
    case TqorExtremumKind::GlobalMaximum:
      return "globales Maximum";
    case TqorExtremumKind::GlobalMinimum:
      return "globales Minimum";
    case TqorExtremumKind::Kink:
      return "Knick";
    case TqorExtremumKind::Jump:
      return "Sprungstelle";
  }
  return "";
}

namespace {
// Evaluations each Zeroin run may make, as in the root search.
constexpr int ZeroinBudget = 10000;
// A derivative at Zeroin's result is a root when it fell this far below its values at
// the bracket's ends: the root search's own test (see ResultKind there). Otherwise the
// derivative jumped across the bracket, or ran off to infinity.
constexpr Extended RootShrink = 1E-3L;
// Halvings of a pair of nodes that may hold a jump; 2^-100 of any spacing is below the
// resolution of Extended.
constexpr int BisectionSteps = 100;
// A pair is looked at for a jump of g when g changes by more than this share of what
// its derivative at the ends explains: across a jump the derivative explains nothing.
constexpr Extended JumpShare = 0.5L;
// Where the middle of a bracket has no value, the bracket is probed here instead.
constexpr Extended OffCentre = 0.375L;
// Golden-section steps that narrow a kink's bracket below the resolution of Extended.
constexpr int GoldenSteps = 120;
// A sign change of f'' counts only where f'' bends f noticeably over a node spacing: on
// a straight piece f'' is 0 up to rounding, and its noise changes sign at random.
constexpr Extended CurvatureFloor = 1E-6L;

// Derivative Order of a jet: 0 is f itself.
Extended Derivative(const TqorJet<Extended>& J, int Order) { return Order == 0 ? J.v : Order == 1 ? J.d1 : J.d2; }

int Sign(Extended v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }
bool HasValue(Extended v) { return std::isfinite(v); }

std::string Joined(const std::string& a, const std::string& b) { return a.empty() ? b : b.empty() ? a : a + "; " + b; }
}  // namespace

// A sign change of a derivative between the nodes Left and Right (both with a value, of
// opposite signs); the nodes between have the derivative 0 or none.
struct TqorExtremumFinder::TCandidate {
  int Left, Right;
};

TqorJet<Extended> TqorExtremumFinder::At(Extended x) {
  ++FEvaluationCount;
  TFloatEnvGuard guard;
  return FDerivatives(x);
}

void TqorExtremumFinder::EvaluateNodes() {
  const Extended h = NodeSpacing(FxMin, FxMax, FTestCount);
  FNodeX.resize(FTestCount);
  FNodeJets.resize(FTestCount);
  for (int i = 0; i < FTestCount; ++i) FNodeX[i] = NodeAt(i, h, FxMin);
  if (FDerivativesPass) {
    FEvaluationCount += FTestCount;
    TFloatEnvGuard guard;
    FDerivativesPass(FNodeX.data(), FNodeJets.data(), FTestCount);
    return;
  }
  for (int i = 0; i < FTestCount; ++i) FNodeJets[i] = At(FNodeX[i]);
}

std::vector<TqorExtremumFinder::TCandidate> TqorExtremumFinder::SignChanges(int Order) const {
  std::vector<TCandidate> found;
  int last = -1;  // the latest node with a value of the derivative that is not 0
  for (int i = 0; i < FTestCount; ++i) {
    const Extended d = Derivative(FNodeJets[i], Order);
    if (!HasValue(d) || d == 0) continue;
    if (last >= 0 && Sign(d) != Sign(Derivative(FNodeJets[last], Order))) found.push_back({last, i});
    last = i;
  }
  return found;
}

void TqorExtremumFinder::Execute() {
  FRows.clear();
  FEvaluationCount = 0;
  if (FTestCount < 2 || !FDerivatives) return;
  EvaluateNodes();
  if (FExtrema) FindExtrema();
  if (FInflection) FindInflections();
  if (FExtrema) FindJumps();
  std::stable_sort(FRows.begin(), FRows.end(),
                   [](const TqorExtremumRow& a, const TqorExtremumRow& b) { return a.x < b.x; });
  if (FExtrema) FindGlobalExtremes();
}

// Narrows the sign change c of derivative Order down to where it happens, into Row's x and
// values. True when the derivative has a root there; false when it jumps or has no value
// there (a kink), and also for a pole, which Row.Kind then does not matter for: the
// caller asks PoleAt.
bool TqorExtremumFinder::RefineZero(int Order, const TCandidate& c, TqorExtremumRow& Row) {
  const TqorJet<Extended>& left = FNodeJets[c.Left];
  const TqorJet<Extended>& right = FNodeJets[c.Right];
  if (c.Right - c.Left > 1) {
    // A node between has the derivative 0 (a zero found exactly) or none (a kink).
    const int middle = (c.Left + c.Right) / 2;
    const TqorJet<Extended>& at = FNodeJets[middle];
    Row.x = FNodeX[middle];
    Row.y = at.v, Row.d1 = at.d1, Row.d2 = at.d2;
    Row.Method = HasValue(Derivative(at, Order)) ? MethodNode : MethodKink;
    return HasValue(Derivative(at, Order));
  }
  const auto g = [this, Order](const Extended& x) {
    const Extended d = Derivative(At(x), Order);
    return std::isnan(d) ? Extended(0) : d;  // no value: Zeroin stops there, and the check below sees it
  };
  Extended abserr = FAbsErrorBound, relerr = FRelErrorBound, b = FNodeX[c.Right], gb = 0;
  int iter = 0;
  try {
    ClearFloatFaults();
    Zeroin(abserr, relerr, ZeroinBudget, g, std::string(), FNodeX[c.Left], b, gb, iter, TFctFaults::LeavesNonePending);
  } catch (const ECalculationAborted&) {
    throw;
  } catch (const Exception&) {
    ClearFloatFaults();  // a fault of the iteration: b is where it got to
  }
  const TqorJet<Extended> at = At(b);
  Row.x = b;
  Row.y = at.v, Row.d1 = at.d1, Row.d2 = at.d2;
  Row.IterCount = iter;
  Row.Method = Order == 1 ? MethodExtremumZeroin : MethodInflectionZeroin;
  const Extended d = Derivative(at, Order);
  return HasValue(d) &&
         std::fabs(d) <= RootShrink * (std::fabs(Derivative(left, Order)) + std::fabs(Derivative(right, Order)));
}

// True when derivative Order - 1 (f for an extremum, f' for an inflection point) runs off
// to infinity at x: beyond all that its values and slopes at the candidate's ends allow.
bool TqorExtremumFinder::PoleAt(int Order, const TCandidate& c, const TqorJet<Extended>& At) const {
  const Extended g = Derivative(At, Order - 1);
  if (!HasValue(g)) return true;
  const TqorJet<Extended>& left = FNodeJets[c.Left];
  const TqorJet<Extended>& right = FNodeJets[c.Right];
  const Extended bound = std::max(std::fabs(Derivative(left, Order - 1)), std::fabs(Derivative(right, Order - 1))) +
                         2 * std::fabs(FNodeX[c.Right] - FNodeX[c.Left]) *
                             (std::fabs(Derivative(left, Order)) + std::fabs(Derivative(right, Order)));
  return std::fabs(g) > bound;
}

// f' changes sign from + to - at a maximum. Where f'' is not 0 that is its sign; where
// it is 0 (x^4 at 0), the values beside the extremum decide, and they are what the
// direction of the sign change says.
void TqorExtremumFinder::FindExtrema() {
  for (const TCandidate& c : SignChanges(1)) {
    TqorExtremumRow row;
    const bool smooth = RefineZero(1, c, row);
    if (!smooth && PoleAt(1, c, {row.y, row.d1, row.d2})) continue;
    row.Kind = FNodeJets[c.Left].d1 > 0 ? TqorExtremumKind::Maximum : TqorExtremumKind::Minimum;
    if (!smooth) {
      LocateKink(c, row);
      row.Method = MethodKink;
      row.d1 = row.d2 = qorJet::NoValue<Extended>;
      row.Remark = "Knick: f' hat hier keinen Wert";
    }
    AddRow(std::move(row));
  }
}

// Where f' jumps in sign, Zeroin stops anywhere f' has no value; differences have none
// in a whole neighbourhood of the kink. The extremum of f itself is narrowed down
// instead, on the candidate's nodes: f rises (falls) on both sides.
void TqorExtremumFinder::LocateKink(const TCandidate& c, TqorExtremumRow& Row) {
  const bool maximum = Row.Kind == TqorExtremumKind::Maximum;
  TqorJet<Extended> at;
  const Extended x = GoldenSection(FNodeX[c.Left], FNodeX[c.Right], maximum, 0, at);
  // Zeroin's end may have hit the kink itself, as it does where f' is exact.
  if (HasValue(Row.y) && (maximum ? Row.y >= at.v : Row.y <= at.v)) return;
  Row.x = x;
  Row.y = at.v;
}

// Golden section for the largest (Maximum) or smallest value of f(x) - Slope * (x - a)
// on [a, b]; J gets f's jet at the place returned.
Extended TqorExtremumFinder::GoldenSection(Extended a, Extended b, bool Maximum, Extended Slope, TqorJet<Extended>& J) {
  const Extended origin = a;
  const auto value = [&](Extended x, TqorJet<Extended>& Jet) {
    Jet = At(x);
    const Extended tilted = Jet.v - Slope * (x - origin);
    return Maximum ? -tilted : tilted;
  };
  constexpr Extended Ratio = 0.6180339887498948482L;
  TqorJet<Extended> jetP, jetQ;
  Extended p = b - Ratio * (b - a), q = a + Ratio * (b - a);
  Extended fp = value(p, jetP), fq = value(q, jetQ);
  for (int step = 0; step < GoldenSteps && p != q; ++step) {
    if (fp <= fq) {
      b = q, q = p, fq = fp, jetQ = jetP;
      p = b - Ratio * (b - a);
      fp = value(p, jetP);
    } else {
      a = p, p = q, fp = fq, jetP = jetQ;
      q = a + Ratio * (b - a);
      fq = value(q, jetQ);
    }
  }
  J = fp <= fq ? jetP : jetQ;
  return fp <= fq ? p : q;
}

// A sign change of f'' next to an extremum belongs to that extremum (a flat one, or the
// rounding of f'' around it), not to an inflection point.
void TqorExtremumFinder::FindInflections() {
  const Extended spacing = std::fabs(NodeSpacing(FxMin, FxMax, FTestCount));
  for (const TCandidate& c : SignChanges(2)) {
    const TqorJet<Extended>& left = FNodeJets[c.Left];
    const TqorJet<Extended>& right = FNodeJets[c.Right];
    if (std::max(std::fabs(left.d2), std::fabs(right.d2)) * spacing <=
        CurvatureFloor * std::max(std::fabs(left.d1), std::fabs(right.d1)))
      continue;
    TqorExtremumRow row;
    const bool smooth = RefineZero(2, c, row);
    if (!smooth && PoleAt(2, c, {row.y, row.d1, row.d2})) continue;
    if (NearExtremum(row.x)) continue;
    const Extended slopes = std::fabs(FNodeJets[c.Left].d1) + std::fabs(FNodeJets[c.Right].d1);
    const bool flat = HasValue(row.d1) && std::fabs(row.d1) <= RootShrink * slopes;
    row.Kind = flat ? TqorExtremumKind::Saddle : TqorExtremumKind::Inflection;
    if (!smooth) {
      row.Method = MethodKink;
      row.d2 = qorJet::NoValue<Extended>;
      row.Remark = "f'' hat hier keinen Wert";
    }
    AddRow(std::move(row));
  }
}

bool TqorExtremumFinder::NearExtremum(Extended x) const {
  const Extended spacing = std::fabs(NodeSpacing(FxMin, FxMax, FTestCount));
  return std::any_of(FRows.begin(), FRows.end(), [&](const TqorExtremumRow& r) {
    return (r.Kind == TqorExtremumKind::Maximum || r.Kind == TqorExtremumKind::Minimum) && std::fabs(r.x - x) < spacing;
  });
}

void TqorExtremumFinder::AddRow(TqorExtremumRow Row) {
  if (FNumerical) Row.Remark = Joined(Row.Remark, RemarkNumerical);
  FRows.push_back(std::move(Row));
}

namespace {
std::string ValueText(Extended Value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::general, 8);
  return std::string(buffer, result.ptr);
}
}  // namespace

// True when derivative Order changes between the nodes Left and Right by far more than
// the next derivative at the two nodes explains (the trapezoid rule), or that has none.
bool TqorExtremumFinder::MayJump(int Order, int Left, int Right) const {
  const TqorJet<Extended>& a = FNodeJets[Left];
  const TqorJet<Extended>& b = FNodeJets[Right];
  const Extended ga = Derivative(a, Order), gb = Derivative(b, Order);
  const Extended sa = Derivative(a, Order + 1), sb = Derivative(b, Order + 1);
  if (!HasValue(sa) || !HasValue(sb)) return true;
  const Extended h = FNodeX[Right] - FNodeX[Left];
  const Extended change = gb - ga, explained = h * (sa + sb) / 2;
  return std::fabs(change - explained) > JumpShare * (std::fabs(change) + std::fabs(explained));
}

// A point of [a, b] where derivative Order has a value, into m and J: the middle or, where
// the middle has none (a kink or gap of f exactly there), a point beside it. False when
// neither has one; J is then the latter's.
bool TqorExtremumFinder::Probe(int Order, Extended a, Extended b, Extended& m, TqorJet<Extended>& J) {
  for (const Extended share : {Extended(0.5L), OffCentre}) {
    m = a + (b - a) * share;
    J = At(m);
    if (HasValue(Derivative(J, Order))) return true;
  }
  return false;
}

// A change from ga to gb is a jump when it kept its size as the bracket shrank from the
// change Initial, stands out against the values, and the values did not outgrow the
// larger one at the nodes, Ends, as they do at a pole.
bool TqorExtremumFinder::Significant(Extended ga, Extended gb, Extended Initial, Extended Ends) {
  const Extended jump = std::fabs(gb - ga), larger = std::max(std::fabs(ga), std::fabs(gb));
  return jump > RootShrink * Initial && jump > RootShrink * larger && larger <= 2 * Ends;
}

// Halves [FNodeX[Left], FNodeX[Right]] towards the half where derivative Order changes
// most. A jump keeps its size however narrow the bracket gets; a steep but continuous
// change shrinks with it. A pole, where the values outgrow those at the nodes, is left
// to the roots table.
void TqorExtremumFinder::NarrowJump(int Order, int Left, int Right) {
  Extended a = FNodeX[Left], b = FNodeX[Right];
  TqorJet<Extended> atA = FNodeJets[Left], atB = FNodeJets[Right];
  Extended ga = Derivative(atA, Order), gb = Derivative(atB, Order);
  const Extended initial = std::fabs(gb - ga), ends = std::max(std::fabs(ga), std::fabs(gb));
  for (int step = 0; step < BisectionSteps; ++step) {
    const Extended middle = a + (b - a) / 2;
    if (middle == a || middle == b) break;
    Extended m;
    TqorJet<Extended> at;
    if (!Probe(Order, a, b, m, at)) {
      if (Order == 1 && HasValue(at.v)) KinkFromValues(a, b, atA, atB, initial, ends);
      return;
    }
    const Extended gm = Derivative(at, Order);
    if (std::fabs(gm - ga) >= std::fabs(gb - gm)) {
      b = m, gb = gm, atB = at;
    } else {
      a = m, ga = gm, atA = at;
    }
  }
  if (!Significant(ga, gb, initial, ends)) return;
  TqorExtremumRow row;
  row.Kind = Order == 0 ? TqorExtremumKind::Jump : TqorExtremumKind::Kink;
  row.x = b;
  row.y = atB.v;
  row.d1 = qorJet::NoValue<Extended>;
  row.d2 = qorJet::NoValue<Extended>;
  row.Method = MethodBisection;
  row.Remark = std::string(Order == 0 ? "f" : "f'") + " springt von " + ValueText(ga) + " auf " + ValueText(gb);
  AddRow(std::move(row));
}

// f' has no value anywhere near its jump inside [a, b], as with differences of f, whose
// steps cross the kink: f, tilted by the mean of the slopes at a and b, turns at the kink,
// and that is narrowed down on f's values. The slopes beside the kink are those at a and
// b carried there by f''.
void TqorExtremumFinder::KinkFromValues(Extended a, Extended b, const TqorJet<Extended>& AtA,
                                        const TqorJet<Extended>& AtB, Extended Initial, Extended Ends) {
  TqorJet<Extended> at;
  const Extended x = GoldenSection(a, b, AtA.d1 > AtB.d1, (AtA.d1 + AtB.d1) / 2, at);
  const auto carried = [x](const TqorJet<Extended>& J, Extended From) {
    return J.d1 + (HasValue(J.d2) ? J.d2 * (x - From) : 0);
  };
  const Extended ga = carried(AtA, a), gb = carried(AtB, b);
  if (!HasValue(at.v) || !Significant(ga, gb, Initial, Ends)) return;
  TqorExtremumRow row;
  row.Kind = TqorExtremumKind::Kink;
  row.x = x;
  row.y = at.v;
  row.d1 = qorJet::NoValue<Extended>;
  row.d2 = qorJet::NoValue<Extended>;
  row.Method = MethodKink;
  row.Remark = "f' springt von " + ValueText(ga) + " auf " + ValueText(gb);
  AddRow(std::move(row));
}

// Jumps of f, then kinks where f' jumps without changing sign (a kink with a sign change
// is an extremum already). Neighbours are the nodes where f and the derivative have a
// value: a node on the jump itself has none, its neighbours show it.
void TqorExtremumFinder::FindJumps() {
  for (const int order : {0, 1}) {
    std::vector<Extended> found;
    for (const TqorExtremumRow& r : FRows) found.push_back(r.x);
    std::sort(found.begin(), found.end());
    const auto rowBetween = [&found](Extended a, Extended b) {
      const auto first = std::lower_bound(found.begin(), found.end(), std::min(a, b));
      return first != found.end() && *first <= std::max(a, b);
    };
    int last = -1;
    for (int i = 0; i < FTestCount; ++i) {
      if (!HasValue(FNodeJets[i].v) || !HasValue(Derivative(FNodeJets[i], order))) continue;
      if (last >= 0 && !rowBetween(FNodeX[last], FNodeX[i]) && MayJump(order, last, i)) NarrowJump(order, last, i);
      last = i;
    }
  }
}

// Over the nodes (the ends among them) and the extrema found between them; the first
// of equal values.
void TqorExtremumFinder::FindGlobalExtremes() {
  int largestNode = -1, smallestNode = -1;
  for (int i = 0; i < FTestCount; ++i) {
    const Extended y = FNodeJets[i].v;
    if (!HasValue(y)) continue;
    if (largestNode < 0 || y > FNodeJets[largestNode].v) largestNode = i;
    if (smallestNode < 0 || y < FNodeJets[smallestNode].v) smallestNode = i;
  }
  if (largestNode < 0) return;
  TqorExtremumRow largest = NodeRow(largestNode), smallest = NodeRow(smallestNode);
  for (const TqorExtremumRow& r : FRows) {
    if (r.Kind != TqorExtremumKind::Maximum && r.Kind != TqorExtremumKind::Minimum) continue;
    if (HasValue(r.y) && r.y > largest.y) largest = r;
    if (HasValue(r.y) && r.y < smallest.y) smallest = r;
  }
  largest.Kind = TqorExtremumKind::GlobalMaximum;
  smallest.Kind = TqorExtremumKind::GlobalMinimum;
  for (TqorExtremumRow* r : {&largest, &smallest}) {
    if (r->Method != MethodNode) r->Remark.clear();  // AddRow says "numerisch" again
    AddRow(std::move(*r));
  }
}

TqorExtremumRow TqorExtremumFinder::NodeRow(int i) const {
  TqorExtremumRow row;
  const TqorJet<Extended>& j = FNodeJets[i];
  row.x = FNodeX[i], row.y = j.v, row.d1 = j.d1, row.d2 = j.d2;
  row.Method = MethodNode;
  if (i == 0 || i == FTestCount - 1) row.Remark = "Rand des Bereichs";
  return row;
}
