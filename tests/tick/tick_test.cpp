#include <gtest/gtest.h>

#include <cstdint>

#include "comm/clsTick.h"
#include "platform/hooks.h"
#include "platform/timeperiods.h"

namespace {

// A clock the test sets by hand, counting how often it is read.
class TickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetClockSource([this] {
      ++reads;
      return now;
    });
  }
  void TearDown() override { platform::SetClockSource(nullptr); }

  uint32_t now = 5000;
  int reads = 0;
};

TEST_F(TickTest, IdleTimerAnswersZeroWithoutReadingTheClock) {
  clsTick tick;
  EXPECT_EQ(0u, tick.Remaining());
  EXPECT_EQ(0, reads);
}

TEST_F(TickTest, StartZeroExpiresOnTheFirstPoll) {
  clsTick tick;
  tick.Start(0);
  EXPECT_EQ(0u, tick.Remaining());
  const int readsAfterExpiry = reads;
  EXPECT_EQ(0u, tick.Remaining());
  EXPECT_EQ(readsAfterExpiry, reads);
}

TEST_F(TickTest, CountsDownAndStaysExpired) {
  clsTick tick;
  tick.Start(100);
  EXPECT_EQ(100u, tick.Remaining());
  now += 1;
  EXPECT_EQ(99u, tick.Remaining());
  now += 98;
  EXPECT_EQ(1u, tick.Remaining());
  now += 1;
  EXPECT_EQ(0u, tick.Remaining());
  const int readsAfterExpiry = reads;
  now += 1000;
  EXPECT_EQ(0u, tick.Remaining());
  EXPECT_EQ(readsAfterExpiry, reads);
}

TEST_F(TickTest, ElapsedTimeIsRightAcrossTheCounterWrap) {
  clsTick tick;
  now = 0xFFFFFFF0u;
  tick.Start(40);
  now = 0x10u;  // 32 ms later, after the wrap
  EXPECT_EQ(8u, tick.Remaining());
  now = 0x18u;
  EXPECT_EQ(0u, tick.Remaining());
}

TEST_F(TickTest, StartOnARunningTimerRestartsTheFullInterval) {
  clsTick tick;
  tick.Start(100);
  now += 60;
  EXPECT_EQ(40u, tick.Remaining());
  tick.Start(100);
  now += 60;
  EXPECT_EQ(40u, tick.Remaining());
  // A timer that already expired is armed again the same way.
  now += 40;
  EXPECT_EQ(0u, tick.Remaining());
  tick.Start(10);
  EXPECT_EQ(10u, tick.Remaining());
}

TEST(TickPeriods, EachInstanceHoldsItsOwnPeriodForItsLife) {
  const uint32_t before = platform_OutstandingTimerPeriods();
  {
    clsTick first;
    EXPECT_EQ(before + 1, platform_OutstandingTimerPeriods());
    {
      clsTick second;
      EXPECT_EQ(before + 2, platform_OutstandingTimerPeriods());
    }
    EXPECT_EQ(before + 1, platform_OutstandingTimerPeriods());
  }
  EXPECT_EQ(before, platform_OutstandingTimerPeriods());
}

}  // namespace

namespace {

TEST(MultimediaTimer, DeviceCapabilitiesNeedTheRecordSize) {
  TIMECAPS caps{0, 0};
  EXPECT_EQ(TIMERR_NOERROR, timeGetDevCaps(&caps, 8));
  EXPECT_EQ(1u, caps.wPeriodMin);
  EXPECT_EQ(1000000u, caps.wPeriodMax);
  for (UINT size : {0u, 4u, 7u, 9u, 16u}) {
    TIMECAPS untouched{42, 43};
    EXPECT_EQ(TIMERR_NOCANDO, timeGetDevCaps(&untouched, size)) << size;
    EXPECT_EQ(42u, untouched.wPeriodMin);
  }
  EXPECT_EQ(TIMERR_NOCANDO, timeGetDevCaps(nullptr, 8));
}

TEST(MultimediaTimer, PeriodsBalanceAndAnUnmatchedEndIsRefused) {
  const uint32_t before = platform_OutstandingTimerPeriods();
  ASSERT_EQ(0u, before) << "another test left a period outstanding";
  EXPECT_EQ(TIMERR_NOCANDO, timeEndPeriod(1));
  EXPECT_EQ(0u, platform_OutstandingTimerPeriods());
  EXPECT_EQ(TIMERR_NOERROR, timeBeginPeriod(1));
  EXPECT_EQ(TIMERR_NOERROR, timeBeginPeriod(5));
  EXPECT_EQ(2u, platform_OutstandingTimerPeriods());
  EXPECT_EQ(TIMERR_NOERROR, timeEndPeriod(5));
  EXPECT_EQ(TIMERR_NOERROR, timeEndPeriod(1));
  EXPECT_EQ(0u, platform_OutstandingTimerPeriods());
  // Periods outside the device's range are refused and not counted.
  EXPECT_EQ(TIMERR_NOCANDO, timeBeginPeriod(0));
  EXPECT_EQ(0u, platform_OutstandingTimerPeriods());
}

TEST(MultimediaTimer, ClockHookReplacesAndRestoresTheMonotonicClock) {
  platform::SetClockSource([] { return 0xFFFFFFFFu; });
  EXPECT_EQ(0xFFFFFFFFu, timeGetTime());
  platform::SetClockSource(nullptr);
  const DWORD a = timeGetTime();
  const DWORD b = timeGetTime();
  EXPECT_LT(static_cast<DWORD>(b - a), 1000u);  // monotonic, not the hook's value
}

TEST(MultimediaTimer, SleepGoesToTheHandlerWhenSet) {
  uint32_t asked = 0;
  platform::SetSleepHandler([&](uint32_t ms) { asked += ms; });
  Sleep(31000);
  Sleep(5);
  platform::SetSleepHandler(nullptr);
  EXPECT_EQ(31005u, asked);
}

}  // namespace
