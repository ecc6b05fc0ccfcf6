#include "qorScriptWatchdog.h"

#include "LuaLib.h"

#include <algorithm>
#include <system_error>

TqorScriptWatchdog::TqorScriptWatchdog(THook Hook) : FHook(Hook) {}

TqorScriptWatchdog::~TqorScriptWatchdog() {
  if (!FThread.joinable()) return;
  {
    const std::lock_guard lock(FMutex);
    FStop = true;
  }
  FWake.notify_one();
  FThread.join();
}

void TqorScriptWatchdog::Start() {
  if (FThread.joinable()) return;
  try {
    FThread = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
  }
}

void TqorScriptWatchdog::Enter(lua_State* Thread) {
  const std::lock_guard lock(FThreadsMutex);
  FThreads.push_back(Thread);
}

void TqorScriptWatchdog::Leave() {
  const std::lock_guard lock(FThreadsMutex);
  if (!FThreads.empty()) FThreads.pop_back();
}

// A tenth of the budget, so that the overrun stays a tenth, within 5 ms to 100 ms.
TqorScriptWatchdog::Clock::duration TqorScriptWatchdog::Period() const {
  using std::chrono::milliseconds;
  const Clock::duration tenth = Clock::duration(FBudget.load(std::memory_order_relaxed)) / 10;
  return std::clamp<Clock::duration>(tenth, milliseconds(5), milliseconds(100));
}

// An evaluation is timed from the first look that sees it, which is never before it began,
// so the watchdog never stops one early.
void TqorScriptWatchdog::Run() {
  std::uint64_t seen = 0;
  Clock::time_point since;
  Clock::rep pausedSince = 0;
  std::unique_lock lock(FMutex);
  while (!FWake.wait_for(lock, Period(), [this] { return FStop; })) {
    const std::uint64_t serial = FSerial.load(std::memory_order_relaxed);
    const bool active = FActive.load(std::memory_order_acquire);
    const Clock::time_point now = Clock::now();
    const Clock::rep paused = FPaused.load(std::memory_order_relaxed);
    if (!active || serial != seen) {
      seen = serial;
      since = now;
      pausedSince = paused;
      continue;
    }
    const Clock::duration spent = now - since - Clock::duration(paused - pausedSince);
    if (spent > Clock::duration(FBudget.load(std::memory_order_relaxed)) &&
        FOverdueSerial.load(std::memory_order_relaxed) != serial)
      Arm(serial);
  }
}

// Marks the evaluation overdue before arming: the armed hook must find it so. An
// evaluation that ended meanwhile has another serial, and its successor's hook, armed
// for nothing, just looks at its own clock and sets itself back.
void TqorScriptWatchdog::Arm(std::uint64_t Serial) {
  FOverdueSerial.store(Serial, std::memory_order_release);
  const std::lock_guard lock(FThreadsMutex);
  for (lua_State* thread : FThreads) LuaLib::lua_sethook(thread, FHook, LUA_MASKCOUNT, 1);
}
