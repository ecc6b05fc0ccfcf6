#pragma once
// The proof engine of kaloroots as a module (KaloRootsProveModule): the ball arithmetic
// and its libraries (Arb, FLINT, MPFR, GMP) are loaded only for a run whose task asks for
// a proof; the tests link the engine directly (KaloBallProof.h).

#include "KaloProvedRoots.h"

// The module's file lies beside the drawing module (KaloRootsDrawing.h); its one entry
// point runs ProveRootsWithBalls under a C name that fills Outcome.
inline constexpr const char* ProofModuleFileName = "kalorootsprove.so";
inline constexpr const char* ProofModuleEntry = "qorKaloRootsProve";
using TProofModuleEntry = void (*)(const TKaloProofRequest& Request, TKaloProofOutcome& Outcome);
