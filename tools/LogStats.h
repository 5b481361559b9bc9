// What zelqtool stats tells from the dispatch log: jobs per line, per day and
// per hour. Every line reads "DD.MM,HH:MM,SS," and then the twelve fields of a
// dispatched job, of which the last three are the requested line, the line
// served and the queue entry; job texts may hold commas, so those three are
// taken from the end.
#pragma once

#include <iosfwd>
#include <map>
#include <string>

struct LogRecord {
  int day = 0, month = 0, hour = 0, line = 0;
};

// One log line without its line end; false when it is not a dispatch line.
bool ParseLogLine(const std::string& text, LogRecord* record);

// A log grows for years: every count is 64 bits wide.
class LogStats {
 public:
  // Reads every line of a log, going on from the lines read before; lines
  // that do not parse are counted, never fatal. Lines longer than any the
  // dispatcher writes count as unreadable. False when the file cannot be
  // read to its end (a folder, a read error); what was read is counted.
  bool Read(std::istream& in);

  long long lines = 0;  // read so far, the last one included
  long long jobs = 0;
  long long unreadable = 0;
  long long firstUnreadable = 0;          // its line number in the file; 0 when none
  std::map<int, long long> perLine;       // line served -> jobs
  std::map<int, long long> perDay;        // month * 100 + day -> jobs
  std::map<int, long long> perHour;       // hour of the day -> jobs
  std::map<int, long long> perClockHour;  // (month * 100 + day) * 100 + hour -> jobs

  // The clock hour with most jobs, the earliest among equals; 0 jobs when empty.
  int BusiestClockHour(long long* jobCount) const;
};
