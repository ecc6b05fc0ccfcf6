#pragma once
// The proof engine of the root calculation: the proved search over Arb balls
// (qorProvedRoots) with its outcome as rows of the roots table. It brings Arb, FLINT,
// MPFR and GMP, so the batch program has it in a module it loads only for a proof.

#include "KaloProvedRoots.h"

// Runs the proved search Request asks for (see ProveRoots).
TKaloProofOutcome ProveRootsWithBalls(const TKaloProofRequest& Request);

// Makes ProveRootsWithBalls the process's proof engine.
void UseBallProof();
