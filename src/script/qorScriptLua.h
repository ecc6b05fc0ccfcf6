#pragma once
// Script host: an object that owns one Lua interpreter state, runs script texts in
// it, fetches one global Lua function once and then calls it many times with one
// number. Texts cross into Lua as local 8-bit text; numbers as doubles.
//
// Two limits keep a user's script from taking the program down: one evaluation (a
// script run or one fct call) may take at most evaluationBudget() before the whole
// calculation is aborted (ECalculationAborted), and the state may hold at most
// memoryCap() bytes (as the allocator counts them) while Lua code runs and while it
// closes; beyond that the evaluation
// fails with Lua's out-of-memory error. Scripts get the sandbox's globals (OpenSandbox):
// no files, no output, no precompiled chunks, and closing runs no script code.
// A watcher (setWatcher) may stop the running evaluation the same way the time budget
// does: every place below that raises ECalculationAborted for the budget raises
// ECalculationCancelled instead when the watcher's cancel flag stopped it.

#include "qorKaloBase.h"

#include <QByteArrayView>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct lua_State;

// Time one evaluation may take: a function that never returns must not hang the program.
inline constexpr std::chrono::milliseconds DefaultEvaluationBudget{10'000};

// Memory one state may hold while Lua code runs: a runaway allocation must fail the
// evaluation, not exhaust the machine.
inline constexpr std::size_t DefaultLuaMemoryCap = std::size_t{512} << 20;

// How often at most the time check hands control to the host's watcher while Lua code runs.
inline constexpr std::chrono::milliseconds WatcherInterval{100};

// What the host lets look in on a running evaluation, from the time check that runs every
// few thousand Lua instructions, so that neither costs a call per evaluation.
struct TqorScriptWatcher {
  // Stops the running evaluation when set (ECalculationCancelled, "Berechnung
  // abgebrochen"), as the time budget stops it; none: nothing to watch.
  const std::atomic<bool>* Cancel = nullptr;
  // Runs at most once per WatcherInterval while Lua code runs, with the calls of the
  // running fctPass started so far (0 outside a pass). It may set Cancel; it must not
  // use this script host, and what it raises is dropped.
  std::function<void(int PassStarted)> Tick;
};

// TextExcerpt(QString::fromLocal8Bit(Text)) without converting the whole of a long text,
// which a script can raise as its error: the text is converted about PieceSize bytes at a
// time, each piece cut before a byte that can begin a character.
QString Local8BitExcerpt(QByteArrayView Text, qsizetype PieceSize = 64 * 1024);

// Owns one interpreter state with the sandbox's globals.
class TqorScriptLuaCommon {
public:
  // Loads the Lua library unless one is loaded (under LuaLibFileName, or the module's
  // file name when that is empty); the state is created when it is first needed. Raises "LuaScript.
  // LoadLibrary(): Bibliothek "<name>" existiert nicht." or "... konnte nicht
  // geladen werden." when the library cannot be loaded, "Cannot load method ..."
  // when it lacks an entry point.
  explicit TqorScriptLuaCommon(const QString& LuaLibFileName = QString());
  // Closes the state.
  virtual ~TqorScriptLuaCommon();
  TqorScriptLuaCommon(const TqorScriptLuaCommon&) = delete;
  TqorScriptLuaCommon& operator=(const TqorScriptLuaCommon&) = delete;

  // Empties the stack and runs script; what the script leaves on the stack stays.
  // Raises "Fehler in LoadScriptFromString(): ..." with Lua's message when the script
  // does not compile (a precompiled chunk counts as a syntax error) or fails,
  // ECalculationAborted when it exceeds the time budget. The message quotes at most
  // MaxQuotedLength characters of the script and of Lua's message.
  void LoadScriptFromString(const QString& script);

  // The library file name this object was created with (empty: the module's).
  const QString& luaLibFileName() const { return FLuaLibFileName; }
  // LuaLib::LuaLibHandleBound when this object loaded the library, 0 when it reused it.
  int luaLibHandle() const { return FLuaLibHandle; }

  // Time one evaluation may take (DefaultEvaluationBudget until set).
  std::chrono::milliseconds evaluationBudget() const;
  void setEvaluationBudget(std::chrono::milliseconds budget);
  // Bytes the state may hold while Lua code runs (DefaultLuaMemoryCap until set).
  std::size_t memoryCap() const;
  // Bytes the state's blocks take from the allocator, its rounding and headers included.
  std::size_t memoryUsed() const;
  void setMemoryCap(std::size_t bytes);

  // Who looks in on the running evaluations (none at first).
  void setWatcher(TqorScriptWatcher Watcher);

  // What the allocator and the time check of one state share with their host.
  struct TLuaLimits;

protected:
  // The interpreter state, created with its libraries on first use: a function that is
  // computed without Lua never pays for one.
  lua_State* luaState() {
    if (!FLuaState) CreateState();
    return FLuaState.get();
  }
  // Adds what a kind of host offers beyond the sandbox's globals, once, right after the
  // state is created; what it raises, the first use of the state raises.
  virtual void OpenLibraries() {}
  // Called as LoadScriptFromString begins: the new script replaces whatever the host
  // computed before, also a function it computed without Lua.
  virtual void ScriptReplaced() {}

  // Runs run, one protected call into Lua, as an evaluation: the clock restarts and
  // the memory cap applies while it runs. Returns run's Lua result code.
  template <class TRun>
  int Evaluate(TRun run) {
    BeginEvaluation();
    const int code = run();
    EndEvaluation();
    return code;
  }
  // True when the last evaluation ran out of time or was cancelled.
  bool timedOut() const;
  // Raises ECalculationCancelled when the last evaluation was cancelled.
  void RaiseIfCancelled() const;
  // Shows the watcher's ticks Next, the running pass's count of finished calls, while it lives.
  class TPassShown {
  public:
    TPassShown(TqorScriptLuaCommon& Host, const int& Next);
    ~TPassShown();
    TPassShown(const TPassShown&) = delete;
    TPassShown& operator=(const TPassShown&) = delete;

  private:
    TqorScriptLuaCommon& FHost;
  };

  // What the count hook does for the watcher, for code that computes f without Lua:
  // runs the tick when it is due, with PassStarted, and raises ECalculationCancelled
  // when the cancel flag is set.
  void WatchWithoutLua(int PassStarted);

  // The time budget as the abort messages quote it ("10 s").
  std::string budgetText() const;

  // Runs Run, a C function, in a protected call as an evaluation, in place of the text
  // Script() returns, which does the same in Lua; a failure raises what
  // LoadScriptFromString(Script()) raises. Saves compiling a script that only binds values.
  void RunInPlaceOfScript(int (*Run)(lua_State*), QString (*Script)());

private:
  struct TLuaStateCloser {
    void operator()(lua_State* L) const;
  };

  void LoadLibrary();
  void CreateState();
  [[noreturn]] void RaiseScriptError(int code, const QString& script);
  void BeginEvaluation();
  void EndEvaluation();

  QString FLuaLibFileName;
  int FLuaLibHandle = 0;
  std::unique_ptr<TLuaLimits> FLimits;  // declared before the state: closing it frees memory
  std::unique_ptr<lua_State, TLuaStateCloser> FLuaState;
};

// Calls one prepared global Lua function of one number.
class TqorScriptLua : public TqorScriptLuaCommon {
public:
  using TqorScriptLuaCommon::TqorScriptLuaCommon;

  // Pushes the global FctName (whatever it holds, nil included) onto the stack, where
  // it stays for the following fct calls. A later LoadScriptFromString discards it.
  // Raises ECalculationAborted when reading the global exceeds the time budget.
  void PrepareFunction(const QString& FctName);

  // Calls the prepared function with x rounded to double and widens its numeric
  // result (a numeric string counts). Raises "Fehler #<code> in lua_pcall: <Lua's
  // message>" or "Ergebnis von lua_pcall ist keine Zahl!" (the state stays usable),
  // and ECalculationAborted naming x when the call exceeds the time budget.
  Extended fct(Extended x);

  // Calls the prepared function for X[0] to X[N - 1] in order, as N calls of fct would,
  // each with its own time budget, and stores each numeric result in Y; a call that
  // fails stores Failed (Lua's message is dropped). Adds one to Calls for every call as
  // it starts it. Raises ECalculationAborted as fct does, and then makes no further call.
  void fctPass(const Extended* X, Extended* Y, int N, std::int64_t& Calls, Extended Failed);
};
