#include "KaloPersistentTypes.h"

const char* const TKaloPersistFunction::DefaultFunctionScript =
    "0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6";

QString TKaloPersistFunction::LuaText() const {
  if (!FSimpleScript) return FFunctionScript;
  return QStringLiteral("function fct(x) return (") + FFunctionScript + QStringLiteral("); end;");
}

// The default absolute bound is two machine epsilons: as tight as the solvers can
// meaningfully go.
TKaloPersistRootFinding::TKaloPersistRootFinding()
    : FRootFunction(std::make_unique<TKaloPersistFunction>()),
      FAbsErrorBound(2 * MachineEpsilon()) {}
