#include "qorProvedRoots.h"

#include "qorProvedRefine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

const char* const ReasonUnbounded = "f ist hier nicht beschränkt (Polstelle oder Sprung?)";
const char* const ReasonMultiple = "f und f' schließen hier 0 ein (mehrfache oder eng benachbarte Nullstellen?)";
const char* const ReasonImprecise = "f lässt sich hier nicht genau genug berechnen";
const char* const ReasonExactZero = "f(%1) = 0 genau, aber ob die Nullstelle einfach ist, bleibt offen";
const char* const ReasonEvaluations = "Grenze von %1 Auswertungen erreicht";
const char* const ReasonTime = "Zeitlimit überschritten";

namespace {

// Bits the blocks are evaluated with: their width, not the precision, limits the
// ball's width, so a little more than a double suffices.
constexpr slong SearchPrec = 64;
// Where a point's sign is not decided at SearchPrec, it is tried again with four times
// the bits, up to this many, before the search moves the point.
constexpr slong PointPrecMax = 1024;
// Where a subdivision point falls on or next to a root, the block is split at one of
// these shares of its width instead of the middle: a root at the middle would otherwise
// sit on the border of two blocks, and neither of them could prove it.
constexpr double SplitShares[] = {0.5, 7.0 / 16, 9.0 / 16, 3.0 / 8, 5.0 / 8, 1.0 / 4, 3.0 / 4};

std::string Replace1(const char* Pattern, const std::string& Value) {
  std::string s = Pattern;
  const std::size_t at = s.find("%1");
  return at == std::string::npos ? s : s.replace(at, 2, Value);
}

std::string ShortNumber(double x) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15g", x);
  return buffer;
}

void AddReason(std::string& Reasons, const std::string& Reason) {
  if (Reason.empty() || Reasons.find(Reason) != std::string::npos) return;
  Reasons += Reasons.empty() ? Reason : "; " + Reason;
}

// What a block that is not split any further holds.
enum class TLeafKind {
  NoRoot,       // no root
  OneRoot,      // exactly one, inside: f changes sign and is monotone
  NoOtherRoot,  // an end is an exact zero and f is monotone: no root besides that end
  Undecided,
};

struct TBlock {
  double a, b;
  TSign sa, sb;  // f's sign at a and at b
  int Depth;
};

struct TLeaf {
  double a, b;
  TSign sa, sb;
  TLeafKind Kind;
  std::string Reason;  // Undecided: why
};

// The search itself: blocks are worked from left to right (a stack, left half on
// top), so the leaves come out in the order of x and neighbours meet in the list.
class TSearch {
public:
  TSearch(const TqorBallSeries& f, const TqorProvedSettings& Settings)
      : FSettings(Settings), FFunction(f, FEvaluations) {}

  TqorProvedResult Run() {
    FStarted = std::chrono::steady_clock::now();
    std::vector<TBlock> stack = {{FSettings.xMin, FSettings.xMax, FFunction.SignAt(FSettings.xMin, PointPrecMax),
                                  FFunction.SignAt(FSettings.xMax, PointPrecMax), 0}};
    while (!stack.empty()) {
      const TBlock block = stack.back();
      stack.pop_back();
      if (FSettings.Check) FSettings.Check();
      Work(block, stack);
    }
    TqorProvedResult result;
    result.Blocks = Rows();
    result.Evaluations = FEvaluations;
    return result;
  }

private:
  struct TDecision {
    std::optional<TLeafKind> Kind;  // nothing: split the block
    bool Bounded = true;            // f's ball over the block is finite
  };

  void Work(const TBlock& Block, std::vector<TBlock>& Stack) {
    if (const std::string limit = LimitReason(); !limit.empty()) return Leaf(Block, TLeafKind::Undecided, limit);
    const TDecision decision = Decide(Block);
    if (decision.Kind) return Leaf(Block, *decision.Kind, {});
    const std::optional<double> m = Block.Depth < FSettings.MaxDepth ? SplitPoint(Block) : std::nullopt;
    if (!m) return Leaf(Block, TLeafKind::Undecided, UndecidedReason(Block, decision));
    const TSign sm = FFunction.SignAt(*m, PointPrecMax);
    Stack.push_back({*m, Block.b, sm, Block.sb, Block.Depth + 1});
    Stack.push_back({Block.a, *m, Block.sa, sm, Block.Depth + 1});
  }

  // A block is decided by its ball of f (excludes 0: no root), or by f' excluding 0,
  // which makes f strictly monotone there: then the signs at the ends tell whether it
  // holds one root or none, and an end where f is exactly 0 is its only root.
  TDecision Decide(const TBlock& Block) {
    TqorArbVector f(2);
    FFunction.Over(f.get(), Block.a, Block.b, 1);
    if (!arb_is_finite(f[0])) return {std::nullopt, false};
    if (!arb_contains_zero(f[0])) return {TLeafKind::NoRoot};
    if (Block.sa == TSign::Unknown || Block.sb == TSign::Unknown) return {};
    FFunction.Over(f.get(), Block.a, Block.b, 2);
    if (!arb_is_finite(f[1]) || arb_contains_zero(f[1])) return {};
    if (Block.sa == TSign::Zero || Block.sb == TSign::Zero) return {TLeafKind::NoOtherRoot};
    return {Block.sa != Block.sb ? TLeafKind::OneRoot : TLeafKind::NoRoot};
  }

  std::string UndecidedReason(const TBlock& Block, const TDecision& Decision) const {
    if (!Decision.Bounded) return ReasonUnbounded;
    if (Block.sa == TSign::Unknown || Block.sb == TSign::Unknown) return ReasonImprecise;
    return ReasonMultiple;
  }

  // The point to split Block at: its middle, or a point nearby where f's sign is
  // decided (or f is exactly 0); nothing when no double lies between the ends.
  std::optional<double> SplitPoint(const TBlock& Block) {
    const double a = Block.a, b = Block.b;
    std::optional<double> middle;
    for (const double share : SplitShares) {
      double p = a + share * (b - a);
      if (!std::isfinite(p)) p = a * (1 - share) + b * share;  // b - a beyond the doubles
      if (!(a < p && p < b)) continue;
      if (!middle) middle = p;
      if (FFunction.SignAt(p, PointPrecMax) != TSign::Unknown) return p;
    }
    return middle;
  }

  std::string LimitReason() const {
    if (FEvaluations >= FSettings.MaxEvaluations)
      return Replace1(ReasonEvaluations, std::to_string(FSettings.MaxEvaluations));
    if (std::chrono::steady_clock::now() - FStarted > FSettings.TimeBudget) return ReasonTime;
    return {};
  }

  void Leaf(const TBlock& Block, TLeafKind Kind, std::string Reason) {
    FLeaves.push_back({Block.a, Block.b, Block.sa, Block.sb, Kind, std::move(Reason)});
    if (Kind != TLeafKind::Undecided) ReportProgress(Block);
  }

  void ReportProgress(const TBlock& Block) {
    if (!FSettings.Progress) return;
    FDecidedWidth += Block.b - Block.a;
    const int percent = static_cast<int>(100 * (FDecidedWidth / (FSettings.xMax - FSettings.xMin)));
    if (percent == FPercent) return;
    FPercent = percent;
    FSettings.Progress(percent);
  }

  // ---- the rows, from the leaves -------------------------------------------------

  std::vector<TqorProvedBlock> Rows() {
    for (std::size_t i = 0; i < FLeaves.size(); ++i) {
      const TLeaf& leaf = FLeaves[i];
      if (i == 0 && leaf.sa == TSign::Zero) Point(leaf.a, nullptr, &leaf);
      if (leaf.Kind == TLeafKind::Undecided) {
        Undecided(leaf.a, leaf.b, leaf.Reason);
      } else {
        CloseUndecided();
        if (leaf.Kind == TLeafKind::OneRoot) FRows.push_back(Root(leaf));
      }
      if (leaf.sb == TSign::Zero) Point(leaf.b, &leaf, i + 1 < FLeaves.size() ? &FLeaves[i + 1] : nullptr);
    }
    CloseUndecided();
    return std::move(FRows);
  }

  // An exact zero at p, between the leaves Left and Right (none at a range end): a
  // proved root when f is monotone on both sides, else part of the undecided region.
  void Point(double p, const TLeaf* Left, const TLeaf* Right) {
    const auto undecided = [](const TLeaf* leaf) { return leaf && leaf->Kind == TLeafKind::Undecided; };
    if (undecided(Left) || undecided(Right)) return Undecided(p, p, Replace1(ReasonExactZero, ShortNumber(p)));
    CloseUndecided();
    const auto monotone = [](const TLeaf* leaf) { return leaf && leaf->Kind == TLeafKind::NoOtherRoot; };
    TqorProvedBlock row;
    row.Kind = TqorProvedKind::Root;
    row.Lo = monotone(Left) ? Left->a : p;
    row.Hi = monotone(Right) ? Right->b : p;
    row.x = p;
    row.Decided = true;
    if (FSettings.Digits > 0) row.Digits = ExactText(p, FSettings.Digits);
    FRows.push_back(row);
  }

  TqorProvedBlock Root(const TLeaf& Leaf) {
    TqorProvedBlock row = RefineRoot(FFunction, Leaf.a, Leaf.b, Leaf.sa, FSettings.Digits);
    row.Kind = TqorProvedKind::Root;
    row.Lo = Leaf.a;
    row.Hi = Leaf.b;
    return row;
  }

  // Extends the open undecided region by [Lo, Hi] when they meet, else opens one.
  void Undecided(double Lo, double Hi, const std::string& Reason) {
    if (!FOpen || FRun.Hi != Lo) {
      CloseUndecided();
      FRun = TqorProvedBlock();
      FRun.Lo = Lo;
      FOpen = true;
    }
    FRun.Hi = Hi;
    AddReason(FRun.Reason, Reason);
  }

  void CloseUndecided() {
    if (FOpen) FRows.push_back(FRun);
    FOpen = false;
  }

  const TqorProvedSettings& FSettings;
  std::int64_t FEvaluations = 0;
  TqorCountedSeries FFunction;
  std::chrono::steady_clock::time_point FStarted;
  double FDecidedWidth = 0;
  int FPercent = -1;
  std::vector<TLeaf> FLeaves;
  std::vector<TqorProvedBlock> FRows;
  TqorProvedBlock FRun;  // the undecided region being gathered
  bool FOpen = false;
};

}  // namespace

TqorProvedResult FindProvedRoots(const TqorBallSeries& f, const TqorProvedSettings& Settings) {
  return TSearch(f, Settings).Run();
}
