// The operator's companion to the queue manager: creates the tables, puts
// jobs into the queue and takes them back, frees lines, shows, checks and
// watches both tables, sums up the dispatch log, and runs the dispatcher
// headless. main() is a thin wrapper around RunQueueTool.
#pragma once

#include <iosfwd>
#include <string>

#include "dispatch/Tables.h"

// Writes a job at the write position and then advances the write position,
// refusing when the ring is full or the slot still holds a job. *record is
// the entry written. False with a one-line reason in *error.
bool EnqueueJob(const tables::Job& job, int* record, std::string* error);

// Blanks field 25 of a line, as a line server does when its job is done.
bool FreeLine(int line, std::string* error);

// Blanks a pending entry's job under the queue table's lock, so that the
// dispatcher skips it; refuses an entry outside the pending stretch or one
// already blank. *job is the job taken back.
bool CancelEntry(int entry, std::string* job, std::string* error);

// Ends a running watch after its current look; what Ctrl+C does.
void StopWatch();

// The whole tool: 0 on success, 1 when the command failed, 2 for bad usage.
// Every failure is one line on err.
int RunQueueTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
