// One evaluation of a user function: TScriptFunction::fct against the bare Lua C-API
// call it wraps (copy the function, push x, protected call, read and pop the result),
// on the same function. The ratio of the two times is the host's overhead.
#include "LuaLib.h"
#include "ScriptUtil.h"
#include "qorLuaExpression.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

namespace {

const char* const BenchFunction = "function fct(x) return (x*x - 2); end;";

// The arguments cycle through [0, 1) so that no call repeats the previous one, and
// both loops spend the same on finding the next argument.
constexpr std::size_t ArgumentCount = 1024;  // a power of two: the index wraps with a mask

template <class Real>
std::array<Real, ArgumentCount> Arguments() {
  std::array<Real, ArgumentCount> arguments;
  for (std::size_t i = 0; i < ArgumentCount; ++i) arguments[i] = Real(i) / ArgumentCount;
  return arguments;
}

void BM_ScriptFunctionFct(benchmark::State& state) {
  TScriptFunction function;
  function.LoadScriptFromString(BenchFunction);
  function.PrepareFunction("fct");
  const auto arguments = Arguments<Extended>();
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(function.fct(arguments[i++ & (ArgumentCount - 1)]));
}
BENCHMARK(BM_ScriptFunctionFct);

void BM_BareLuaCall(benchmark::State& state) {
  TScriptFunction owner;  // loads the library; the bare state below is separate
  lua_State* L = LuaLib::luaL_newstate();
  LuaLib::luaL_dostring(L, BenchFunction);
  LuaLib::lua_settop(L, 0);
  LuaLib::lua_getglobal(L, "fct");
  const auto arguments = Arguments<double>();
  std::size_t i = 0;
  for (auto _ : state) {
    LuaLib::lua_pushvalue(L, -1);
    LuaLib::lua_pushnumber(L, arguments[i++ & (ArgumentCount - 1)]);
    LuaLib::lua_pcall(L, 1, 1, 0);
    benchmark::DoNotOptimize(LuaLib::lua_tonumber(L, -1));
    LuaLib::lua_pop(L, 1);
  }
  LuaLib::lua_close(L);
}
BENCHMARK(BM_BareLuaCall);

// The compiled expression alone, one argument at a time and as a pass over a block, on
// the default polynomial, on a chain of library calls and on a long mix of operations:
// the step dispatch weighs most where each step is cheap. Read against one another and
// against a run of the same benchmarks from another build on the same machine.
const char* const ExpressionCases[] = {
    "0.71 + 0.91*x - 5.5*x^2 + 0.172*x^6",
    "sin(50*x) + cos(x) * exp(-x)",
    "x*x - 2*x + 1/(x + 3) - x % 0.7 + max(x, 0.5, -x) - abs(x)*0.25 + (x + 1)*(x - 1)*(x + 2)",
};

void BM_ExpressionSingle(benchmark::State& state) {
  const auto expression = TqorLuaExpression::Compile(ExpressionCases[state.range(0)]);
  const auto arguments = Arguments<double>();
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize((*expression)(arguments[i++ & (ArgumentCount - 1)]));
}
BENCHMARK(BM_ExpressionSingle)->DenseRange(0, 2);

void BM_ExpressionPass(benchmark::State& state) {
  const auto expression = TqorLuaExpression::Compile(ExpressionCases[state.range(0)]);
  const auto arguments = Arguments<double>();
  std::array<double, ArgumentCount> values;
  for (auto _ : state) {
    expression->Evaluate(arguments.data(), values.data(), static_cast<int>(ArgumentCount));
    benchmark::DoNotOptimize(values.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(ArgumentCount));
}
BENCHMARK(BM_ExpressionPass)->DenseRange(0, 2);

}  // namespace
