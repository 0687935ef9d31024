// Thread priorities on the host system (internal to the toolkit).
#pragma once

#include "toolkit/Classes.h"

namespace toolkit {
// The calling thread's id as the system knows it (0 if unknown).
long CurrentNativeThreadId();
// Gives thread `nativeId` the host priority nearest to `priority`. Lowering
// works everywhere; raising above normal needs privileges and is skipped
// quietly when refused.
void ApplyThreadPriority(long nativeId, TThreadPriority priority);
}  // namespace toolkit
