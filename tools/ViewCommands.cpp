// show, check and watch: the tables as the monitor lists them, read through
// its own views, and what is wrong with them.
#include <atomic>
#include <ctime>
#include <iostream>
#include <sstream>

#include "dispatch/Queue.h"
#include "dispatch/QueueView.h"
#include "services/Database.h"
#include "services/FileWatch.h"
#include "services/Platform.h"
#include "services/Settings.h"
#include "tools/Arguments.h"
#include "tools/Commands.h"
#include "tools/JsonOutput.h"
#include "tools/QueueTool.h"
#include "tools/TableCheck.h"
#include "tools/TextOutput.h"

namespace {

// The monitor lists nothing of a queue whose positions make no ring; the
// tool says why.
bool ReadQueue(QueueView* view, std::string* error) {
  CDatabase table;
  return ReadQueueView(table, view, error) &&
         queue::IsRing(queue::Ring{view->recordCount, view->read, view->write}, error);
}

bool ReadLines(const Settings& s, LineView* view, std::string* error) {
  CDatabase table;
  return ReadLineView(table, s.firstLine, s.lastLine, view, error);
}

// Set by Ctrl+C or by another thread, and cleared when a watch begins; the
// signal ends the watch's wait at once.
std::atomic<int> watchStopped{0};
platform::WakeSignal& StopSignal() {
  static platform::WakeSignal signal;
  return signal;
}

}  // namespace

void StopWatch() {
  watchStopped.store(1);
  StopSignal().Set();
}

namespace command {

// The monitor's view: status line, then the items of the pending stretch;
// then the watched lines.
bool Show(const Arguments& args, std::ostream& out, std::ostream&, std::string* error) {
  Settings s;
  QueueView queue;
  LineView lines;
  if (!args.NoMoreThan(0, error) || !ReadSettings(args, &s, error) || !ReadQueue(&queue, error)) return false;
  if (args.Has("--json")) {
    if (!ReadLines(s, &lines, error)) return false;
    WriteViewJson(queue, lines, s.firstLine, s.lastLine, out);
    return true;
  }
  WriteQueueText(queue, out);
  if (!ReadLines(s, &lines, error)) return false;
  WriteLinesText(lines, s.firstLine, s.lastLine, out);
  return true;
}

// The problems go to err one per line (text) or into the document (JSON);
// either way *error stays empty and the status is 1 when there are any.
bool Check(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error) {
  Settings s;
  if (!args.NoMoreThan(0, error) || !ReadSettings(args, &s, error)) return false;
  const CheckReport r = CheckTables(s);
  if (args.Has("--json")) {
    WriteCheckJson(r, out);
    if (!r.problems.empty())
      err << "zelqtool: " << r.problems.size() << (r.problems.size() == 1 ? " problem" : " problems")
          << " found\n";
    return r.problems.empty();
  }
  if (r.queueRead)
    out << "ZELQUEUE.DBF: " << r.records << " records, read position " << r.read << ", write position " << r.write
        << ", " << r.pending << " pending\n";
  if (r.linesRead) out << "ZELBATCH.DBF: " << r.lineCount << " lines\n";
  for (const std::string& p : r.problems) err << "zelqtool: " << p << "\n";
  if (r.problems.empty()) out << "ok\n";
  return r.problems.empty();
}

// Redraws the view whenever either table changes, judged by the same file
// watch as the dispatcher's; between looks it waits.
bool Watch(const Arguments& args, std::ostream& out, std::ostream&, std::string* error) {
  Settings s;
  int redraws = 0, pollMs = 0;
  if (!args.NoMoreThan(0, error) || !ReadSettings(args, &s, error) ||
      !args.Number("--redraws", 0, &redraws, error, 0, INT_MAX) ||
      !args.Number("--poll-ms", 500, &pollMs, error, 10, 60000))
    return false;
  StopSignal();  // made before the handler can need it
  watchStopped.store(0);
  StopSignal().Reset();
  platform::OnInterrupt([] { StopWatch(); });
  // A change in the folder ends the wait; the periodic look stays for file
  // systems that tell of none.
  platform::FolderWatch folder(".");
  CFileWatch queueWatch(tables::kQueueFileName), lineWatch(tables::kLineFileName);
  const bool console = &out == &std::cout;
  std::string shown;
  for (int drawn = 0; !watchStopped.load();) {
    std::ostringstream view;
    QueueView queue;
    LineView lines;
    std::string problem;
    // A table being replaced or damaged is shown as such; the watch goes on.
    if (ReadQueue(&queue, &problem))
      WriteQueueText(queue, view);
    else
      view << "Queue: " << problem << "\n";
    problem.clear();
    if (ReadLines(s, &lines, &problem))
      WriteLinesText(lines, s.firstLine, s.lastLine, view);
    else
      view << "First level: " << problem << "\n";
    // Whole-second file times make the watch report a change more than once
    // within the second of a write; a view that reads the same is not redrawn.
    if (drawn == 0 || view.str() != shown) {
      shown = view.str();
      ++drawn;
      if (console) platform::ClearConsole();
      char stamp[16];
      std::tm now{};
      platform::LocalTime(std::time(nullptr), &now);
      std::strftime(stamp, sizeof stamp, "%H:%M:%S", &now);
      out << "-- zelqtool watch, view " << drawn << " at " << stamp << "; Ctrl+C ends\n" << shown << std::flush;
      if (redraws > 0 && drawn >= redraws) break;
    }
    // Both watches are asked at every look, so neither keeps a stale change.
    while (!watchStopped.load()) {
      const int lineChanged = lineWatch.HasChanged();
      const int queueChanged = queueWatch.HasChanged();
      if (lineChanged || queueChanged) break;
      folder.Wait(StopSignal(), pollMs);
    }
  }
  return true;
}

}  // namespace command
