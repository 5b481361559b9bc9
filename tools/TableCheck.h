// What zelqtool check finds in the tables: everything the dispatcher would
// refuse or silently wait on, judged by the queue model the dispatcher uses.
#pragma once

#include <string>
#include <vector>

struct Settings;

struct CheckReport {
  bool queueRead = false;  // the positions lie in the ring: the summary below holds
  int records = 0, read = 0, write = 0, pending = 0;
  bool linesRead = false;
  int lineCount = 0;
  std::vector<std::string> problems;  // the queue's first, then the lines', then the journal's
};

CheckReport CheckTables(const Settings& settings);
