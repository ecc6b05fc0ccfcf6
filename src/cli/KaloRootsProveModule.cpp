// The proof engine of kaloroots as the module the program loads for a run that proves.
#include "KaloBallProof.h"
#include "KaloRootsProof.h"

#include <QtGlobal>

#include <type_traits>

extern "C" Q_DECL_EXPORT void qorKaloRootsProve(const TKaloProofRequest& Request, TKaloProofOutcome& Outcome) {
  static_assert(std::is_same_v<decltype(&qorKaloRootsProve), TProofModuleEntry>);
  Outcome = ProveRootsWithBalls(Request);
}
