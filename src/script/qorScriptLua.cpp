#include "qorScriptLua.h"

#include "LuaLib.h"
#include "qorException.h"
#include "qorFloatFaults.h"
#include "qorScriptSandbox.h"
#include "qorScriptWatchdog.h"
#include "qorStrUtils.h"

#include <malloc.h>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <new>

using Clock = std::chrono::steady_clock;

namespace {
void BudgetHook(lua_State* L, lua_Debug*);
}  // namespace

struct TqorScriptLuaCommon::TLuaLimits {
  TLuaLimits() { FWatchdog.setBudget(FBudget); }

  std::size_t FUsed = 0;                   // bytes the state's blocks cost (BlockCost)
  std::size_t FCap = DefaultLuaMemoryCap;  // most bytes it may hold during an evaluation
  // The cap applies only inside protected calls: elsewhere Lua could not report
  // running out and would end the process.
  bool FCapActive = false;
  Clock::duration FBudget = DefaultEvaluationBudget;
  Clock::time_point FStart;  // when the running evaluation was first checked
  bool FStarted = false;     // FStart holds the running evaluation's first check
  bool FExpired = false;     // the running evaluation ran out of time or was cancelled
  bool FCancelled = false;   // the running evaluation was cancelled
  TqorScriptWatcher FWatcher;
  Clock::time_point FNextTick;     // when the watcher's next tick is due
  const int* FPassNext = nullptr;  // the running pass's count of finished calls
  TqorScriptWatchdog FWatchdog{BudgetHook};
};

namespace {

using TLuaLimits = TqorScriptLuaCommon::TLuaLimits;

// Instructions between two looks at the clock: rare enough that the check costs
// nothing measurable, frequent enough (well under a millisecond) to stop promptly.
constexpr int BudgetCheckInterval = 10'000;

// What the time check raises inside Lua; the host reports the overrun in its own words.
constexpr const char* BudgetErrorText = "Zeitlimit überschritten";

TLuaLimits& LimitsOf(lua_State* L) {
  void* limits = nullptr;
  LuaLib::lua_getallocf(L, &limits);
  return *static_cast<TLuaLimits*>(limits);
}

// Blocks from this size on make the allocator look at the clock: a few instructions
// that copy large strings could otherwise spend minutes between two looks of the hook.
constexpr std::size_t LargeBlockSize = 64 * 1024;

// Runs the watcher's tick; its time is not the evaluation's. What it raises cannot pass
// through Lua's C frames and is dropped.
void Tick(TLuaLimits& limits, Clock::time_point now) {
  limits.FNextTick = now + WatcherInterval;
  try {
    limits.FWatcher.Tick(limits.FPassNext ? *limits.FPassNext : 0);
  } catch (...) {
  }
  const Clock::duration paused = Clock::now() - now;
  if (limits.FStarted) limits.FStart += paused;
  limits.FWatchdog.Paused(paused);
}

bool CancelRequested(const TLuaLimits& limits) {
  return limits.FWatcher.Cancel && limits.FWatcher.Cancel->load(std::memory_order_relaxed);
}

// True once the running evaluation has spent its budget or the watcher's cancel flag is
// set; the clock starts at the first look.
bool BudgetSpent(TLuaLimits& limits) {
  if (limits.FExpired) return true;
  if (CancelRequested(limits)) {
    limits.FCancelled = true;
    limits.FExpired = true;
    return true;
  }
  if (limits.FWatchdog.Overdue()) {
    limits.FExpired = true;
    return true;
  }
  const Clock::time_point now = Clock::now();
  if (!limits.FStarted) {
    limits.FStart = now;
    limits.FStarted = true;
  }
  limits.FExpired = now - limits.FStart > limits.FBudget;
  return limits.FExpired;
}

// What a block costs the process: its usable size, which the allocator rounds up, and
// the allocator's header. Counting Lua's sizes alone misses a third of a state made of
// small tables.
std::size_t BlockCost(void* Block) { return malloc_usable_size(Block) + sizeof(std::size_t); }

// Lua's allocator with the memory cap; Lua frees with nsize 0 and never expects a
// shrink to fail. Once the budget is spent, large blocks fail too.
void* CappedAlloc(void* ud, void* ptr, std::size_t osize, std::size_t nsize) {
  auto& limits = *static_cast<TLuaLimits*>(ud);
  const std::size_t oldCost = ptr ? BlockCost(ptr) : 0;
  if (nsize == 0) {
    std::free(ptr);
    limits.FUsed -= oldCost;
    return nullptr;
  }
  if (nsize > osize && limits.FCapActive) {
    if (limits.FUsed - oldCost + nsize + sizeof(std::size_t) > limits.FCap) return nullptr;
    if (nsize >= LargeBlockSize && BudgetSpent(limits)) {
      // The script may catch the memory error: its next instruction raises the budget's.
      limits.FWatchdog.ArmRunning();
      return nullptr;
    }
  }
  void* block = std::realloc(ptr, nsize);
  if (block) limits.FUsed = limits.FUsed - oldCost + BlockCost(block);
  return block;
}

// Lets the watcher look in when its tick is due; true once the running evaluation has
// spent its budget or the watcher's cancel flag is set.
bool Interrupted(TLuaLimits& limits) {
  if (!limits.FExpired && limits.FWatcher.Tick) {
    const Clock::time_point now = Clock::now();
    if (now >= limits.FNextTick) Tick(limits, now);
  }
  return BudgetSpent(limits);
}

// Ends the running evaluation with the budget's error. From now on every instruction
// fails, so that script code which catches the error (pcall) cannot run on.
[[noreturn]] void RaiseBudgetError(lua_State* L) {
  LuaLib::lua_sethook(L, BudgetHook, LUA_MASKCOUNT, 1);
  LuaLib::lua_pushstring(L, BudgetErrorText);
  LuaLib::lua_error(L);
  std::abort();  // lua_error does not return
}

// The count hook: raises a Lua error once the evaluation has spent its budget or the
// watcher's cancel flag is set, and lets the watcher look in now and then. The clock
// starts at the evaluation's first check, at most one interval after it began, so that
// a quick call never reads the clock.
void BudgetHook(lua_State* L, lua_Debug*) {
  TLuaLimits& limits = LimitsOf(L);
  if (Interrupted(limits)) RaiseBudgetError(L);
  // The watchdog may have armed this thread for an evaluation that ended meanwhile.
  LuaLib::lua_sethook(L, BudgetHook, LUA_MASKCOUNT, BudgetCheckInterval);
}

// The same look before each piece the compiler reads: compiling counts against the
// budget, and a compile that outlasts it ends, as does the script that asked for it.
void CheckCompile(lua_State* L) {
  TLuaLimits& limits = LimitsOf(L);
  if (limits.FCapActive && Interrupted(limits)) RaiseBudgetError(L);
}

constexpr TCompileGuard BudgetGuard{CheckCompile};

// The text of the error value on top of the stack, shortened for a message; for a
// value without a text (error({}), error(nil)) what kind of value it is.
std::string TopText(lua_State* L) {
  if (const char* text = LuaLib::lua_tostring(L, -1)) return Local8BitExcerpt(text).toStdString();
  const char* kind = LuaLib::lua_typename(L, LuaLib::lua_type(L, -1));
  return std::string("Das Script hat einen Fehler ohne Meldungstext ausgelöst (Fehlerwert vom Typ ") + kind + ").";
}

// Shortest text that reads back as the same double, independent of the locale.
std::string NumberText(double value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::string(buffer, end);
}

// The abort of a script run (not a function evaluation) that ran out of time.
ECalculationAborted ScriptTimeout(const std::string& budget) {
  return ECalculationAborted("Die Ausführung des Scripts hat das Zeitlimit von " + budget + " überschritten.");
}

// The abort of the evaluation of the function for x that ran out of time.
ECalculationAborted EvaluationTimeout(double x, const std::string& budget) {
  return ECalculationAborted("Die Auswertung der Funktion für x = " + NumberText(x) + " hat das Zeitlimit von " +
                             budget + " überschritten.");
}

// The number on top of the stack (a numeric string counts); false for anything else.
// lua_tonumber gives 0 for what is not a number, so only a 0 needs the type test.
bool TopNumber(lua_State* L, double& value) {
  value = LuaLib::lua_tonumber(L, -1);
  return value != 0 || LuaLib::lua_isnumber(L, -1);
}

// A pass of calls of the prepared function, made by PassLoop inside Lua.
struct TLuaPass {
  const Extended* X;  // the arguments
  Extended* Y;        // the results
  int Count;
  int Next;  // the call running, or the next to make
  std::int64_t& Calls;
  Extended Failed;  // the result of a call that fails
};

// Calls the function at stack index 1 for X[Next], X[Next + 1], ... of the pass at index 2.
// A call that fails raises out of the loop and out of the protected call around it; the
// host then resumes after that call. Holds nothing that would need destroying.
int PassLoop(lua_State* L) {
  TLuaPass& pass = *static_cast<TLuaPass*>(LuaLib::lua_touserdata(L, 2));
  TLuaLimits& limits = LimitsOf(L);
  for (; pass.Next < pass.Count; ++pass.Next) {
    limits.FStarted = false;  // every call has its own time budget
    limits.FWatchdog.Restart();
    ++pass.Calls;
    LuaLib::lua_pushvalue(L, 1);
    LuaLib::lua_pushnumber(L, static_cast<double>(pass.X[pass.Next]));
    LuaLib::lua_call(L, 1, 1);
    double result;
    pass.Y[pass.Next] = TopNumber(L, result) ? result : pass.Failed;
    LuaLib::lua_settop(L, 2);
  }
  return 0;
}

// Calls the original function of a coroutine's resumption (upvalue 1) with the arguments,
// with Thread registered as running for the watchdog meanwhile. A protected call, so that
// the thread leaves the register also when the resumption raises; the error then goes on,
// with the caller's position in front of a text as Lua's wrapped functions put it.
int ResumeWatched(lua_State* L, lua_State* Thread, bool PrefixPosition) {
  TqorScriptWatchdog& watchdog = LimitsOf(L).FWatchdog;
  const int n = LuaLib::lua_gettop(L);
  LuaLib::lua_pushvalue(L, lua_upvalueindex(1));
  LuaLib::lua_insert(L, 1);
  if (Thread) watchdog.Enter(Thread);
  const int code = LuaLib::lua_pcall(L, n, LUA_MULTRET, 0);
  if (Thread) watchdog.Leave();
  if (code == 0) return LuaLib::lua_gettop(L);
  if (PrefixPosition && LuaLib::lua_isstring(L, -1)) {
    LuaLib::luaL_where(L, 1);
    LuaLib::lua_insert(L, -2);
    LuaLib::lua_concat(L, 2);
  }
  return LuaLib::lua_error(L);
}

// coroutine.resume(co, ...)
int WatchedResume(lua_State* L) { return ResumeWatched(L, LuaLib::lua_tothread(L, 1), false); }

// A function made by coroutine.wrap; upvalue 2 is its thread.
int WatchedWrapped(lua_State* L) { return ResumeWatched(L, LuaLib::lua_tothread(L, lua_upvalueindex(2)), true); }

// coroutine.wrap(f): Lua's wrapped function, whose first upvalue is its thread, wrapped.
int WatchedWrap(lua_State* L) {
  LuaLib::lua_pushvalue(L, lua_upvalueindex(1));
  LuaLib::lua_insert(L, 1);
  LuaLib::lua_call(L, LuaLib::lua_gettop(L) - 1, 1);
  LuaLib::lua_getupvalue(L, -1, 1);
  LuaLib::lua_pushcclosure(L, WatchedWrapped, 2);
  return 1;
}

// Replaces coroutine.Name by Watched with the original as its upvalue.
void WatchCoroutineFunction(lua_State* L, const char* Name, lua_CFunction Watched) {
  LuaLib::lua_getfield(L, -1, Name);
  LuaLib::lua_pushcclosure(L, Watched, 1);
  LuaLib::lua_setfield(L, -2, Name);
}

// The watchdog must know which coroutine runs, to stop it.
void WatchCoroutines(lua_State* L) {
  LuaLib::lua_getglobal(L, "coroutine");
  if (LuaLib::lua_type(L, -1) == LUA_TTABLE) {
    WatchCoroutineFunction(L, "resume", WatchedResume);
    WatchCoroutineFunction(L, "wrap", WatchedWrap);
  }
  LuaLib::lua_pop(L, 1);
}

// Pushes the global named by the string argument. PrepareFunction runs it as a
// protected call: a metatable on the globals can run script code that fails.
int GetGlobal(lua_State* L) {
  LuaLib::lua_getglobal(L, LuaLib::lua_tostring(L, 1));
  return 1;
}

int CollectGarbage(lua_State* L) {
  LuaLib::lua_gc(L, LUA_GCCOLLECT, 0);
  return 0;
}

// Lua does not collect when an allocation fails, so after a memory error the garbage
// of the failed run would crowd out the next one. Collecting runs script code (__gc),
// hence the protected call.
void CollectAfterMemoryError(lua_State* L, int code) {
  if (code == LUA_ERRMEM) LuaLib::lua_cpcall(L, CollectGarbage, nullptr);
}

// The detail of a failed script run by Lua's result code.
std::string LoadErrorDetail(int code, const QString& script) {
  const std::string quoted = "\"" + TextExcerpt(script).toStdString() + "\"";
  if (code == LUA_ERRSYNTAX) return "Syntaxfehler in Script " + quoted;
  if (code == LUA_ERRMEM) return "Unzureichender Speicher zum laden von Script " + quoted;
  return std::string();
}

}  // namespace

namespace {
// A byte that continues a character in UTF-8; a character has at most three of them.
bool ContinuesCharacter(char Byte) { return (static_cast<unsigned char>(Byte) & 0xC0) == 0x80; }
constexpr qsizetype MaxContinuationBytes = 3;
}  // namespace

QString Local8BitExcerpt(QByteArrayView Text, qsizetype PieceSize) {
  QString head;  // the first MaxQuotedLength + 1 characters
  qsizetype length = 0;
  for (qsizetype begin = 0; begin < Text.size();) {
    qsizetype end = std::min(Text.size(), begin + PieceSize);
    for (qsizetype k = 0; k < MaxContinuationBytes && end < Text.size() && ContinuesCharacter(Text[end]); ++k) ++end;
    const QString piece = QString::fromLocal8Bit(Text.sliced(begin, end - begin));
    head += piece.first(std::clamp<qsizetype>(MaxQuotedLength + 1 - head.size(), 0, piece.size()));
    length += piece.size();
    begin = end;
  }
  if (length <= MaxQuotedLength) return head;
  // As TextExcerpt shortens a text: a surrogate pair is not cut in half.
  const qsizetype cut = head[MaxQuotedLength - 1].isHighSurrogate() ? MaxQuotedLength - 1 : MaxQuotedLength;
  return head.left(cut) + QStringLiteral(" [... %1 Zeichen]").arg(length);
}

// No script code can run while the state closes (scripts make no finalizers); the cap
// still holds, as Lua runs finalizers in protected calls.
void TqorScriptLuaCommon::TLuaStateCloser::operator()(lua_State* L) const {
  TFloatEnvGuard guard;
  const TLuaLocaleGuard cLocale;
  TLuaLimits& limits = LimitsOf(L);
  limits.FWatchdog.Leave();  // the main thread: closing runs no instruction to arm
  limits.FCapActive = true;
  LuaLib::lua_close(L);
}

TqorScriptLuaCommon::TqorScriptLuaCommon(const QString& LuaLibFileName)
    : FLuaLibFileName(LuaLibFileName), FLimits(std::make_unique<TLuaLimits>()) {
  LoadLibrary();
}

TqorScriptLuaCommon::~TqorScriptLuaCommon() = default;

void TqorScriptLuaCommon::LoadLibrary() {
  if (LuaLib::LuaLibLoaded()) return;
  FLuaLibHandle = LuaLib::LoadLuaLib(FLuaLibFileName);
  if (FLuaLibHandle > 0) return;
  const std::string prefix = "LuaScript.LoadLibrary(): Bibliothek \"" + LuaLib::GetLuaLibFileName().toStdString() +
                             "\"";
  if (FLuaLibHandle == LuaLib::LuaLibHandleMissing) throw Exception(prefix + " existiert nicht.");
  throw Exception(prefix + " konnte nicht geladen werden.");
}

void TqorScriptLuaCommon::CreateState() {
  {
    TFloatEnvGuard guard;
    const TLuaLocaleGuard cLocale;
    lua_State* L = LuaLib::lua_newstate(CappedAlloc, FLimits.get());
    if (!L) throw std::bad_alloc();
    FLuaState.reset(L);
    FLimits->FWatchdog.Enter(L);
    LuaLib::lua_sethook(L, BudgetHook, LUA_MASKCOUNT, BudgetCheckInterval);
    OpenSandbox(L, &BudgetGuard);
    WatchCoroutines(L);
  }
  try {
    OpenLibraries();
  } catch (...) {
    FLuaState.reset();  // half a state would be taken for a whole one next time
    throw;
  }
}

void TqorScriptLuaCommon::LoadScriptFromString(const QString& script) {
  ScriptReplaced();
  lua_State* L = luaState();
  const QByteArray text = script.toLocal8Bit();
  TFloatEnvGuard guard;
  const TLuaLocaleGuard cLocale;
  LuaLib::lua_settop(L, 0);
  const int code = Evaluate([&] { return DoSourceString(L, text.constData()); });
  if (code != 0) RaiseScriptError(code, script);
}

void TqorScriptLuaCommon::RunInPlaceOfScript(int (*Run)(lua_State*), QString (*Script)()) {
  lua_State* L = luaState();
  TFloatEnvGuard guard;
  const TLuaLocaleGuard cLocale;
  const int code = Evaluate([&] { return LuaLib::lua_cpcall(L, Run, nullptr); });
  if (code != 0) RaiseScriptError(code, Script());
}

void TqorScriptLuaCommon::RaiseScriptError(int code, const QString& script) {
  lua_State* L = luaState();
  RaiseIfCancelled();
  if (timedOut()) throw ScriptTimeout(budgetText());
  CollectAfterMemoryError(L, code);
  throw Exception("Fehler in LoadScriptFromString(): " + LoadErrorDetail(code, script) + "\r\n" +
                  "Fehlermeldung: " + TopText(L));
}

std::chrono::milliseconds TqorScriptLuaCommon::evaluationBudget() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(FLimits->FBudget);
}

void TqorScriptLuaCommon::setEvaluationBudget(std::chrono::milliseconds budget) {
  FLimits->FBudget = budget;
  FLimits->FWatchdog.setBudget(FLimits->FBudget);
}

std::size_t TqorScriptLuaCommon::memoryCap() const { return FLimits->FCap; }

void TqorScriptLuaCommon::setMemoryCap(std::size_t bytes) { FLimits->FCap = bytes; }

std::size_t TqorScriptLuaCommon::memoryUsed() const { return FLimits->FUsed; }

void TqorScriptLuaCommon::setWatcher(TqorScriptWatcher Watcher) {
  FLimits->FWatcher = std::move(Watcher);
  FLimits->FNextTick = Clock::now() + WatcherInterval;
}

std::string TqorScriptLuaCommon::budgetText() const {
  return NumberText(std::chrono::duration<double>(FLimits->FBudget).count()) + " s";
}

void TqorScriptLuaCommon::BeginEvaluation() {
  if (FLimits->FExpired) {
    LuaLib::lua_sethook(luaState(), BudgetHook, LUA_MASKCOUNT, BudgetCheckInterval);
    FLimits->FExpired = false;
    FLimits->FCancelled = false;
  }
  FLimits->FStarted = false;
  FLimits->FCapActive = true;
  FLimits->FWatchdog.Begin();
}

void TqorScriptLuaCommon::EndEvaluation() {
  FLimits->FWatchdog.End();
  FLimits->FCapActive = false;
}

bool TqorScriptLuaCommon::timedOut() const { return FLimits->FExpired; }

void TqorScriptLuaCommon::WatchWithoutLua(int PassStarted) {
  TLuaLimits& limits = *FLimits;
  if (limits.FWatcher.Tick) {
    const Clock::time_point now = Clock::now();
    if (now >= limits.FNextTick) {
      const int* shown = limits.FPassNext;
      limits.FPassNext = &PassStarted;
      Tick(limits, now);
      limits.FPassNext = shown;
    }
  }
  if (CancelRequested(limits)) throw ECalculationCancelled(MsgCalculationCancelled);
}

void TqorScriptLuaCommon::RaiseIfCancelled() const {
  if (FLimits->FCancelled) throw ECalculationCancelled(MsgCalculationCancelled);
}

void TqorScriptLua::PrepareFunction(const QString& FctName) {
  lua_State* L = luaState();
  const QByteArray name = FctName.toLocal8Bit();
  TFloatEnvGuard guard;
  const TLuaLocaleGuard cLocale;
  LuaLib::lua_pushcclosure(L, GetGlobal, 0);
  LuaLib::lua_pushstring(L, name.constData());
  // A failure leaves its error value as the prepared function: every fct call then
  // fails, as it does for a name that holds no function.
  const int code = Evaluate([&] { return LuaLib::lua_pcall(L, 1, 1, 0); });
  RaiseIfCancelled();
  if (code != 0 && timedOut()) throw ScriptTimeout(budgetText());
}

Extended TqorScriptLua::fct(Extended x) {
  lua_State* L = luaState();
  TFloatEnvGuard guard;  // also takes the flags of rounding x to double
  const TLuaLocaleGuard cLocale;
  const double argument = static_cast<double>(x);
  LuaLib::lua_pushvalue(L, -1);
  LuaLib::lua_pushnumber(L, argument);
  const int code = Evaluate([L] { return LuaLib::lua_pcall(L, 1, 1, 0); });
  if (code != 0) {
    if (timedOut()) {
      LuaLib::lua_pop(L, 1);
      RaiseIfCancelled();
      throw EvaluationTimeout(argument, budgetText());
    }
    const std::string error = TopText(L);
    LuaLib::lua_pop(L, 1);
    CollectAfterMemoryError(L, code);
    throw Exception("Fehler #" + std::to_string(code) + " in lua_pcall: " + error);
  }
  double result;
  const bool numeric = TopNumber(L, result);
  LuaLib::lua_pop(L, 1);
  if (!numeric) throw Exception("Ergebnis von lua_pcall ist keine Zahl!");
  return result;
}

TqorScriptLuaCommon::TPassShown::TPassShown(TqorScriptLuaCommon& Host, const int& Next) : FHost(Host) {
  FHost.FLimits->FPassNext = &Next;
}

TqorScriptLuaCommon::TPassShown::~TPassShown() { FHost.FLimits->FPassNext = nullptr; }

// All calls run in one protected call into Lua, which is made again after a call that
// failed: a round trip through the C API per argument costs as much as a simple function.
void TqorScriptLua::fctPass(const Extended* X, Extended* Y, int N, std::int64_t& Calls, Extended Failed) {
  lua_State* L = luaState();
  TFloatEnvGuard guard;  // also takes the flags of rounding the arguments to double
  const TLuaLocaleGuard cLocale;
  TLuaPass pass{X, Y, N, 0, Calls, Failed};
  const TPassShown shown(*this, pass.Next);
  while (pass.Next < N) {
    LuaLib::lua_pushcclosure(L, PassLoop, 0);
    LuaLib::lua_pushvalue(L, -2);  // the prepared function
    LuaLib::lua_pushlightuserdata(L, &pass);
    const int code = Evaluate([L] { return LuaLib::lua_pcall(L, 2, 0, 0); });
    if (code == 0) return;
    LuaLib::lua_pop(L, 1);
    if (timedOut()) {
      RaiseIfCancelled();
      throw EvaluationTimeout(static_cast<double>(X[pass.Next]), budgetText());
    }
    CollectAfterMemoryError(L, code);
    Y[pass.Next++] = Failed;
  }
}
