// The edits other programs make to the queue, as the console tool makes
// them: a job put in at the write position, a waiting job taken back, a line
// freed. Each tells the truth: true only when its write is on the tables,
// false with a one-line reason, and then nothing waits that is not a whole job.
#pragma once

#include <string>

#include "dispatch/Tables.h"

// Writes a job at the write position and then advances the write position,
// refusing when the ring is full or the slot still holds a job, and a job
// with control characters or a negative line. *record is the entry written.
// A line request beyond the line table is queued with a warning.
bool EnqueueJob(const tables::Job& job, int* record, std::string* error, std::string* warning = nullptr);

// Blanks field 25 of a line, as a line server does when its job is done.
bool FreeLine(int line, std::string* error);

// Blanks a pending entry's job under the queue table's lock, so that the
// dispatcher skips it; refuses an entry outside the pending stretch, one
// already blank, and one the manager may have moved before a crash. *job is
// the job taken back. True only when the entry is blank afterwards.
bool CancelEntry(int entry, std::string* job, std::string* error);
