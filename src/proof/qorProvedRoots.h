#pragma once
// Proved root search: every root of f in [xMin, xMax], and proof that there is no
// other. f is given over balls (TqorBallSeries); over a block [a, b] of x values the
// ball f([a, b]) surely holds every value, so a block whose ball excludes 0 surely
// holds no root, and a block where f changes sign while f'([a, b]) excludes 0 surely
// holds exactly one. Blocks that are neither are split until they are, or until a
// limit is reached; what is left then is reported as undecided, never as proved.
// A subdivision point where f is exactly 0 is itself a proof of a root there.

#include "qorArb.h"
#include "qorProofDigits.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// f over a ball: for every x in the ball X, its Taylor coefficients f(x), f'(x),
// f''(x)/2, ... (Order of them, Order >= 1) into Out, computed at Prec bits. Where f is
// undefined or not analytic somewhere in X, the coefficients concerned are indeterminate
// balls (arb_indeterminate), never a ball that misses a value. Must not throw.
using TqorBallSeries = std::function<void(arb_ptr Out, arb_srcptr X, slong Order, slong Prec)>;

enum class TqorProvedKind {
  Root,       // exactly one root in [Lo, Hi]
  Undecided,  // the region could not be decided: it may hold roots or not
};

// One row of the result, in the order of x.
struct TqorProvedBlock {
  TqorProvedKind Kind = TqorProvedKind::Undecided;
  double Lo = 0, Hi = 0;
  // Root: the double nearest to the root when the enclosure decides it (Decided), else
  // the middle of the enclosure; Width is the enclosure's width (0 for an exact zero).
  double x = 0;
  bool Decided = false;
  double Width = 0;
  double y = 0;  // f(x), the middle of its ball
  // Root with Digits asked for: the root as "[digits +/- radius]".
  std::string Digits;
  // Undecided: why, as far as it is known; several reasons joined by "; ".
  std::string Reason;
};

// Why a region stays undecided.
extern const char* const ReasonUnbounded;  // "f ist hier nicht beschränkt (Polstelle oder Sprung?)"
extern const char* const
    ReasonMultiple;  // "f und f' schließen hier 0 ein (mehrfache oder eng benachbarte Nullstellen?)"
extern const char* const ReasonImprecise;    // "f lässt sich hier nicht genau genug berechnen"
extern const char* const ReasonExactZero;    // "f(%1) = 0 genau, aber ob die Nullstelle einfach ist, bleibt offen"
extern const char* const ReasonEvaluations;  // "Grenze von %1 Auswertungen erreicht"
extern const char* const ReasonTime;         // "Zeitlimit überschritten"

struct TqorProvedSettings {
  double xMin = 0, xMax = 0;
  int Digits = 0;  // 0: the nearest double only; up to MaxProofDigits
  // Blocks are halved at most this often: a range of doubles has no finer blocks to
  // tell apart, and a double root or a pole is not decided by going deeper.
  int MaxDepth = 60;
  std::int64_t MaxEvaluations = 2'000'000;
  std::chrono::steady_clock::duration TimeBudget = std::chrono::seconds(10);
  // Called before every block; may throw to stop the search (cancel).
  std::function<void()> Check;
  // Told the share of the range decided so far, in percent.
  std::function<void(int Percent)> Progress;
};

struct TqorProvedResult {
  std::vector<TqorProvedBlock> Blocks;  // proved roots and undecided regions; the rest holds no root
  std::int64_t Evaluations = 0;         // calls of f, each over one ball
};

// The proved search of f on [Settings.xMin, Settings.xMax] (xMin < xMax, both finite).
TqorProvedResult FindProvedRoots(const TqorBallSeries& f, const TqorProvedSettings& Settings);
