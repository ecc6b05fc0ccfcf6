#include "ScriptUtil.h"
#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorScriptLua.h"
#include "qorStrUtils.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <atomic>
#include <chrono>
#include <clocale>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

using namespace std::chrono_literals;

namespace {

// A budget small enough to keep the tests quick, large enough for any honest call.
constexpr auto TestBudget = 50ms;

// A cap far above what the base library needs and far below a runaway table.
constexpr std::size_t TestMemoryCap = std::size_t{4} << 20;

// The message of the Exception op raises ("no error" when it raises none).
std::string ErrorOf(const std::function<void()>& op) {
  try {
    op();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no error";
}

// A host with script loaded and its global "f" prepared.
struct TPrepared {
  explicit TPrepared(const QString& script) {
    host.LoadScriptFromString(script);
    host.PrepareFunction("f");
  }
  TqorScriptLua host;
};

TEST(ScriptLua, FailingScriptsReportLuasMessage) {
  struct Case {
    const char* script;
    std::string message;
  } cases[] = {
      {"x = = 1",
       "Fehler in LoadScriptFromString(): Syntaxfehler in Script \"x = = 1\"\r\n"
       "Fehlermeldung: [string \"x = = 1\"]:1: unexpected symbol near '='"},
      {"error('kaputt')",
       "Fehler in LoadScriptFromString(): \r\n"
       "Fehlermeldung: [string \"error('kaputt')\"]:1: kaputt"},
      {"error({})",
       "Fehler in LoadScriptFromString(): \r\nFehlermeldung: Das Script hat einen Fehler ohne "
       "Meldungstext ausgelöst (Fehlerwert vom Typ table)."},
      {"error(nil)",
       "Fehler in LoadScriptFromString(): \r\nFehlermeldung: Das Script hat einen Fehler ohne "
       "Meldungstext ausgelöst (Fehlerwert vom Typ nil)."},
      {"error(true)",
       "Fehler in LoadScriptFromString(): \r\nFehlermeldung: Das Script hat einen Fehler ohne "
       "Meldungstext ausgelöst (Fehlerwert vom Typ boolean)."},
      {"error(42, 0)", "Fehler in LoadScriptFromString(): \r\nFehlermeldung: 42"},
      {"local t = {} for i = 1, 1e9 do t[i] = i end",
       "Fehler in LoadScriptFromString(): Unzureichender Speicher zum laden von Script "
       "\"local t = {} for i = 1, 1e9 do t[i] = i end\"\r\nFehlermeldung: not enough memory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    TqorScriptLua host;
    host.setMemoryCap(TestMemoryCap);
    EXPECT_EQ(ErrorOf([&] { host.LoadScriptFromString(c.script); }), c.message);
    host.LoadScriptFromString("function f(x) return x + 1 end");
    host.PrepareFunction("f");
    EXPECT_EQ(host.fct(1), 2) << "the state stays usable";
  }
}

TEST(ScriptLua, FctReportsLuaErrorsAndNonNumbers) {
  const char* const notANumber = "Ergebnis von lua_pcall ist keine Zahl!";
  struct Case {
    const char* script;
    Extended x;
    std::string expected;  // the result as text, or the error message
  } cases[] = {
      {"function f(x) return 2 * x end", 1.5, "3"},
      {"function f(x) return '2.5' end", 0, "2.5"},
      {"function f(x) return ' 0x10 ' end", 0, "16"},
      {"function f(x) return 0 end", 7, "0"},
      {"function f(x) return '0' end", 7, "0"},
      {"function f(x) if x < 0 then error('negativ') end return x end", 4, "4"},
      {"function f(x) if x < 0 then error('negativ') end return x end", -4,
       "Fehler #2 in lua_pcall: [string \"function f(x) if x < 0 then error('negativ'...\"]:1: negativ"},
      {"function f(x) return undefined(x) end", 1,
       "Fehler #2 in lua_pcall: [string \"function f(x) return undefined(x) end\"]:1: "
       "attempt to call global 'undefined' (a nil value)"},
      {"function g(x) return x end", 1, "Fehler #2 in lua_pcall: attempt to call a nil value"},
      {"f = 42", 1, "Fehler #2 in lua_pcall: attempt to call a number value"},
      {"function f(x) error({}) end", 1,
       "Fehler #2 in lua_pcall: Das Script hat einen Fehler ohne Meldungstext ausgelöst (Fehlerwert vom Typ table)."},
      {"function f(x) end", 1, notANumber},
      {"function f(x) return nil end", 1, notANumber},
      {"function f(x) return false end", 1, notANumber},
      {"function f(x) return {} end", 1, notANumber},
      {"function f(x) return 'zwei' end", 1, notANumber},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.script) + " at " + std::to_string(double(c.x)));
    TPrepared f(c.script);
    for (int call = 1; call <= 2; ++call) {  // a failure leaves the state as it was
      SCOPED_TRACE(testing::Message() << "call " << call);
      std::string outcome;
      try {
        outcome = QString::number(double(f.host.fct(c.x))).toStdString();
      } catch (const Exception& e) {
        outcome = e.Message();
      }
      EXPECT_EQ(outcome, c.expected);
    }
  }
}

TEST(ScriptLua, FailedCallLeavesThePreparedFunctionInPlace) {
  TPrepared f("function f(x) if x < 0 then error('negativ') end if x == 0 then return nil end return x end");
  for (Extended x : {-1.0L, 0.0L}) {
    SCOPED_TRACE(static_cast<double>(x));
    EXPECT_ANY_THROW(f.host.fct(x));
    EXPECT_EQ(f.host.fct(5), 5);
  }
}

TEST(ScriptLua, ArgumentIsRoundedToDoubleAndTheResultWidened) {
  TPrepared f("function f(x) return x end");
  const Extended tenth = 0.1L;
  EXPECT_EQ(f.host.fct(tenth), Extended(0.1));
  EXPECT_NE(f.host.fct(tenth), tenth);
  EXPECT_EQ(f.host.fct(1E+400L), HUGE_VALL) << "beyond the double range x arrives as inf";
}

TEST(ScriptLua, LuasInfAndNaNPassWithoutRaisingFaultsInTheHost) {
  TPrepared f("function f(x) return x / 0 end");
  ClearFloatFaults();
  EXPECT_EQ(f.host.fct(1), HUGE_VALL);
  EXPECT_EQ(f.host.fct(-1), -HUGE_VALL);
  EXPECT_TRUE(std::isnan(f.host.fct(0)));
  EXPECT_NO_THROW(CheckFloatFaults());
}

TEST(ScriptLua, StatesAreIndependent) {
  TqorScriptLua first, second;
  first.LoadScriptFromString("shared = 1 function f(x) return shared end");
  second.LoadScriptFromString("function f(x) return shared end");
  first.PrepareFunction("f");
  second.PrepareFunction("f");
  EXPECT_EQ(first.fct(0), 1);
  EXPECT_EQ(ErrorOf([&] { second.fct(0); }), "Ergebnis von lua_pcall ist keine Zahl!");
}

TEST(ScriptLua, NoFilesNoOutputNoOtherLibraries) {
  TPrepared f(
      "function f(x) return (type(print) == 'function' and type(math) == 'table' and string == nil "
      "and table == nil and io == nil and os == nil and debug == nil and package == nil "
      "and require == nil and module == nil and dofile == nil and loadfile == nil "
      "and newproxy == nil) and 1 or 0 end");
  EXPECT_EQ(f.host.fct(0), 1);
}

TEST(ScriptLua, FailingGlobalLookupDoesNotEndTheProcess) {
  TqorScriptLua host;
  host.LoadScriptFromString("setmetatable(_G, {__index = function(t, k) error('gesperrt') end})");
  host.PrepareFunction("f");
  EXPECT_EQ(ErrorOf([&] { host.fct(1); }), "Fehler #2 in lua_pcall: attempt to call a string value");
}

// A function or script that never returns ends the calculation once the budget is spent.
TEST(ScriptLua, TimeBudgetAbortsTheCalculation) {
  struct Case {
    const char* script;
    std::string message;
  } cases[] = {
      {"function f(x) while true do end end",
       "Die Auswertung der Funktion für x = 1.5 hat das Zeitlimit von 0.05 s überschritten."},
      {"function f(x) while true do pcall(function() while true do end end) end end",
       "Die Auswertung der Funktion für x = 1.5 hat das Zeitlimit von 0.05 s überschritten."},
      {"function f(x) while true do coroutine.resume(coroutine.create(function() while true do end end)) end end",
       "Die Auswertung der Funktion für x = 1.5 hat das Zeitlimit von 0.05 s überschritten."},
      {"while true do end", "Die Ausführung des Scripts hat das Zeitlimit von 0.05 s überschritten."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    TqorScriptLua host;
    host.setEvaluationBudget(TestBudget);
    try {
      host.LoadScriptFromString(c.script);
      host.PrepareFunction("f");
      host.fct(1.5);
      ADD_FAILURE() << "no abort";
    } catch (const ECalculationAborted& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    host.LoadScriptFromString("function f(x) local s = 0 for i = 1, 1e5 do s = s + i end return s end");
    host.PrepareFunction("f");
    EXPECT_EQ(host.fct(0), 5000050000) << "the next evaluation gets the whole budget again";
  }
}

// Many short calls together outlast the budget; none of them may be aborted.
TEST(ScriptLua, BudgetIsPerEvaluation) {
  TPrepared f("function f(x) local s = 0 for i = 1, 1e4 do s = s + i end return s end");
  f.host.setEvaluationBudget(TestBudget);
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < 3 * TestBudget) ASSERT_EQ(f.host.fct(0), 50005000);
}

// The watcher's cancel flag stops a script run, a call and a pass as the budget does, but
// long before it is spent, and the next evaluation runs normally again. The ticks come
// about every WatcherInterval and see how far the running pass is.
TEST(ScriptLua, WatcherCancelStopsTheEvaluationAsTheBudgetDoes) {
  const char* const spin = "local s = 0 for i = 1, 2e4 do s = s + i end ";
  struct Case {
    const char* name;
    std::string script;
    std::function<void(TqorScriptLua&)> run;
  } cases[] = {
      {"script run", "while true do end", [](TqorScriptLua&) {}},
      {"call", "function f(x) while true do end end",
       [](TqorScriptLua& host) {
         host.PrepareFunction("f");
         host.fct(1);
       }},
      {"pass", std::string("function f(x) ") + spin + "return x end",
       [](TqorScriptLua& host) {
         host.PrepareFunction("f");
         std::vector<Extended> x(100'000, 1), y(x.size());
         std::int64_t calls = 0;
         host.fctPass(x.data(), y.data(), static_cast<int>(x.size()), calls, -1);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TqorScriptLua host;
    std::atomic<bool> cancel = false;
    std::vector<int> passProgress;
    host.setWatcher({&cancel, [&](int PassStarted) {
                       passProgress.push_back(PassStarted);
                       if (passProgress.size() == 3) cancel = true;
                     }});
    const auto start = std::chrono::steady_clock::now();
    try {
      host.LoadScriptFromString(QString::fromStdString(c.script));
      c.run(host);
      ADD_FAILURE() << "not cancelled";
    } catch (const ECalculationCancelled& e) {
      EXPECT_EQ(e.Message(), "Berechnung abgebrochen");
    }
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 2 * WatcherInterval);
    EXPECT_LT(took, DefaultEvaluationBudget / 2);
    ASSERT_EQ(passProgress.size(), 3u);
    if (c.name == std::string("pass"))
      // The first tick may come while the script compiles, before the pass.
      EXPECT_TRUE(passProgress[2] > 0 && passProgress[0] < passProgress[2]) << passProgress[0];
    else
      EXPECT_EQ(passProgress[2], 0);

    cancel = false;
    host.LoadScriptFromString("function f(x) return 2 * x end");
    host.PrepareFunction("f");
    EXPECT_EQ(host.fct(21), 42);
  }
}

// The excerpt of an error text made a piece at a time is the excerpt of the whole text,
// for random texts of characters of every width, stray and cut-off sequences, around the
// excerpt's length and cut into small pieces.
TEST(ScriptLua, ExcerptByPiecesIsTheExcerptOfTheWhole) {
  const std::vector<std::string> atoms{
      "a",    "Z",    " ",        "\xC3\xA4",     "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x80",
      "\xBF", "\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xFF",         "\xED\xA0\x80",     "\xC0\xAF",
      "\x01"};
  std::mt19937 random(20261211);
  for (int run = 0; run < 20'000; ++run) {
    std::string text;
    const int atomCount = std::uniform_int_distribution(0, 260)(random);
    for (int i = 0; i < atomCount; ++i)
      text += atoms[std::uniform_int_distribution<std::size_t>(0, atoms.size() - 1)(random)];
    const qsizetype piece = std::uniform_int_distribution(1, 16)(random);
    ASSERT_EQ(Local8BitExcerpt(text.c_str(), piece).toStdString(),
              TextExcerpt(QString::fromLocal8Bit(text.c_str())).toStdString())
        << "run " << run << ", pieces of " << piece;
  }
}

// A long error text is shown as its beginning and its length.
TEST(ScriptLua, LongErrorTextIsShortened) {
  TPrepared f("function f(x) local s = '\xC3\xA4' for i = 1, 20 do s = s .. s end error(s, 0) end");
  f.host.setMemoryCap(std::size_t{64} << 20);
  EXPECT_EQ(ErrorOf([&] { f.host.fct(1); }),
            "Fehler #2 in lua_pcall: " + QString(200, QChar(0xE4)).toStdString() + " [... 1048576 Zeichen]");
}

// What a script computes does not depend on the locale the application set for the user:
// numbers read and written, string order, the text of a number raised as an error, and
// an expression that reads a number from text, under C and under German.
TEST(ScriptLua, ResultsDoNotDependOnTheLocale) {
  const auto outcomes = [] {
    TPrepared f(
        "function f(x) local r = 0 "
        "if tonumber('0.5') == 0.5 then r = r + 1 end "
        "if tostring(0.5) == '0.5' and 0.5 .. '' == '0.5' then r = r + 2 end "
        "if '0.5' + 0 == 0.5 then r = r + 4 end "
        "if 'B' < 'a' and 'a10' < 'a9' then r = r + 8 end "
        "if x < 0 then error(x / 4, 0) end "
        "return r + tonumber('0.25') end");
    TScriptFunction g;
    g.LoadExpression("x - (tonumber('0.5') or 2)");
    return std::vector<std::string>{QString::number(double(f.host.fct(1))).toStdString(),
                                    ErrorOf([&] { f.host.fct(-1); }), QString::number(double(g.fct(0))).toStdString()};
  };
  const std::vector<std::string> expected{"15.25", "Fehler #2 in lua_pcall: -0.25", "-0.5"};
  ASSERT_EQ(outcomes(), expected);
  struct TCLocaleAfterwards {
    ~TCLocaleAfterwards() { std::setlocale(LC_ALL, "C"); }
  } restore;
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  EXPECT_EQ(outcomes(), expected);
}

// The bytes the process's allocator has handed out, in its own blocks and mapped ones.
std::size_t AllocatorInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// The cap counts what the state's memory costs the process: a state of many small tables
// costs a third more than Lua's own sizes say, and its count must say so too.
TEST(ScriptLua, MemoryCountIsWhatTheAllocatorHandsOut) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizer's allocator keeps counts of its own";
#endif
  TPrepared f("g = {} function f(x) for i = 1, x do g[i] = {} end return #g end");
  f.host.setMemoryCap(std::size_t{64} << 20);
  const std::size_t inUse = AllocatorInUse(), counted = f.host.memoryUsed();
  EXPECT_EQ(f.host.fct(100'000), 100'000);
  const double handedOut = double(AllocatorInUse() - inUse), countedNow = double(f.host.memoryUsed() - counted);
  EXPECT_GT(handedOut, 4e6);
  EXPECT_NEAR(countedNow / handedOut, 1, 0.02) << countedNow << " counted, " << handedOut << " handed out";
}

// An expression too long to compute in place is computed by Lua, with the same result.
TEST(ScriptLua, OverlongExpressionGoesToLua) {
  for (const qsizetype length : {MaxInPlaceExpressionLength - 1, MaxInPlaceExpressionLength + 1}) {
    SCOPED_TRACE(length);
    QString text = "x";  // x+x+...+x, of length characters (an odd number)
    while (text.size() < length) text += "+x";
    TScriptFunction f;
    f.LoadExpression(text);
    EXPECT_EQ(f.EvaluatesInPlace(), length <= MaxInPlaceExpressionLength);
    EXPECT_EQ(f.fct(1), (length + 1) / 2);
  }
}

TEST(ScriptLua, MemoryCapFailsTheEvaluation) {
  // Fills x entries of a table: 1e9 exceed the cap, 1e5 take more than half of it.
  TPrepared f("function f(x) local t = {} for i = 1, x do t[i] = i end return #t end");
  f.host.setMemoryCap(TestMemoryCap);
  EXPECT_EQ(f.host.memoryCap(), TestMemoryCap);
  for (int attempt = 1; attempt <= 2; ++attempt) {
    SCOPED_TRACE(testing::Message() << "attempt " << attempt);
    EXPECT_EQ(ErrorOf([&] { f.host.fct(1E9); }), "Fehler #4 in lua_pcall: not enough memory");
    EXPECT_EQ(f.host.fct(1E5), 1E5) << "the garbage of the failed call is gone";
  }
}

}  // namespace
