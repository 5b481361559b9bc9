// The end of the two workers at shutdown: the wait for them, and the forced
// stop of those that did not finish in time.
#pragma once

#include <windows.h>

#include <atomic>

struct RunState;

// How long shutdown waits for both workers to finish, in whole seconds.
constexpr int kWorkerWaitSeconds = 20;
// How long a forced stop lets the dispatcher finish the write sequence it is
// in. A job's move takes a few writes; one that does not end by then is cut,
// and the journal finishes it at the next start.
constexpr DWORD kWriteGraceMs = 5000;

// Waits up to the given number of whole seconds for the finished counter to
// reach 2, carrying out the control updates the workers send meanwhile, so
// that a worker waiting for this thread can reach the end of its loop. True
// when both finished.
bool WaitForWorkers(const RunState& state, int seconds);

// Ends the thread, but not while it is inside a write sequence flagged by
// `writing`: the thread is suspended, and let run on while the flag is set,
// for at most graceMs; after that it is ended wherever it is. Sent messages
// are served meanwhile, so a worker waiting on this thread can get out of its
// write.
void StopThreadOutsideWrites(HANDLE thread, const std::atomic<int>& writing, DWORD graceMs);

// The running flag must be clear. Waits for both workers as above, then
// stops those still running: the dispatcher outside its writes (within the
// grace), then the monitor. False when a worker had to be stopped.
bool EndWorkers(RunState& state, int seconds, DWORD graceMs);
