// The toolkit's window timer.
//
// A TTimer calls OnTimer every Interval milliseconds while it is Enabled, on
// the GUI thread. The firing itself comes from a timer service: the backend
// installs one over its event loop; without one, the manual service is used,
// which fires due timers when toolkit::PumpTimers() is called (headless runs
// and tests, with timeGetTime as the clock). Timers are created, changed,
// fired and destroyed on the GUI thread only.
#pragma once

#include <cstdint>
#include <functional>

class TTimer;

namespace toolkit {

// What a backend implements to make timers fire. Arm starts (or restarts) a
// timer's cadence: it is due intervalMs after the call and then every
// intervalMs after each firing, and each firing calls TTimer::Timer(). Disarm
// stops it; disarming a timer that is not armed does nothing. Both are called
// on the GUI thread, also from inside TTimer::Timer() (a handler may change,
// stop or destroy its own timer or others).
class TimerService {
 public:
  virtual ~TimerService() = default;
  virtual void Arm(TTimer* timer, uint32_t intervalMs) = 0;
  virtual void Disarm(TTimer* timer) = 0;
};

// Makes service the one all timers run on (null: the manual service). Timers
// that are running move over to it with a fresh interval. The service must
// outlive its use.
void SetTimerService(TimerService* service);

// Fires, once each, every timer of the manual service whose interval has
// elapsed since it was armed or last fired, and re-arms it from now. Timers
// armed while the pump runs wait for the next pump.
void PumpTimers();

// Milliseconds until the next timer of the manual service is due (0 when one
// is due now), or -1 when none is running.
int32_t NextTimerDueIn();

}  // namespace toolkit

class TTimer {
 public:
  // The owner is accepted for the toolkit's usual constructor shape; the
  // timer is destroyed by whoever created it, not by the owner.
  explicit TTimer(void* owner = nullptr);
  virtual ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Milliseconds between firings; 0 keeps the timer from running.
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t interval);

  // Called with the timer each time it fires; an empty handler does nothing.
  std::function<void(TTimer*)> OnTimer;

  // One firing, called by the timer service. The handler may destroy the
  // timer.
  virtual void Timer();

  // True while Enabled with a non-zero Interval: the timer is armed.
  bool Running() const { return enabled_ && interval_ != 0; }

 private:
  // Sets the window timer up anew after Enabled or Interval changed.
  void Update();

  bool enabled_;
  uint32_t interval_;
};
