#pragma once
// The time budget's second line. Lua's count hook looks at the clock every few thousand
// instructions, which is enough while instructions are cheap; but a single instruction can
// copy or compare a string of megabytes, and thousands of them take minutes. The watchdog
// is a thread that watches the running evaluation from outside and, once it has run
// longer than the budget, arms the hook of every running Lua thread to fire at the next
// instruction (Lua allows lua_sethook from another thread; it only sets four fields).
//
// The evaluation side costs two stores per evaluation; the thread starts only for a
// script that runs at all long (the hook fires) or handles large data (a large block),
// which is what makes an instruction expensive.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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
  // A new evaluation starts (each with its own budget) / the running one ends.
  void Begin() {
    FSerial.store(FSerial.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    FActive.store(true, std::memory_order_release);
  }
  void End() { FActive.store(false, std::memory_order_release); }
  // Time the host spent on its own behalf inside the evaluation (the watcher's ticks),
  // which does not count against the budget.
  void Paused(Clock::duration Time) { FPaused.fetch_add(Time.count(), std::memory_order_relaxed); }
  // True when the watchdog found the running evaluation over its budget.
  bool Overdue() const {
    return FOverdueSerial.load(std::memory_order_acquire) == FSerial.load(std::memory_order_relaxed);
  }
  // Starts the thread unless it runs; a thread that cannot start leaves the hook alone
  // in charge, as before.
  void Start();

  // The Lua threads that run: the main thread, then each coroutine being resumed inside
  // the one before it. A registered thread must stay alive until it is removed.
  void Enter(lua_State* Thread);
  void Leave();

private:
  void Run();
  void Arm(std::uint64_t Serial);
  Clock::duration Period() const;

  THook FHook;
  std::atomic<Clock::rep> FBudget{0};
  std::atomic<std::uint64_t> FSerial{0};
  std::atomic<bool> FActive{false};
  std::atomic<std::uint64_t> FOverdueSerial{0};  // serials start at 1
  std::atomic<Clock::rep> FPaused{0};
  std::mutex FThreadsMutex;  // guards FThreads against Arm
  std::vector<lua_State*> FThreads;
  std::mutex FMutex;  // guards FStop
  std::condition_variable FWake;
  bool FStop = false;
  std::thread FThread;
};
