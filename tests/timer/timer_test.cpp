#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/hooks.h"
#include "toolkit/Timer.h"

namespace {

// Timers on the manual service with a clock the test moves.
class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetClockSource([this] { return now; });
  }
  void TearDown() override { platform::SetClockSource(nullptr); }

  // Moves the clock by ms and pumps once.
  void Advance(uint32_t ms) {
    now += ms;
    toolkit::PumpTimers();
  }

  uint32_t now = 0xFFFFFF00u;  // close to the wrap, which must not matter
};

// A timer that records the clock at every firing.
struct Recorder {
  explicit Recorder(const uint32_t& clock, uint32_t interval) : clock(clock) {
    timer.SetInterval(interval);
    timer.OnTimer = [this](TTimer* t) {
      EXPECT_EQ(&timer, t);
      fired.push_back(this->clock);
    };
  }
  const uint32_t& clock;
  TTimer timer;
  std::vector<uint32_t> fired;
};

TEST_F(TimerTest, StartsEnabledAtOneSecond) {
  TTimer timer;
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(1000u, timer.Interval());
  EXPECT_EQ(1000, toolkit::NextTimerDueIn());
}

TEST_F(TimerTest, FiresOncePerPumpAtTheIntervalFromTheFiringTime) {
  const uint32_t t0 = now;
  Recorder r(now, 10);
  Advance(9);
  EXPECT_TRUE(r.fired.empty());
  EXPECT_EQ(1, toolkit::NextTimerDueIn());
  Advance(1);
  ASSERT_EQ(1u, r.fired.size());
  EXPECT_EQ(t0 + 10, r.fired[0]);
  EXPECT_EQ(10, toolkit::NextTimerDueIn());
  // A late pump fires once, and the next interval counts from that firing.
  Advance(35);
  ASSERT_EQ(2u, r.fired.size());
  Advance(9);
  EXPECT_EQ(2u, r.fired.size());
  Advance(1);
  EXPECT_EQ(3u, r.fired.size());
}

TEST_F(TimerTest, ChangesRestartTheCadenceButSameValuesKeepIt) {
  struct Case {
    const char* what;
    void (*change)(TTimer&);
    int dueAfterChange;  // ms from the change until the next firing
  };
  const Case cases[] = {
      {"same interval", [](TTimer& t) { t.SetInterval(10); }, 4},
      {"enabled again while enabled", [](TTimer& t) { t.SetEnabled(true); }, 4},
      {"new interval", [](TTimer& t) { t.SetInterval(20); }, 20},
      {"interval away and back", [](TTimer& t) { t.SetInterval(30); t.SetInterval(10); }, 10},
      {"disabled and enabled", [](TTimer& t) { t.SetEnabled(false); t.SetEnabled(true); }, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Recorder r(now, 10);
    Advance(6);
    c.change(r.timer);
    EXPECT_EQ(c.dueAfterChange, toolkit::NextTimerDueIn());
    Advance(static_cast<uint32_t>(c.dueAfterChange - 1));
    EXPECT_TRUE(r.fired.empty());
    Advance(1);
    EXPECT_EQ(1u, r.fired.size());
  }
}

TEST_F(TimerTest, DisabledOrZeroIntervalTimersDoNotRun) {
  Recorder r(now, 10);
  r.timer.SetEnabled(false);
  EXPECT_EQ(-1, toolkit::NextTimerDueIn());
  Advance(100);
  r.timer.SetEnabled(true);
  r.timer.SetInterval(0);
  EXPECT_EQ(-1, toolkit::NextTimerDueIn());
  Advance(100);
  EXPECT_TRUE(r.fired.empty());
}

TEST_F(TimerTest, HandlerMayDisableOrDestroyItsOwnTimer) {
  auto disabling = std::make_unique<Recorder>(now, 5);
  int disabledCalls = 0;
  disabling->timer.OnTimer = [&](TTimer* t) {
    ++disabledCalls;
    t->SetEnabled(false);
  };
  auto* doomed = new TTimer;
  doomed->SetInterval(5);
  int doomedCalls = 0;
  doomed->OnTimer = [&doomedCalls, big = std::vector<int>(64, 7)](TTimer* t) {
    ++doomedCalls;
    EXPECT_EQ(7, big[63]);
    delete t;
    EXPECT_EQ(7, big[0]);  // the handler's own state outlives the timer
  };
  Advance(5);
  Advance(5);
  EXPECT_EQ(1, disabledCalls);
  EXPECT_EQ(1, doomedCalls);
  EXPECT_EQ(-1, toolkit::NextTimerDueIn());
}

TEST_F(TimerTest, HandlerMayDestroyOrCreateOtherTimers) {
  // The killer is armed 1 ms earlier, so in the pump where both are due it
  // runs first: it destroys the other due timer and creates a new one.
  // Neither of those fires in that pump.
  int victimCalls = 0;
  std::unique_ptr<TTimer> victim;
  std::unique_ptr<Recorder> created;
  Recorder killer(now, 5);
  killer.timer.OnTimer = [&](TTimer*) {
    victim.reset();
    created = std::make_unique<Recorder>(now, 1);
  };
  now += 1;
  victim = std::make_unique<TTimer>();
  victim->SetInterval(5);
  victim->OnTimer = [&](TTimer*) { ++victimCalls; };
  Advance(5);
  EXPECT_FALSE(victim);
  EXPECT_EQ(0, victimCalls);
  ASSERT_TRUE(created);
  EXPECT_TRUE(created->fired.empty());
  Advance(1);
  EXPECT_EQ(1u, created->fired.size());
}

TEST_F(TimerTest, NestedPumpDoesNotFireATimerTwice) {
  Recorder outer(now, 5);
  Recorder other(now, 5);
  int outerCalls = 0;
  outer.timer.OnTimer = [&](TTimer*) {
    ++outerCalls;
    toolkit::PumpTimers();  // a handler that runs the loop, as a modal box does
  };
  Advance(5);
  EXPECT_EQ(1, outerCalls);
  EXPECT_EQ(1u, other.fired.size());
}

TEST_F(TimerTest, DestructionDisarms) {
  int calls = 0;
  {
    TTimer timer;
    timer.SetInterval(5);
    timer.OnTimer = [&](TTimer*) { ++calls; };
    EXPECT_EQ(5, toolkit::NextTimerDueIn());
  }
  EXPECT_EQ(-1, toolkit::NextTimerDueIn());
  Advance(10);
  EXPECT_EQ(0, calls);
}

// A backend's service sees every arm and disarm; running timers move to it
// and back.
using ServiceLog = std::vector<std::pair<TTimer*, int>>;  // interval, or -1 for a disarm

struct RecordingService : toolkit::TimerService {
  void Arm(TTimer* t, uint32_t ms) override { log.emplace_back(t, static_cast<int>(ms)); }
  void Disarm(TTimer* t) override { log.emplace_back(t, -1); }
  ServiceLog log;
};

TEST_F(TimerTest, InstalledServiceReceivesArmAndDisarmPerTimer) {
  Recorder running(now, 7);
  Recorder stopped(now, 9);
  stopped.timer.SetEnabled(false);
  RecordingService service;
  toolkit::SetTimerService(&service);
  EXPECT_EQ(-1, toolkit::NextTimerDueIn());  // nothing left on the manual service
  EXPECT_EQ(ServiceLog({{&running.timer, 7}}), service.log);  // only the running timer moves

  service.log.clear();
  running.timer.SetInterval(8);
  running.timer.SetInterval(8);
  {
    TTimer temporary;
    temporary.SetEnabled(false);
  }
  const ServiceLog expect = {{&running.timer, -1}, {&running.timer, 8}};
  ASSERT_LE(expect.size(), service.log.size());
  EXPECT_EQ(expect, ServiceLog(service.log.begin(), service.log.begin() + 2));

  toolkit::SetTimerService(nullptr);
  EXPECT_EQ(8, toolkit::NextTimerDueIn());
  Advance(8);
  EXPECT_EQ(1u, running.fired.size());
  EXPECT_TRUE(stopped.fired.empty());
}

}  // namespace
