#pragma once
// The time budget's second line. Lua's count hook looks at the clock every few thousand
// instructions, which is enough while instructions are cheap; but a single instruction can
// copy, compare or parse a string of megabytes, and thousands of them take minutes. The
// watchdog is a thread that watches the running evaluation from outside and, once it has
// run longer than the budget, arms the hook of every running Lua thread to fire at the
// next instruction.
//
// The arming itself happens on the evaluating thread: the watchdog sends it a signal, and
// the handler calls lua_sethook, which Lua allows to be called asynchronously, as from a
// signal handler (its own interpreter stops a script on Ctrl-C this way). Calling it from
// the watchdog thread instead would write the hook fields while the interpreter reads them.
// Everything else the two threads share is atomic; the register of running Lua threads
// belongs to the evaluating thread and its signal handler alone.
//
// The evaluation side costs a few stores per evaluation.

#include <pthread.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

struct lua_State;
struct lua_Debug;

class TqorScriptWatchdog {
public:
  using Clock = std::chrono::steady_clock;
  using THook = void (*)(lua_State*, lua_Debug*);

  // Hook is what the armed threads run at their next instruction.
  explicit TqorScriptWatchdog(THook Hook);
  ~TqorScriptWatchdog();  // stops the thread
  TqorScriptWatchdog(const TqorScriptWatchdog&) = delete;
  TqorScriptWatchdog& operator=(const TqorScriptWatchdog&) = delete;

  // The evaluation side, all from the thread that runs Lua.
  void setBudget(Clock::duration Budget) { FBudget.store(Budget.count(), std::memory_order_relaxed); }
  // A new evaluation starts (each with its own budget) / the running one ends. Starts the
  // thread with the first evaluation.
  void Begin();
  void End();
  // The running evaluation starts over with a new budget (the next call of a pass).
  void Restart() { FSerial.store(FSerial.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed); }
  // Time the host spent on its own behalf inside the evaluation (the watcher's ticks),
  // which does not count against the budget.
  void Paused(Clock::duration Time) { FPaused.fetch_add(Time.count(), std::memory_order_relaxed); }
  // True when the watchdog found the running evaluation over its budget.
  bool Overdue() const {
    return FOverdueSerial.load(std::memory_order_acquire) == FSerial.load(std::memory_order_relaxed);
  }

  // The Lua threads that run: the main thread, then each coroutine being resumed inside
  // the one before it. A registered thread must stay alive until it is removed. Lua nests
  // at most about 200 resumptions; a thread beyond MaxThreads is left to its own hook.
  void Enter(lua_State* Thread);
  void Leave();
  static constexpr int MaxThreads = 256;
  // Arms the hook of every registered thread to fire at its next instruction. Only on the
  // evaluating thread, where the handler of the watchdog's signal runs too.
  void ArmRunning();

private:
  static void OnSignal(int);
  void Start();
  void Run();
  void Arm(std::uint64_t Serial);
  Clock::duration Period() const;

  THook FHook;
  std::atomic<Clock::rep> FBudget{0};
  std::atomic<std::uint64_t> FSerial{0};
  std::atomic<bool> FActive{false};
  std::atomic<std::uint64_t> FOverdueSerial{0};  // serials start at 1
  std::atomic<Clock::rep> FPaused{0};
  std::atomic<pthread_t> FEvaluator{};   // the thread of the running evaluation
  TqorScriptWatchdog* FOuter = nullptr;  // the watchdog of the evaluation this one interrupts
  // The register: written by the evaluating thread, read by its signal handler.
  std::array<lua_State*, MaxThreads> FThreads{};
  int FThreadCount = 0;          // registered, including those beyond MaxThreads
  std::atomic<int> FArmable{0};  // min(FThreadCount, MaxThreads), as the handler may read it
  std::mutex FMutex;             // guards FStop
  std::condition_variable FWake;
  bool FStop = false;
  std::thread FThread;
};
