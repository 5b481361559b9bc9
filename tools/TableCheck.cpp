#include "tools/TableCheck.h"

#include "dispatch/Journal.h"
#include "dispatch/Queue.h"
#include "dispatch/Tables.h"
#include "services/Database.h"
#include "services/Settings.h"

using namespace tables;

namespace {

// The queue's part of the check; the lines, when they could be read, judge
// what its waiting jobs ask for.
void CheckQueue(CDatabase& lines, CheckReport& r) {
  std::string problem;
  CDatabase queue;
  if (!queue::OpenInLayout(queue, kQueueFileName, &problem)) {
    r.problems.push_back(problem);
    return;
  }
  queue::Ring ring{static_cast<int>(queue.RecordCount()), 0, 0};
  if (ring.records >= kHeaderRecord && queue.Top() == 0) {
    ring.read = ReadNumber(queue, kReadPositionField);
    ring.write = ReadNumber(queue, kWritePositionField);
  }
  const std::vector<std::string> ringProblems = queue::RingProblems(ring);
  r.problems.insert(r.problems.end(), ringProblems.begin(), ringProblems.end());
  if (!ringProblems.empty()) return;
  if (!queue::CheckPositionFields(queue, ring.records, &problem)) r.problems.push_back(problem);
  const std::string stretch = std::to_string(ring.read) + ".." + std::to_string(ring.write);
  for (int p = kFirstEntry; p <= ring.records; ++p) {
    const std::string entry = "entry " + std::to_string(p);
    if (queue.Go(p) != 0) {
      r.problems.push_back("cannot read " + entry);
      continue;
    }
    const Job job = ReadJob(queue);
    if (IsBlank(job.text)) continue;
    if (p == ring.write) {
      r.problems.push_back(entry + " at the write position holds \"" + job.text +
                           "\", left by an enqueue that was cut short; it never waited, and the next enqueue "
                           "writes over it");
      continue;
    }
    if (!ring.IsPending(p)) {
      r.problems.push_back(entry + " holds a job outside the pending stretch " + stretch +
                           " and will never be dispatched");
      continue;
    }
    // What keeps a waiting job from ever moving holds the read position
    // with it, and the queue fills up behind it.
    if (job.requestedLine < 0 || (r.linesRead && job.requestedLine > r.lineCount))
      r.problems.push_back(entry + " asks for line " + std::to_string(job.requestedLine) +
                           ", which ZELBATCH.DBF does not have; it waits for ever and holds the read position");
    else if (r.linesRead && !(problem = queue::JobMisfit(lines, job)).empty())
      r.problems.push_back(entry + " waits for ever: " + problem);
  }
  r.queueRead = true;
  r.records = ring.records;
  r.read = ring.read;
  r.write = ring.write;
  r.pending = ring.Pending();
}

// What an unfinished note left: the job on its line or not, and its entry.
std::string Unfinished(const JournalNote& note, const CheckReport& r) {
  auto fieldAt = [](const char* file, int record) {
    CDatabase table;
    if (!table.Open(file) || record < 1 || record > static_cast<int>(table.RecordCount()) || table.Go(record) != 0)
      return std::string();
    return ReadText(table, kJobField);
  };
  const std::string entry = fieldAt(kQueueFileName, note.entry);
  const std::string held = IsBlank(entry) ? "its entry is blank"
                           : entry != note.job.text ? "its entry holds part of the job"
                                                    : "its entry still holds the job";
  if (note.kind == JournalNote::kCancelling) return held;
  const bool onLine = r.linesRead && fieldAt(kLineFileName, note.line) == note.job.text;
  if (note.MayHaveMoved(onLine ? note.job.text : std::string()))
    return (onLine ? "the job is on line " + std::to_string(note.line)
                   : "line " + std::to_string(note.line) + " has taken it off again") +
           ", " + held + "; it counts as served";
  return "line " + std::to_string(note.line) + " is blank, so the move had not begun, " + held;
}

}  // namespace

CheckReport CheckTables(const Settings& s) {
  CheckReport r;
  std::string problem;
  // The lines are read first, since the entries are judged against them,
  // but their problems are told after the queue's.
  std::vector<std::string> lineProblems;
  CDatabase lines;
  if (!queue::OpenInLayout(lines, kLineFileName, &problem)) {
    lineProblems.push_back(problem);
  } else {
    r.linesRead = true;
    r.lineCount = static_cast<int>(lines.RecordCount());
    const std::string range = "the watched range " + std::to_string(s.firstLine) + ".." + std::to_string(s.lastLine);
    if (r.lineCount < 1) lineProblems.push_back("ZELBATCH.DBF has no line records");
    if (s.lastLine < s.firstLine)
      lineProblems.push_back(range + " is empty");
    else if (s.firstLine < 1 || s.lastLine > r.lineCount)
      lineProblems.push_back(range + " goes beyond the lines 1.." + std::to_string(r.lineCount));
  }
  CheckQueue(lines, r);
  r.problems.insert(r.problems.end(), lineProblems.begin(), lineProblems.end());
  // A move or a cancel that a crash cut short, which the manager's next pass finishes.
  CJournal journal;
  JournalNote note;
  if (!journal.Read(&note, &problem))
    r.problems.push_back(problem + "; it may name a job half moved: see that it is on its line or waiting, then "
                                   "remove the file");
  else if (note.kind != JournalNote::kClear)
    r.problems.push_back(std::string("ZELQMNGR.JNL: ") + note.What() + " of entry " + std::to_string(note.entry) +
                         " (\"" + note.job.text + "\") is unfinished: " + Unfinished(note, r) + "; " +
                         (note.kind == JournalNote::kCancelling ? "the next cancel or the manager's next pass"
                                                                : "the manager's next pass") +
                         " finishes it");
  return r;
}
