// Handles of the Linux stand-in that more than one platform file knows about.
#pragma once

#include "platform/winapi.h"

// Closes `h` when it is a handle returned by CreateMutexA and answers true;
// answers false, touching nothing, for any other handle. CloseHandle asks this
// first. The guard's lock is released when the last handle of its name closes.
bool platform_CloseMutexHandle(HANDLE h);
