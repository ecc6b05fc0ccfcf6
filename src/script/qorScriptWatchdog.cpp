#include "qorScriptWatchdog.h"

#include "LuaLib.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <system_error>

namespace {

// The signal that asks the evaluating thread to arm its hooks. Ignored by default, so a
// late one that finds no handler does no harm.
constexpr int WatchdogSignal = SIGURG;

// The watchdog of the evaluation running on this thread, for the signal handler.
thread_local TqorScriptWatchdog* tEvaluating = nullptr;

// True once the handler is in place; false when another part of the process has
// claimed the signal, and the hook then stops scripts alone.
bool InstallHandler(void (*Handler)(int)) {
  struct sigaction old = {};
  if (sigaction(WatchdogSignal, nullptr, &old) != 0) return false;
  if (old.sa_handler == Handler) return true;
  if ((old.sa_flags & SA_SIGINFO) != 0 || (old.sa_handler != SIG_DFL && old.sa_handler != SIG_IGN)) return false;
  struct sigaction action = {};
  action.sa_handler = Handler;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  return sigaction(WatchdogSignal, &action, nullptr) == 0;
}

}  // namespace

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

void TqorScriptWatchdog::Begin() {
  Start();
  FEvaluator.store(pthread_self(), std::memory_order_relaxed);
  FOuter = tEvaluating;
  tEvaluating = this;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  Restart();
  FActive.store(true, std::memory_order_release);
}

void TqorScriptWatchdog::End() {
  FActive.store(false, std::memory_order_release);
  tEvaluating = FOuter;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

void TqorScriptWatchdog::Start() {
  if (FThread.joinable()) return;
  static const bool handlerReady = InstallHandler(OnSignal);
  if (!handlerReady) return;
  try {
    FThread = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
  }
}

void TqorScriptWatchdog::Enter(lua_State* Thread) {
  if (FThreadCount < MaxThreads) {
    FThreads[FThreadCount] = Thread;
    FArmable.store(FThreadCount + 1, std::memory_order_release);
  }
  ++FThreadCount;
}

void TqorScriptWatchdog::Leave() {
  if (FThreadCount == 0) return;
  --FThreadCount;
  FArmable.store(std::min(FThreadCount, MaxThreads), std::memory_order_release);
}

// A tenth of the budget, so that the overrun stays a tenth, within 5 ms to 100 ms.
TqorScriptWatchdog::Clock::duration TqorScriptWatchdog::Period() const {
  using std::chrono::milliseconds;
  const Clock::duration tenth = Clock::duration(FBudget.load(std::memory_order_relaxed)) / 10;
  return std::clamp<Clock::duration>(tenth, milliseconds(5), milliseconds(100));
}

// An evaluation is timed from the first look that sees it, which is never before it began,
// so the watchdog never stops one early. An overdue evaluation is signalled at every look
// until it ends: a hook that was being reset when the signal came may have undone the arming.
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
    if (spent > Clock::duration(FBudget.load(std::memory_order_relaxed))) Arm(serial);
  }
}

// Marks the evaluation overdue before signalling: the armed hook must find it so. An
// evaluation that ended meanwhile has another serial or is no longer active, and the
// handler leaves the hooks alone.
void TqorScriptWatchdog::Arm(std::uint64_t Serial) {
  FOverdueSerial.store(Serial, std::memory_order_release);
  pthread_kill(FEvaluator.load(std::memory_order_relaxed), WatchdogSignal);
}

void TqorScriptWatchdog::OnSignal(int) {
  const int savedErrno = errno;
  TqorScriptWatchdog* watchdog = tEvaluating;
  if (watchdog && watchdog->FActive.load(std::memory_order_relaxed) && watchdog->Overdue()) watchdog->ArmRunning();
  errno = savedErrno;
}

void TqorScriptWatchdog::ArmRunning() {
  const int count = FArmable.load(std::memory_order_acquire);
  for (int i = 0; i < count; ++i) LuaLib::lua_sethook(FThreads[i], FHook, LUA_MASKCOUNT, 1);
}
