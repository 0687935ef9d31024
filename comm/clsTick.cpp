#include "comm/clsTick.h"

clsTick::clsTick() : duration(0), startStamp(0), armed(0), timerPeriod(1) {
  TIMECAPS caps;
  if (timeGetDevCaps(&caps, sizeof(caps)) == TIMERR_NOERROR) timerPeriod = caps.wPeriodMin;
  timeBeginPeriod(timerPeriod);
}

clsTick::~clsTick() { timeEndPeriod(timerPeriod); }

void clsTick::Start(DWORD milliseconds) {
  duration = milliseconds;
  startStamp = timeGetTime();
  armed = 1;
}

DWORD clsTick::Remaining() {
  if (!armed) return 0;
  const DWORD now = timeGetTime();
  // Unsigned subtraction keeps the elapsed time right across the wrap of the
  // 32-bit millisecond counter.
  const DWORD elapsed = static_cast<DWORD>(now - startStamp);
  if (elapsed < duration) return duration - elapsed;
  armed = 0;
  return 0;
}
