#include "toolkit/Timer.h"

#include <algorithm>
#include <climits>
#include <unordered_set>
#include <vector>

#include "platform/winapi.h"

namespace toolkit {
namespace {

// The service used unless a backend installs its own: timers fire when the
// owner of the loop calls PumpTimers().
class ManualTimerService : public TimerService {
 public:
  void Arm(TTimer* timer, uint32_t intervalMs) override {
    Disarm(timer);
    entries_.push_back(Entry{timer, intervalMs, timeGetTime(), ++lastArm_});
  }

  void Disarm(TTimer* timer) override {
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [timer](const Entry& e) { return e.timer == timer; }),
                   entries_.end());
  }

  void Pump() {
    const uint32_t now = timeGetTime();
    // Decide first which timers are due; handlers may then arm, disarm or
    // destroy timers (themselves included) freely.
    std::vector<Due> due;
    for (const Entry& e : entries_) {
      const uint32_t elapsed = now - e.since;
      if (elapsed >= e.interval) due.push_back(Due{e.arm, e.since, elapsed - e.interval});
    }
    // Most overdue first; ties in the order they were armed.
    std::stable_sort(due.begin(), due.end(), [](const Due& a, const Due& b) { return a.overdue > b.overdue; });
    for (const Due& d : due) {
      Entry* e = Find(d.arm);
      // Gone, re-armed, or already fired by a pump nested in a handler.
      if (e == nullptr || e->since != d.since) continue;
      e->since = now;
      TTimer* timer = e->timer;
      timer->Timer();
    }
  }

  int32_t NextDueIn() const {
    if (entries_.empty()) return -1;
    const uint32_t now = timeGetTime();
    uint32_t next = UINT32_MAX;
    for (const Entry& e : entries_) {
      const uint32_t elapsed = now - e.since;
      next = std::min(next, elapsed >= e.interval ? 0u : e.interval - elapsed);
    }
    return next > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(next);
  }

 private:
  struct Entry {
    TTimer* timer;
    uint32_t interval;
    uint32_t since;  // when it was armed or last fired
    uint64_t arm;    // unique per Arm call, so a new timer at a freed address is told apart
  };
  struct Due {
    uint64_t arm;
    uint32_t since;
    uint32_t overdue;
  };

  Entry* Find(uint64_t arm) {
    for (Entry& e : entries_) {
      if (e.arm == arm) return &e;
    }
    return nullptr;
  }

  std::vector<Entry> entries_;
  uint64_t lastArm_ = 0;
};

// Process-wide state, never destroyed, so that timers living in static
// objects can still disarm at exit.
struct Timers {
  ManualTimerService manual;
  TimerService* current = &manual;
  std::unordered_set<TTimer*> live;
};

Timers& State() {
  static Timers* state = new Timers;
  return *state;
}

}  // namespace

void SetTimerService(TimerService* service) {
  Timers& s = State();
  TimerService* next = service != nullptr ? service : &s.manual;
  if (next == s.current) return;
  TimerService* previous = s.current;
  s.current = next;
  for (TTimer* t : s.live) {
    previous->Disarm(t);
    if (t->Running()) next->Arm(t, t->Interval());
  }
}

void PumpTimers() { State().manual.Pump(); }

int32_t NextTimerDueIn() { return State().manual.NextDueIn(); }

}  // namespace toolkit

TTimer::TTimer(void* /*owner*/) : enabled_(true), interval_(1000) {
  toolkit::State().live.insert(this);
  Update();
}

TTimer::~TTimer() {
  toolkit::Timers& s = toolkit::State();
  s.current->Disarm(this);
  s.live.erase(this);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Update();
}

void TTimer::SetInterval(uint32_t interval) {
  if (interval == interval_) return;
  interval_ = interval;
  Update();
}

void TTimer::Timer() {
  if (!OnTimer) return;
  // The handler may destroy this timer, and with it OnTimer: call a copy.
  const std::function<void(TTimer*)> handler = OnTimer;
  handler(this);
}

void TTimer::Update() {
  toolkit::TimerService* service = toolkit::State().current;
  service->Disarm(this);
  if (Running()) service->Arm(this, interval_);
}
