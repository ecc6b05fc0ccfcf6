#include "ScriptUtil.h"

#include "LuaLib.h"
#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorLuaDerivatives.h"
#include "qorLuaExpression.h"
#include "qorLuaOperations.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

namespace {

// Width the names are padded to, so that the "=" signs line up.
constexpr int PreludeNameWidth = 5;

}  // namespace

QString MathPrelude() {
  QStringList lines;
  for (std::string_view name : qorPreludeNames()) {
    const QString text = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    lines << text.leftJustified(PreludeNameWidth) + " = math." + text + ";";
  }
  return lines.join("\r\n");
}

namespace {
// What running the prelude does, line by line: global name := math.name.
int BindPreludeNames(lua_State* L) {
  LuaLib::lua_getglobal(L, "math");
  for (std::string_view name : qorPreludeNames()) {
    const std::string text(name);
    LuaLib::lua_getfield(L, -1, text.c_str());
    LuaLib::lua_setfield(L, LUA_GLOBALSINDEX, text.c_str());
  }
  return 0;
}
}  // namespace

// The prelude's names are bound through the C API: compiling the prelude took longer
// than the rest of a small calculation.
TScriptFunction::TScriptFunction(const QString& LuaLibFileName) : TqorScriptLua(LuaLibFileName) {}

void TScriptFunction::OpenLibraries() { RunInPlaceOfScript(BindPreludeNames, MathPrelude); }

QString ExpressionScript(const QString& Expression) {
  return QStringLiteral("function fct(x) return (") + Expression + QStringLiteral("); end;");
}

TScriptFunction::~TScriptFunction() = default;

// An expression computed in place is one Lua compiles without complaint, so Lua need
// not compile it; every other text goes to Lua, with Lua's verdict and messages.
void TScriptFunction::LoadExpression(const QString& Expression) {
  SetExpression(Expression.size() <= MaxInPlaceExpressionLength ? TqorLuaExpression::Compile(Expression.toStdString())
                                                                : nullptr);
  if (FExpression) return;
  LoadScriptFromString(ExpressionScript(Expression));
  PrepareFunction(QStringLiteral("fct"));
}

void TScriptFunction::ScriptReplaced() { SetExpression(nullptr); }

void TScriptFunction::SetExpression(std::unique_ptr<TqorLuaExpression> Expression) {
  FExpression = std::move(Expression);
  FSseOnlyExpression = FExpression && FExpression->UsesSseOnly() ? FExpression.get() : nullptr;
}

// Without Lua there is no count hook: the watcher looks in between blocks of nodes, and
// every so many single evaluations, which keeps the look's cost out of sight.
namespace {
constexpr int InPlaceBlock = 4096;
}  // namespace

namespace {
// f at X[0] to X[N - 1] into Y through a buffer of doubles, a piece at a time.
void EvaluateInPlace(const TqorLuaExpression& f, const Extended* X, Extended* Y, int N) {
  constexpr int Piece = 256;
  double x[Piece], y[Piece];
  TFloatEnvGuard guard;  // as around Lua: its faults are its results, not the host's
  for (int first = 0; first < N; first += Piece) {
    const int n = std::min(Piece, N - first);
    for (int i = 0; i < n; ++i) x[i] = static_cast<double>(X[first + i]);
    f.Evaluate(x, y, n);
    for (int i = 0; i < n; ++i) Y[first + i] = y[i];
  }
}
}  // namespace

void TScriptFunction::fctPass(const Extended* X, Extended* Y, int N, std::int64_t& Calls) {
  if (!FExpression) return TqorScriptLua::fctPass(X, Y, N, Calls, std::numeric_limits<Extended>::infinity());
  const TqorLuaExpression& f = *FExpression;
  for (int first = 0; first < N; first += InPlaceBlock) {
    WatchWithoutLua(first);
    const int last = std::min(N, first + InPlaceBlock);
    EvaluateInPlace(f, X + first, Y + first, last - first);
    Calls += last - first;
  }
}

Extended TScriptFunction::fctRaising(Extended x) {
  if (FExpression) return fct(x);  // never fails
  return TqorScriptLua::fct(x);
}

double TScriptFunction::EvaluateSseOnly(double x) const {
  TSseEnvGuard guard;
  return (*FSseOnlyExpression)(x);
}

Extended TScriptFunction::fctOtherwise(const Extended& x) {
  if (FExpression) {
    if (FCallsBeforeWatch == 0) {
      FCallsBeforeWatch = InPlaceWatchEvery;
      WatchWithoutLua(0);
    }
    --FCallsBeforeWatch;
    if (SseOnlyAt(x)) return EvaluateSseOnly(static_cast<double>(x));
    TFloatEnvGuard guard;
    return (*FExpression)(static_cast<double>(x));
  }
  try {
    return TqorScriptLua::fct(x);
  } catch (const ECalculationAborted&) {
    throw;
  } catch (const Exception&) {
    return std::numeric_limits<Extended>::infinity();
  }
}

TqorJet<Extended> TScriptFunction::ExactDerivatives(const Extended& x) const {
  TqorJetArithmetic arithmetic{static_cast<double>(x)};
  TqorJet<double> stack[qorMaxStack];
  const TqorJet<double>& r = FExpression->Evaluate(arithmetic, stack);
  return {r.v, r.d1, r.d2};
}
