// Polled one-shot millisecond timer on the multimedia system clock.
//
// Start(ms) arms it; Remaining() answers the milliseconds left, 0 once the
// interval is used up (and the timer is then idle). Nothing calls back. Each
// instance holds the finest multimedia timer period for as long as it lives.
#pragma once

#include <cstdint>

#include "platform/winapi.h"

class clsTick {
 public:
  clsTick();
  ~clsTick();
  clsTick(const clsTick&) = delete;
  clsTick& operator=(const clsTick&) = delete;

  // Arms (or re-arms) the timer for the given number of milliseconds,
  // starting now.
  void Start(DWORD milliseconds);

  // Milliseconds left of the armed interval; 0 when idle or expired. The
  // first call that finds the interval used up disarms the timer. An idle
  // timer does not read the clock.
  DWORD Remaining();

 private:
  DWORD duration;
  DWORD startStamp;
  BOOL armed;
  UINT timerPeriod;
};
