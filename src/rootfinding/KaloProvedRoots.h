#pragma once
// The proved search of a task's function as rows of the roots table, beside the rows
// of the sampling search: each proved root ("Bewiesen"), each region the proof could
// not decide ("Nicht entschieden"), and one row for the rest of the range, which the
// proof shows to be free of roots. Only a simple expression that compiles without Lua
// can be proved; any other function gets a note and no rows.
//
// The proof itself is an engine the program sets once at its start (KaloBallProof.h),
// so that a program that links this library need not bring the ball arithmetic and its
// libraries along until a task asks for a proof.

#include "qorKaloBase.h"
#include "qorKaloRootFinding.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

// Why a function gets no proof.
extern const char* const MsgProofNeedsExpression;
// Why a calculation gets no proof in a program that has no proof engine.
extern const char* const MsgProofUnavailable;
// The message of the row for the rest of the range.
extern const char* const MsgProvedRest;  // "Im übrigen Bereich hat f bewiesen keine Nullstelle."

struct TKaloProofRequest {
  QString FunctionText;
  bool SimpleScript = true;
  Extended xMin = 0, xMax = 0;
  int Digits = 0;  // 0: each root as the nearest double
  std::chrono::milliseconds Budget{0};
  std::function<void()> Check;  // may throw to stop (cancel)
  std::function<void(int Percent)> Progress;
};

struct TKaloProofOutcome {
  std::vector<TqorRootIntervalCommon> Rows;  // in the order of x, then the row for the rest
  std::int64_t Evaluations = 0;
  QString Note;  // MsgProofNeedsExpression or MsgProofUnavailable when there is no proof
};

using TKaloProofEngine = std::function<TKaloProofOutcome(const TKaloProofRequest&)>;

// Makes Engine the one ProveRoots asks; an empty one leaves the process without proof.
// Set before any calculation starts: the calculations of other threads read it unguarded.
void SetProofEngine(TKaloProofEngine Engine);
bool HasProofEngine();

// Runs the proved search Request asks for with the process's engine, or gives the note
// MsgProofUnavailable and no rows when there is none.
TKaloProofOutcome ProveRoots(const TKaloProofRequest& Request);
