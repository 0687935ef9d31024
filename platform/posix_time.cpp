// Multimedia timer functions and Sleep over the POSIX monotonic clock.
//
// The clock behind timeGetTime and the behaviour of Sleep can be replaced by
// tests (platform/hooks.h). The replaceable functions are reached through an
// atomic pointer so that the unhooked path costs one load and one branch, and
// a replaced function is kept alive (never freed) in case another thread is
// still inside it.
#include <errno.h>
#include <sched.h>
#include <time.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/hooks.h"
#include "platform/timeperiods.h"
#include "platform/winapi.h"

namespace {

constexpr UINT kPeriodMin = 1;
constexpr UINT kPeriodMax = 1000000;

std::atomic<uint32_t> g_outstandingPeriods{0};

std::atomic<const platform::ClockSource*> g_clock{nullptr};
std::atomic<const platform::SleepHandler*> g_sleep{nullptr};

// Installs a hook function, keeping every function ever installed alive.
template <typename F>
void Install(std::atomic<const F*>& slot, F fn) {
  static std::mutex* lock = new std::mutex;
  static auto* keep = new std::vector<std::unique_ptr<F>>;
  std::lock_guard<std::mutex> guard(*lock);
  const F* installed = nullptr;
  if (fn) {
    keep->emplace_back(new F(std::move(fn)));
    installed = keep->back().get();
  }
  slot.store(installed, std::memory_order_release);
}

uint32_t MonotonicMilliseconds() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

}  // namespace

namespace platform {

void SetClockSource(ClockSource clock) { Install(g_clock, std::move(clock)); }

void SetSleepHandler(SleepHandler handler) { Install(g_sleep, std::move(handler)); }

}  // namespace platform

uint32_t platform_OutstandingTimerPeriods() { return g_outstandingPeriods.load(); }

MMRESULT WINAPI timeGetDevCaps(TIMECAPS* caps, UINT size) {
  if (caps == nullptr || size != sizeof(TIMECAPS)) return TIMERR_NOCANDO;
  caps->wPeriodMin = kPeriodMin;
  caps->wPeriodMax = kPeriodMax;
  return TIMERR_NOERROR;
}

MMRESULT WINAPI timeBeginPeriod(UINT period) {
  if (period < kPeriodMin || period > kPeriodMax) return TIMERR_NOCANDO;
  g_outstandingPeriods.fetch_add(1);
  return TIMERR_NOERROR;
}

MMRESULT WINAPI timeEndPeriod(UINT period) {
  if (period < kPeriodMin || period > kPeriodMax) return TIMERR_NOCANDO;
  // An end without a matching begin is refused rather than letting the count
  // go below zero.
  uint32_t n = g_outstandingPeriods.load();
  do {
    if (n == 0) return TIMERR_NOCANDO;
  } while (!g_outstandingPeriods.compare_exchange_weak(n, n - 1));
  return TIMERR_NOERROR;
}

DWORD WINAPI timeGetTime(void) {
  const platform::ClockSource* clock = g_clock.load(std::memory_order_acquire);
  if (clock == nullptr) return MonotonicMilliseconds();
  return (*clock)();
}

void WINAPI Sleep(DWORD milliseconds) {
  const platform::SleepHandler* handler = g_sleep.load(std::memory_order_acquire);
  if (handler != nullptr) {
    (*handler)(milliseconds);
    return;
  }
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  struct timespec left;
  left.tv_sec = static_cast<time_t>(milliseconds / 1000u);
  left.tv_nsec = static_cast<long>(milliseconds % 1000u) * 1000000L;
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}
