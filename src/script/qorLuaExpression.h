#pragma once
// A Lua expression of x evaluated without Lua, for the common case of a formula such
// as "0.71 + 0.91*x - 5.5*x^2" or "sin(50*x)": a call into Lua costs more than such a
// formula itself. Only expressions whose every step is an operation of qorOperations
// are compiled, and each step is the operation Lua 5.1 performs for it, in the same
// order and on the same doubles, so the result is the one
// "function fct(x) return (Text); end;" returns, bit for bit. Anything else (other
// names, comparisons, strings, calls with other argument counts, comments, line breaks,
// constants Lua would read otherwise than written) is left to Lua.

#include "qorLuaEvaluator.h"

#include <memory>
#include <string_view>
#include <vector>

class TqorLuaExpression {
public:
  // The compiled Text, or nullptr when Text is not an expression of this kind.
  static std::unique_ptr<TqorLuaExpression> Compile(std::string_view Text);

  // The value at x; never fails (a fault gives inf or NaN as in Lua). Raises the
  // floating-point flags the operations raise: callers that must not see them guard.
  double operator()(double x) const;

  // The values at X[0] to X[N - 1] into Y, each exactly what operator() gives for it.
  // Runs the program once per block of arguments instead of once per argument, so that
  // its steps are decoded once per block: a pass over many nodes costs little more than
  // its arithmetic and library calls.
  void Evaluate(const double* X, double* Y, int N) const;

  // The value in another arithmetic (see qorLuaEvaluator.h), computed on Stack (room
  // for qorMaxStack values).
  template <TqorArithmetic A>
  typename A::TValue& Evaluate(A& Arithmetic, typename A::TValue* Stack) const {
    return qorRun(Arithmetic, FProgram, Stack);
  }

  // True when the evaluation runs in double (SSE) arithmetic only and leaves the x87
  // flags alone: not so with fmod, which the math library may compute on the x87.
  bool UsesSseOnly() const { return FUsesSseOnly; }

  // The steps, in postfix order, with constants folded as Lua folds them.
  const std::vector<TqorStep>& Program() const { return FProgram; }

  explicit TqorLuaExpression(std::vector<TqorStep> Program);

private:
  std::vector<TqorStep> FProgram;
  bool FUsesSseOnly = true;
};
