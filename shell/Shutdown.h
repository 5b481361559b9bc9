// The forced end of a worker that did not finish in time.
#pragma once

#include <windows.h>

#include <atomic>

// Ends the thread, but never while it is inside a write sequence flagged by
// `writing`: the thread is suspended, and let run on while the flag is set.
// Sent messages are served meanwhile, so a worker waiting on this thread
// can get out of its write.
void StopThreadOutsideWrites(HANDLE thread, const std::atomic<int>& writing);
