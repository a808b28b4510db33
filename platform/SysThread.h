// Thread identity and priority, time-zone bias.
#pragma once

#include <cstdint>

namespace platform {

// Priorities of a worker thread, lowest to highest.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The kernel's id of the calling thread.
uint32_t CurrentThreadId();

// Applies a priority to the calling thread: idle → SCHED_IDLE, lowest → nice 19, lower → nice 10,
// normal → nice 0. Raising above normal needs privileges a desktop user does not have; such a
// request leaves the thread at normal and returns false (as does any failure).
bool SetCurrentThreadPriority(TThreadPriority priority);

// Minutes to add to local time to get UTC (the desktop's "bias"), standard time.
int TimeZoneBiasMinutes();

}  // namespace platform
