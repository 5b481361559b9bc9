// The operator's companion to the queue manager: creates the tables, puts
// jobs into the queue and takes them back, frees lines, shows, checks and
// watches both tables, sums up the dispatch log, and runs the dispatcher
// headless. main() is a thin wrapper around RunQueueTool.
#pragma once

#include <iosfwd>
#include <string>

#include "dispatch/QueueEdits.h"
#include "dispatch/Tables.h"

// Ends a running watch after its current look; what Ctrl+C does.
void StopWatch();

// The whole tool: 0 on success, 1 when the command failed, 2 for bad usage.
// Every failure is one line on err.
int RunQueueTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
