#include "LuaLib.h"
#include "ScriptUtil.h"
#include "qorException.h"
#include "qorScriptLua.h"
#include "qorScriptSandbox.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto TestBudget = 250ms;
// What a run may take beyond the budget: closing the state and the test's own work, on
// a machine that other jobs share.
constexpr auto Margin = 1000ms;
// Room for strings of 2 MB, far below the machine's memory.
constexpr std::size_t TestMemoryCap = std::size_t{8} << 20;

const std::string ScriptTimeout = "Abbruch: Die Ausführung des Scripts hat das Zeitlimit von 0.25 s überschritten.";
const std::string EvaluationTimeout =
    "Abbruch: Die Auswertung der Funktion für x = 1 hat das Zeitlimit von 0.25 s überschritten.";

// The budget of scripts that are not meant to run out of time, so that a busy machine
// cannot turn their outcome into an abort.
constexpr auto AmpleBudget = 10s;

// The outcome of a calculation's life of Script: load it, prepare f, call f(1), close
// the state, with the budget and memory cap given. "ok <f(1)>", "Abbruch: <message>" or
// "Fehler: <message>".
std::string Outcome(const char* Script, std::chrono::milliseconds Budget = TestBudget,
                    std::size_t MemoryCap = TestMemoryCap) {
  try {
    TqorScriptLua host;
    host.setEvaluationBudget(Budget);
    host.setMemoryCap(MemoryCap);
    host.LoadScriptFromString(Script);
    host.PrepareFunction("f");
    return "ok " + std::to_string(static_cast<double>(host.fct(1)));
  } catch (const ECalculationAborted& e) {
    return "Abbruch: " + e.Message();
  } catch (const Exception& e) {
    return "Fehler: " + e.Message();
  }
}

// Scripts as an attacker writes them: each ends within the budget with the program's
// message, whether it loops or grows at loading, in an evaluation or at closing. Those
// that do not loop get an ample budget and must end with their own message.
TEST(ScriptSandbox, HostileScriptsEndWithinTheBudget) {
  const std::string runError = "Fehler: Fehler in LoadScriptFromString(): \r\nFehlermeldung: [string \"";
  struct Case {
    const char* script;
    std::string outcome;
    std::size_t memoryCap = TestMemoryCap;
  } cases[] = {
      // Loops, at loading and in an evaluation.
      {"while true do end", ScriptTimeout},
      {"function f(x) while true do end end", EvaluationTimeout},
      {"coroutine.wrap(function() while true do end end)()", ScriptTimeout},
      // Error handlers that loop: when the budget's own error calls them, and after any error.
      {"xpcall(function() while true do end end, function() while true do end end)", ScriptTimeout},
      {"xpcall(error, function() while true do end end)", ScriptTimeout},
      {"function f(x) return xpcall(error, function() while true do end end) end", EvaluationTimeout},
      {"while true do xpcall(function() while true do end end, print) end", ScriptTimeout},
      // A reader of load that loops is caught by load; the script goes on and is stopped.
      {"local f = load(function() while true do end end) while true do end", ScriptTimeout},
      // Finalizers, which Lua runs without hooks in collectgarbage() and at closing.
      {"local p = newproxy(true) getmetatable(p).__gc = function() while true do end end",
       runError + "local p = newproxy(true) getmetatable(p).__...\"]:1: "
                  "attempt to call global 'newproxy' (a nil value)"},
      {"setmetatable({}, {__gc = function() while true do end end}) collectgarbage() "
       "function f(x) return 1 end",
       "ok 1.000000"},
      // Memory: a growing table, growing strings, garbage left for the closing.
      {"local s = 'x' while true do s = s .. s end",
       "Fehler: Fehler in LoadScriptFromString(): Unzureichender Speicher zum laden von Script \"local s = 'x' "
       "while true do s = s .. s end\"\r\nFehlermeldung: not enough memory"},
      {"function f(x) local t = {} while true do t[#t + 1] = {} end end",
       "Fehler: Fehler #4 in lua_pcall: not enough memory"},
      {"local s = 'x' for i = 1, 21 do s = s .. s end while true do local t = s .. 'y' end", ScriptTimeout},
      // A large block refused for the spent budget, whose memory error the script catches.
      {"local s = 'x' for i = 1, 23 do s = s .. s end "
       "repeat local ok = pcall(function() local t = s .. 'y' end) until not ok",
       ScriptTimeout, std::size_t{64} << 20},
      {"function f(x) local s = 'x' for i = 1, 21 do s = s .. s end while true do local t = s .. 'y' end end",
       EvaluationTimeout},
      {"collectgarbage('stop') g = {} for i = 1, 5e4 do g[i] = {i} end function f(x) return #g end", "ok 50000.000000"},
      // Files and precompiled code.
      {"dofile('/etc/passwd')", runError + "dofile('/etc/passwd')\"]:1: attempt to call global 'dofile' (a nil value)"},
      {"loadfile('/etc/passwd')",
       runError + "loadfile('/etc/passwd')\"]:1: attempt to call global 'loadfile' (a nil value)"},
      {"function f(x) return dofile('/dev/stdin') end",
       "Fehler: Fehler #2 in lua_pcall: [string \"function f(x) "
       "return dofile('/dev/stdin') e...\"]:1: attempt to call global 'dofile' (a nil value)"},
      {"assert(loadstring('\\27LuaQ\\0\\1\\4\\8\\4\\8\\0'))",
       runError + "assert(loadstring('\\27LuaQ\\0\\1\\4\\8\\4\\8\\0'))\"]:1: " + MsgBinaryChunk},
      {"local done = false assert(load(function() if done then return nil end done = true return '\\27Lua' end))",
       "Fehler: Fehler in LoadScriptFromString(): \r\nFehlermeldung: [string \"local done = false "
       "assert(load(function() i...\"]:1: " +
           std::string(MsgBinaryChunk)},
      {"\x1bLuaQ\x01\x04\x08\x04\x08", std::string("Fehler: Fehler in LoadScriptFromString(): Syntaxfehler in Script "
                                                   "\"\x1bLuaQ\x01\x04\x08\x04\x08\"\r\nFehlermeldung: ") +
                                           MsgBinaryChunk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    const bool aborts = c.outcome.starts_with("Abbruch");
    const auto budget = aborts ? TestBudget : AmpleBudget;
    const auto start = Clock::now();
    EXPECT_EQ(Outcome(c.script, budget, c.memoryCap), c.outcome);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    EXPECT_LE(took, budget + Margin);
  }
}

// Instructions that each copy, compare or read a string of 8 MB take thousands of times
// longer than the hook's count assumes; they still stop at the budget, in the main thread
// and in a coroutine, also those that allocate nothing (only the watchdog sees them).
TEST(ScriptSandbox, ExpensiveInstructionsStopAtTheBudget) {
#if defined(__SANITIZE_THREAD__)
  // ThreadSanitizer delivers a signal when the thread next enters its runtime, which a
  // loop inside Lua's C code (strtod, strcoll) never does: the watchdog's signal waits.
  GTEST_SKIP() << "signals are delayed under ThreadSanitizer";
#endif
  const char* const scripts[] = {
      "local s = 'x' for i = 1, 23 do s = s .. s end "
      "local function g() local t = s .. 'y' end "
      "function f(x) while true do pcall(g) end end",
      "local s = 'x' for i = 1, 23 do s = s .. s end "
      "local function g() local t = s .. 'y' end "
      "function f(x) coroutine.wrap(function() while true do pcall(g) end end)() end",
      "local s = 'x' for i = 1, 23 do s = s .. s end "
      "local function g() local t = s .. 'y' end "
      "function f(x) local co = coroutine.create(function() while true do pcall(g) end end) "
      "return select(2, coroutine.resume(co)) end",
      "local s = 'x' for i = 1, 23 do s = s .. s end local t = s .. 'y' "
      "function f(x) while true do local a = s < t end end",
      "local s = '0' for i = 1, 23 do s = s .. s end "
      "function f(x) coroutine.wrap(function() while true do local a = tonumber(s) end end)() end",
  };
  for (const char* script : scripts) {
    SCOPED_TRACE(script);
    TqorScriptLua host;
    host.setEvaluationBudget(AmpleBudget);
    host.setMemoryCap(std::size_t{64} << 20);
    host.LoadScriptFromString(script);
    host.PrepareFunction("f");
    host.setEvaluationBudget(TestBudget);
    const auto start = Clock::now();
    EXPECT_THROW(host.fct(1), ECalculationAborted);
    EXPECT_LE(Clock::now() - start, TestBudget + Margin);
  }
}

// Text a script compiles: Lua's compiler runs no hook, and a chain of "or" takes it time
// that grows with the square of the chain's length (200,000 terms: minutes). Compiling
// counts against the budget and stops with it, be it the script itself, loadstring or
// load, a compile in a function's evaluation, or many small compiles.
TEST(ScriptSandbox, CompilingStopsAtTheBudget) {
  constexpr auto budget = 500ms;
  const std::string scriptTimeout = "Abbruch: Die Ausführung des Scripts hat das Zeitlimit von 0.5 s überschritten.";
  const std::string evaluationTimeout =
      "Abbruch: Die Auswertung der Funktion für x = 1 hat das Zeitlimit von 0.5 s überschritten.";
  std::string statements, chain = "a = a";
  for (int i = 0; i < 1'100'000; ++i) statements += "a=1;";
  for (int i = 1; i < 200'000; ++i) chain += " or a";
  // " or a" doubled n times, in Lua.
  const auto orTerms = [](int n) {
    return "local p = ' or a' for i = 1, " + std::to_string(n) + " do p = p .. p end ";
  };
  struct Case {
    const char* name;
    std::string script;
    std::string outcome;
  } cases[] = {
      {"statements, then a chain", statements + chain, scriptTimeout},
      {"a chain", chain, scriptTimeout},
      {"a chain through loadstring", orTerms(18) + "loadstring('a = a' .. p)", scriptTimeout},
      {"a chain through load, in one piece",
       orTerms(18) + "local done load(function() if done then return nil end done = true return 'a = a' .. p end)",
       scriptTimeout},
      {"2,400 chains of 20 KB", orTerms(12) + "for i = 1, 2400 do loadstring('a = a' .. p) end", scriptTimeout},
      {"2,400 chains of 20 KB in an evaluation",
       orTerms(12) + "function f(x) for i = 1, 2400 do loadstring('a = a' .. p) end return 1 end", evaluationTimeout},
      {"a chain in an evaluation", orTerms(18) + "function f(x) return loadstring('a = a' .. p) end",
       evaluationTimeout},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto start = Clock::now();
    EXPECT_EQ(Outcome(c.script.c_str(), budget, DefaultLuaMemoryCap), c.outcome);
    EXPECT_LE(Clock::now() - start, budget + Margin);
  }
}

// The cut-down base library still offers what a function legitimately uses, with Lua's
// own results.
TEST(ScriptSandbox, LegitimateUseKeepsItsResults) {
  struct Case {
    const char* script;
    std::string outcome;
  } cases[] = {
      {"function f(x) return (dofile == nil and loadfile == nil and newproxy == nil) and 1 or 0 end", "ok 1.000000"},
      {"function f(x) return loadstring('return ' .. x .. ' + 1')() end", "ok 2.000000"},
      {"function f(x) local g, m = loadstring('return +') return g == nil and type(m) == 'string' and 1 or 0 end",
       "ok 1.000000"},
      {"function f(x) local parts = {'return ', 'X', ' * 3'} local i = 0 "
       "local g = load(function() i = i + 1 return parts[i] end) X = 5 * x return g() end",
       "ok 15.000000"},
      {"function f(x) local ok, a, b = xpcall(function() return x, 2 end, print) return ok and a + b or -1 end",
       "ok 3.000000"},
      {"function f(x) local ok, m = xpcall(function() error('a', 0) end, function(e) return e .. 'b' end) "
       "return (not ok and m == 'ab') and 1 or 0 end",
       "ok 1.000000"},
      {"function f(x) local ok, m = xpcall(function() error('a') end, function(e) error('b') end) "
       "return (not ok and m == 'error in error handling') and 1 or 0 end",
       "ok 1.000000"},
      {"function f(x) local ok, m = pcall(error, 'p', 0) return (not ok and m == 'p') and x or -1 end", "ok 1.000000"},
      {"function f(x) local co = coroutine.wrap(function(a) local b = coroutine.yield(a + 1) return b * 2 end) "
       "return co(x) + co(10) end",
       "ok 22.000000"},
      {"function f(x) local t = setmetatable({}, {__index = function(t, k) return k * x end}) return t[7] end",
       "ok 7.000000"},
      {"function f(x) print('1;2;3') return collectgarbage('count') > 0 and 1 or 0 end", "ok 1.000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(Outcome(c.script, AmpleBudget), c.outcome);
  }
}

// Counts and indexes beyond int: Lua 5.1's unpack counted them in an int that overflows
// and then wrote past its stack (the first case ended the process). Now a range that does
// not fit on the stack fails, and an index is taken as it is written.
TEST(ScriptSandbox, CountsBeyondIntFailOrSelectNothing) {
  const std::string tooMany = "Fehler: Fehler #2 in lua_pcall: [string \"function f(x) return ";
  struct Case {
    const char* body;  // of f(x)
    std::string outcome;
  } cases[] = {
      {"x + select('#', unpack({}, 0, 2^31 - 1))", "too many results to unpack"},
      {"select('#', unpack({}, -2^31, 2^31 - 1))", "too many results to unpack"},
      {"select('#', unpack({}, 1, 2^40))", "too many results to unpack"},
      {"select('#', unpack({}, 0/0, 1))", "too many results to unpack"},
      {"select('#', unpack({}, 1, 1e5))", "too many results to unpack"},
      {"select('#', unpack({}, 1, 7000))", "ok 7000.000000"},
      {"select('#', unpack({1, 2, 3}))", "ok 3.000000"},
      {"select('#', unpack({1, 2, 3}, 3, 2))", "ok 0.000000"},
      {"select('#', unpack({}, 2^31 - 1, 2^31 + 1))", "ok 3.000000"},
      {"(unpack({5, 6, 7}, 2))", "ok 6.000000"},
      {"select(3, unpack({5, 6, 7}, -1, 1))", "ok 5.000000"},
      {"(unpack({[2^32 + 1] = 4}, 2^32 + 1, 2^32 + 1))", "ok 4.000000"},
      {"select(-1, 5, 6, 7)", "ok 7.000000"},
      {"select('#', select(2^32 + 1, 5, 6))", "ok 0.000000"},
      {"select(-2^32, 5)", "bad argument #1 to 'select' (index out of range)"},
      {"select(0, 5)", "bad argument #1 to 'select' (index out of range)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const std::string outcome = Outcome(("function f(x) return " + std::string(c.body) + " end").c_str(), AmpleBudget);
    if (c.outcome.starts_with("ok"))
      EXPECT_EQ(outcome, c.outcome);
    else
      EXPECT_TRUE(outcome.starts_with(tooMany) && outcome.ends_with(c.outcome)) << outcome;
  }
}

// A host whose globals the test reads through the C API.
template <class THost>
struct TInspected : THost {
  // The names of the globals, sorted.
  std::vector<std::string> GlobalNames() {
    lua_State* L = this->luaState();
    std::vector<std::string> names;
    LuaLib::lua_pushnil(L);
    while (LuaLib::lua_next(L, LUA_GLOBALSINDEX) != 0) {
      LuaLib::lua_pop(L, 1);
      names.emplace_back(LuaLib::lua_tostring(L, -1));
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

std::vector<std::string> SandboxNames() {
  std::vector<std::string> names;
  for (const TScriptGlobal& global : ScriptGlobals()) names.emplace_back(global.Name);
  return names;
}

// A script sees exactly the list's globals; a function host adds the prelude's short names.
TEST(ScriptSandbox, GlobalsAreThoseOfTheList) {
  std::vector<std::string> expected = SandboxNames();
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(TInspected<TqorScriptLua>().GlobalNames(), expected);

  for (const QString& line : MathPrelude().split("\r\n"))
    expected.push_back(line.section('=', 0, 0).trimmed().toStdString());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(TInspected<TScriptFunction>().GlobalNames(), expected);
}

// Every function, thread and loaded chunk of a script has the globals as its environment.
TEST(ScriptSandbox, EveryEnvironmentIsTheGlobals) {
  EXPECT_EQ(Outcome("function f(x) return (getfenv(0) == _G and getfenv(1) == _G and getfenv(print) == _G "
                    "and getfenv(math.sin) == _G and getfenv(coroutine.resume) == _G "
                    "and getfenv(loadstring('return 1')) == _G "
                    "and coroutine.wrap(function() return getfenv(0) end)() == _G) and 1 or 0 end",
                    AmpleBudget),
            "ok 1.000000");
}

// A print in a task would forge rows of kaloroots' output.
TEST(ScriptSandbox, PrintWritesNothing) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(Outcome("print('0;1;Zeroin()') function f(x) print(x) return x end", AmpleBudget), "ok 1.000000");
  std::fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
