#pragma once
// The user's function f(x) as the numerics see it: a script host whose state carries
// the base and math libraries and a prelude that binds the usual mathematical
// functions to their short names (sin(x) instead of math.sin(x)).

#include "qorKaloJet.h"
#include "qorScriptLua.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

class TqorLuaExpression;

// The prelude: one line "name = math.name;" per short name (the name padded to five
// characters), lines joined by "\r\n".
QString MathPrelude();

// The script that makes the Lua expression Expression of x the function fct.
QString ExpressionScript(const QString& Expression);

// The longest expression LoadExpression compiles for computing in place: the compiled
// steps live outside the state's memory cap. A longer one goes to Lua, under the cap.
inline constexpr qsizetype MaxInPlaceExpressionLength = qsizetype{1} << 20;

class TScriptFunction : public TqorScriptLua {
public:
  // As TqorScriptLuaCommon; the state gets the math library and the prelude's names.
  explicit TScriptFunction(const QString& LuaLibFileName = QString());
  ~TScriptFunction() override;

  // Loads ExpressionScript(Expression) and prepares fct, as
  // LoadScriptFromString and PrepareFunction do, and raises what they raise. When the
  // expression is made only of numbers, x, arithmetic and math functions, fct and
  // fctPass compute it without calling into Lua, with the same results.
  void LoadExpression(const QString& Expression);

  // f(x) as TqorScriptLua::fct computes it; every failure of the evaluation gives +inf
  // instead of an error. Only ECalculationAborted (time budget spent) passes through.
  // x by reference, and the common case of an expression computed in place inline: a
  // root search makes thousands of these calls one after the other, each waiting for
  // the last, and every copy of the 10-byte x through memory adds to that wait.
  Extended fct(const Extended& x) {
    if (FCallsBeforeWatch != 0 && SseOnlyAt(x)) {
      --FCallsBeforeWatch;
      return EvaluateSseOnly(static_cast<double>(x));
    }
    return fctOtherwise(x);
  }
  // f(x) as fct computes it, but a failed evaluation raises its error as
  // TqorScriptLua::fct does instead of giving +inf.
  Extended fctRaising(Extended x);

  // f at X[0] to X[N - 1] into Y, as N calls of fct give it, in one call into Lua
  // (TqorScriptLua::fctPass); adds one to Calls for every call as it starts it.
  void fctPass(const Extended* X, Extended* Y, int N, std::int64_t& Calls);

  // True when f is computed without Lua (see LoadExpression).
  bool EvaluatesInPlace() const { return FExpression != nullptr; }
  // f, f' and f'' at x, exactly, from the expression computed in place (only when
  // EvaluatesInPlace): f is what fct gives, a derivative without a value is NaN (see
  // qorLuaDerivatives.h). Raises the floating-point flags its operations raise: the
  // caller guards.
  TqorJet<Extended> ExactDerivatives(const Extended& x) const;

protected:
  void OpenLibraries() override;
  // A script loaded later replaces an expression computed in place.
  void ScriptReplaced() override;

private:
  // The watcher looks in at every so many single evaluations in place.
  static constexpr unsigned InPlaceWatchEvery = 256;

  // Makes Expression (null: none) the function computed in place.
  void SetExpression(std::unique_ptr<TqorLuaExpression> Expression);
  // True when the expression in place computes in SSE alone and x lies within the range
  // of double: rounding x to double then raises no fault flag, and the expression
  // touches no x87 flag, so the lighter guard does (EvaluateSseOnly).
  bool SseOnlyAt(const Extended& x) const {
    return FSseOnlyExpression && std::fabs(x) <= std::numeric_limits<double>::max();
  }
  // The expression in place at x, under the SSE guard alone (see SseOnlyAt).
  double EvaluateSseOnly(double x) const;
  Extended fctOtherwise(const Extended& x);

  std::unique_ptr<TqorLuaExpression> FExpression;
  // FExpression when it computes in SSE alone, else null (kept by SetExpression).
  const TqorLuaExpression* FSseOnlyExpression = nullptr;
  // Single evaluations in place until the watcher's next look.
  unsigned FCallsBeforeWatch = InPlaceWatchEvery - 1;
};
