// Window timers on FLTK's event loop.
#include "toolkit/fltk/FltkHeaders.h"

#include <unordered_map>

#include "toolkit/fltk/FltkInternal.h"

namespace toolkit {
namespace fltk {

namespace {

// Each armed timer is one FLTK timeout keyed by the timer's address. The
// timeout re-arms itself before it fires the timer, so the cadence is kept
// from the due time, and a handler that stops, changes or destroys its timer
// simply removes or replaces that timeout.
class FltkTimerService : public TimerService {
 public:
  void Arm(TTimer* timer, uint32_t intervalMs) override {
    Fl::remove_timeout(&FltkTimerService::Fire, timer);
    intervals_[timer] = intervalMs / 1000.0;
    Fl::add_timeout(intervals_[timer], &FltkTimerService::Fire, timer);
  }

  void Disarm(TTimer* timer) override {
    Fl::remove_timeout(&FltkTimerService::Fire, timer);
    intervals_.erase(timer);
  }

 private:
  static void Fire(void* data) {
    TTimer* timer = static_cast<TTimer*>(data);
    FltkTimerService& self = static_cast<FltkTimerService&>(FltkTimers());
    auto it = self.intervals_.find(timer);
    if (it == self.intervals_.end()) return;
    Fl::repeat_timeout(it->second, &FltkTimerService::Fire, timer);
    timer->Timer();
  }

  std::unordered_map<TTimer*, double> intervals_;
};

}  // namespace

TimerService& FltkTimers() {
  // Never destroyed: timers in static objects disarm at process exit.
  static FltkTimerService* service = new FltkTimerService;
  return *service;
}

}  // namespace fltk
}  // namespace toolkit
