// Bookkeeping of the multimedia timer periods on the Linux stand-in, for
// tests that check every timeBeginPeriod is matched by a timeEndPeriod.
#pragma once

#include <cstdint>

// Number of timeBeginPeriod calls not yet ended by timeEndPeriod.
uint32_t platform_OutstandingTimerPeriods();
