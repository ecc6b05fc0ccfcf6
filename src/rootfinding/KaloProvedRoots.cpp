#include "KaloProvedRoots.h"

#include <utility>

const char* const MsgProofNeedsExpression =
    "Ein Beweis ist nur für einfache Ausdrücke in x möglich (Zahlen, x, Rechenzeichen und die Funktionen der "
    "Lua-Mathematikbibliothek), nicht für ein Lua-Script; die Nullstellen sind ohne Beweis gesucht.";
const char* const MsgProofUnavailable =
    "Der Beweis ist nicht verfügbar: dieses Programm enthält kein Beweisverfahren; die Nullstellen sind ohne "
    "Beweis gesucht.";
const char* const MsgProvedRest = "Im übrigen Bereich hat f bewiesen keine Nullstelle.";

namespace {
TKaloProofEngine& ProcessEngine() {
  static TKaloProofEngine engine;
  return engine;
}
}  // namespace

void SetProofEngine(TKaloProofEngine Engine) { ProcessEngine() = std::move(Engine); }

bool HasProofEngine() { return static_cast<bool>(ProcessEngine()); }

TKaloProofOutcome ProveRoots(const TKaloProofRequest& Request) {
  if (const TKaloProofEngine& engine = ProcessEngine()) return engine(Request);
  TKaloProofOutcome outcome;
  outcome.Note = QString::fromUtf8(MsgProofUnavailable);
  return outcome;
}
