#include "tools/QueueTool.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <ostream>
#include <sstream>
#include <vector>

#include "dispatch/Dispatcher.h"
#include "dispatch/Journal.h"
#include "dispatch/Queue.h"
#include "dispatch/RunState.h"
#include "services/Database.h"
#include "services/LogFile.h"
#include "services/FileWatch.h"
#include "services/Profile.h"
#include "tools/LogStats.h"

using namespace tables;

namespace {

constexpr int kDefaultQueueRecords = 100;
constexpr int kDefaultLines = 4;

// Every failure here is a false result with its one-line reason in *error;
// the first one ends the command.
bool Fail(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

// The command's words after the command name: options with their values and
// the plain arguments. A malformed command line is bad usage (status 2),
// told apart from a command that failed (status 1).
class Arguments {
 public:
  bool Read(int argc, const char* const* argv, const std::vector<std::string>& flags,
            const std::vector<std::string>& valued, std::string* error) {
    for (int i = 2; i < argc; ++i) {
      std::string word = argv[i];
      if (word.rfind("--", 0) != 0) {
        plain_.push_back(word);
      } else if (Contains(flags, word)) {
        options_[word] = "";
      } else if (Contains(valued, word)) {
        if (i + 1 >= argc) return Misuse(error, "option " + word + " needs a value");
        options_[word] = argv[++i];
      } else {
        return Misuse(error, "unknown option " + word);
      }
    }
    return true;
  }
  bool Has(const std::string& option) const { return options_.count(option) != 0; }
  std::string Text(const std::string& option, const std::string& fallback = "") const {
    auto it = options_.find(option);
    return it == options_.end() ? fallback : it->second;
  }
  // *value is fallback when the option is absent.
  bool Number(const std::string& option, int fallback, int* value, std::string* error, long long low = INT_MIN,
              long long high = INT_MAX) const {
    *value = fallback;
    return !Has(option) || Parse(option, Text(option), low, high, value, error);
  }
  const std::vector<std::string>& Plain() const { return plain_; }

  bool Parse(const std::string& what, const std::string& text, long long low, long long high, int* value,
             std::string* error) const {
    errno = 0;
    char* end = nullptr;
    long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || parsed < low || parsed > high)
      return Misuse(error, what + " wants a whole number from " + std::to_string(low) + " to " +
                               std::to_string(high) + ", not \"" + text + "\"");
    *value = static_cast<int>(parsed);
    return true;
  }
  // At most `allowed` plain arguments.
  bool NoMoreThan(size_t allowed, std::string* error) const {
    return plain_.size() <= allowed || Misuse(error, "unexpected argument " + plain_[allowed]);
  }
  bool Misuse(std::string* error, const std::string& reason) const {
    misused_ = true;
    return Fail(error, reason);
  }
  bool Misused() const { return misused_; }

 private:
  static bool Contains(const std::vector<std::string>& list, const std::string& word) {
    for (const std::string& item : list)
      if (item == word) return true;
    return false;
  }
  std::map<std::string, std::string> options_;
  std::vector<std::string> plain_;
  mutable bool misused_ = false;
};

struct Settings {
  int refreshRate = 15, firstLine = 1, lastLine = 4;
};

// The manager's settings, as start-up reads them; options given win.
bool ReadSettings(const Arguments& args, Settings* s, std::string* error) {
  theProfile.Open();
  theProfile.GetInt(kProfileSection, "RefreshRate", 15, &s->refreshRate);
  theProfile.GetInt(kProfileSection, "FirstLine", 1, &s->firstLine);
  theProfile.GetInt(kProfileSection, "LastLine", 4, &s->lastLine);
  theProfile.Close();
  return args.Number("--first", s->firstLine, &s->firstLine, error) &&
         args.Number("--last", s->lastLine, &s->lastLine, error) &&
         args.Number("--rate", s->refreshRate, &s->refreshRate, error, 0, INT_MAX);
}

// A JSON string. Table texts are bytes of the installation's code page; bytes
// above 127 are given as the Latin-1 characters of the same number.
std::string Json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

bool Create(const Arguments& args, std::ostream& out, std::string* error) {
  int records = 0, lines = 0;
  if (!args.NoMoreThan(0, error) || !args.Number("--queue", kDefaultQueueRecords, &records, error, 3, 10000000) ||
      !args.Number("--lines", kDefaultLines, &lines, error, 1, 10000000))
    return false;
  if (!args.Has("--force")) {
    for (const char* name : {kQueueFileName, kLineFileName})
      if (std::filesystem::exists(name)) return Fail(error, std::string(name) + " exists; --force replaces it");
  }
  if (!CreateQueueTable(kQueueFileName, records)) return Fail(error, "cannot create ZELQUEUE.DBF");
  if (!CreateLineTable(kLineFileName, lines)) return Fail(error, "cannot create ZELBATCH.DBF");
  out << "created ZELQUEUE.DBF (" << records << " records, " << records - 2 << " pending at most) and ZELBATCH.DBF ("
      << lines << " lines)\n";
  return true;
}

bool Enqueue(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error) {
  if (args.Plain().empty()) return args.Misuse(error, "enqueue needs the job text");
  Job job;
  job.text = args.Plain()[0];
  if (!args.NoMoreThan(1, error) || !args.Number("--line", 0, &job.requestedLine, error)) return false;
  for (int i = 0; i < kParameterCount; ++i) {
    job.texts[i] = args.Text("--text" + std::to_string(i + 1));
    if (!args.Number("--num" + std::to_string(i + 1), 0, &job.numbers[i], error)) return false;
  }
  int record = 0;
  std::string warning;
  if (!EnqueueJob(job, &record, error, &warning)) return false;
  out << "enqueued at entry " << record << "\n";
  if (!warning.empty()) err << "zelqtool: warning: " << warning << "\n";
  return true;
}

bool Free(const Arguments& args, std::ostream& out, std::string* error) {
  if (args.Plain().size() != 1) return args.Misuse(error, "free needs one line number");
  int line = 0;
  if (!args.Parse("the line", args.Plain()[0], 1, INT_MAX, &line, error) || !FreeLine(line, error)) return false;
  out << "line " << line << " is free\n";
  return true;
}

bool Cancel(const Arguments& args, std::ostream& out, std::string* error) {
  if (args.Plain().size() != 1) return args.Misuse(error, "cancel needs one entry number");
  int entry = 0;
  std::string job;
  if (!args.Parse("the entry", args.Plain()[0], 1, INT_MAX, &entry, error) || !CancelEntry(entry, &job, error))
    return false;
  out << "entry " << entry << " cancelled: " << job << "\n";
  return true;
}

// The pending stretch of the queue, as the monitor lists it.
struct QueueView {
  int records = 0, read = 0, write = 0, pending = 0, waiting = 0;
  struct Item {
    int entry, line;
    std::string job;
  };
  std::vector<Item> items;
};

bool ReadQueueView(QueueView* v, std::string* error) {
  CDatabase queue;
  if (!queue::OpenInLayout(queue, kQueueFileName, error)) return false;
  v->records = static_cast<int>(queue.RecordCount());
  queue.Top();
  v->read = ReadNumber(queue, kReadPositionField);
  v->write = ReadNumber(queue, kWritePositionField);
  const int n = v->records;
  if (!queue::IsRing(queue::Ring{n, v->read, v->write}, error)) return false;
  v->pending = PendingCount(v->read, v->write, n);
  for (int p = v->read; p != v->write; p = NextPosition(p, n)) {
    queue.Go(p);
    std::string text = ReadText(queue, kJobField);
    if (!IsBlank(text)) ++v->waiting;
    v->items.push_back({p, ReadNumber(queue, kRequestedLineField), text});
  }
  return true;
}

// The watched lines; those that are no record of the line table are listed
// as such.
struct LinesView {
  int first = 0, last = 0, free = 0;
  struct Item {
    int line;
    bool exists;
    std::string job;
  };
  std::vector<Item> items;
};

bool ReadLinesView(const Settings& s, LinesView* v, std::string* error) {
  CDatabase lines;
  if (!queue::OpenInLayout(lines, kLineFileName, error)) return false;
  const int count = static_cast<int>(lines.RecordCount());
  v->first = s.firstLine;
  v->last = s.lastLine;
  for (int line = s.firstLine; line <= s.lastLine; ++line) {
    if (line < 1 || line > count) {
      v->items.push_back({line, false, ""});
      continue;
    }
    lines.Go(line);
    std::string text = ReadText(lines, kJobField);
    if (IsBlank(text)) ++v->free;
    v->items.push_back({line, true, text});
  }
  return true;
}

void WriteQueueText(const QueueView& v, std::ostream& out) {
  out << "Queue (" << v.pending << " of " << v.records << ") Total: " << v.waiting << "\n";
  for (const QueueView::Item& i : v.items) out << QueueItemText(i.entry, i.line, i.job, v.records) << "\n";
}

void WriteLinesText(const LinesView& v, std::ostream& out) {
  out << "First level (" << v.free << " free)\n";
  for (const LinesView::Item& i : v.items) out << LineItemText(i.line, i.exists ? i.job : "(no such line)") << "\n";
}

void WriteViewJson(const QueueView& q, const LinesView& l, std::ostream& out) {
  out << "{\"queue\":{\"records\":" << q.records << ",\"read\":" << q.read << ",\"write\":" << q.write
      << ",\"pending\":" << q.pending << ",\"waiting\":" << q.waiting << ",\"entries\":[";
  for (size_t i = 0; i < q.items.size(); ++i)
    out << (i ? "," : "") << "{\"entry\":" << q.items[i].entry << ",\"line\":" << q.items[i].line
        << ",\"job\":" << Json(q.items[i].job) << "}";
  out << "]},\"lines\":{\"first\":" << l.first << ",\"last\":" << l.last << ",\"free\":" << l.free
      << ",\"lines\":[";
  for (size_t i = 0; i < l.items.size(); ++i) {
    out << (i ? "," : "") << "{\"line\":" << l.items[i].line << ",";
    if (l.items[i].exists)
      out << "\"job\":" << Json(l.items[i].job) << "}";
    else
      out << "\"job\":null}";
  }
  out << "]}}\n";
}

// The monitor's view: status line, then the items of the pending stretch;
// then the watched lines.
bool Show(const Arguments& args, std::ostream& out, std::string* error) {
  Settings s;
  QueueView queue;
  LinesView lines;
  if (!args.NoMoreThan(0, error) || !ReadSettings(args, &s, error) || !ReadQueueView(&queue, error)) return false;
  if (args.Has("--json")) {
    if (!ReadLinesView(s, &lines, error)) return false;
    WriteViewJson(queue, lines, out);
    return true;
  }
  WriteQueueText(queue, out);
  if (!ReadLinesView(s, &lines, error)) return false;
  WriteLinesText(lines, out);
  return true;
}

// Everything the dispatcher would refuse or silently wait on.
struct CheckReport {
  bool queueRead = false;  // the positions lie in the ring: the summary below holds
  int records = 0, read = 0, write = 0, pending = 0;
  bool linesRead = false;
  int lineCount = 0;
  std::vector<std::string> problems;
};

void CheckQueue(CDatabase& lines, const Settings& s, CheckReport& r);

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
    if (r.lineCount < 1) lineProblems.push_back("ZELBATCH.DBF has no line records");
    if (s.lastLine < s.firstLine)
      lineProblems.push_back("the watched range " + std::to_string(s.firstLine) + ".." + std::to_string(s.lastLine) +
                             " is empty");
    else if (s.firstLine < 1 || s.lastLine > r.lineCount)
      lineProblems.push_back("the watched range " + std::to_string(s.firstLine) + ".." + std::to_string(s.lastLine) +
                             " goes beyond the lines 1.." + std::to_string(r.lineCount));
  }
  CheckQueue(lines, s, r);
  r.problems.insert(r.problems.end(), lineProblems.begin(), lineProblems.end());
  // A move or a cancel that a crash cut short, which the manager's next pass finishes.
  CJournal journal;
  JournalNote note;
  if (!journal.Read(&note, &problem))
    r.problems.push_back(problem + "; it may name a job half moved: see that it is on its line or waiting, then "
                                   "remove the file");
  else if (note.kind != JournalNote::kClear)
    r.problems.push_back(std::string("ZELQMNGR.JNL: ") +
                         (note.kind == JournalNote::kCancelling ? "a cancel" : "a move") + " of entry " +
                         std::to_string(note.entry) + " is unfinished; the manager's next pass finishes it");
  return r;
}

// The queue's part of the check; the lines, when they could be read, judge
// what its waiting jobs ask for.
void CheckQueue(CDatabase& lines, const Settings&, CheckReport& r) {
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

// The problems go to err one per line (text) or into the document (JSON);
// either way *error stays empty and the status is 1 when there are any.
bool Check(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error) {
  Settings s;
  if (!args.NoMoreThan(0, error) || !ReadSettings(args, &s, error)) return false;
  const CheckReport r = CheckTables(s);
  if (args.Has("--json")) {
    out << "{\"ok\":" << (r.problems.empty() ? "true" : "false") << ",\"queue\":";
    if (r.queueRead)
      out << "{\"records\":" << r.records << ",\"read\":" << r.read << ",\"write\":" << r.write
          << ",\"pending\":" << r.pending << "}";
    else
      out << "null";
    out << ",\"lines\":";
    if (r.linesRead)
      out << "{\"count\":" << r.lineCount << "}";
    else
      out << "null";
    out << ",\"problems\":[";
    for (size_t i = 0; i < r.problems.size(); ++i) out << (i ? "," : "") << Json(r.problems[i]);
    out << "]}\n";
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

// Set by Ctrl+C or by another thread; a watch looks at it at least every
// kStopLookMs and clears it when it begins.
std::atomic<int> watchStopped{0};
constexpr int kStopLookMs = 100;

// Redraws the view whenever either table changes, judged by the same file
// watch as the dispatcher's; between looks it waits.
bool Watch(const Arguments& args, std::ostream& out, std::string* error) {
  Settings s;
  int redraws = 0, pollMs = 0;
  if (!args.NoMoreThan(0, error) || !ReadSettings(args, &s, error) ||
      !args.Number("--redraws", 0, &redraws, error, 0, INT_MAX) ||
      !args.Number("--poll-ms", 500, &pollMs, error, 10, 60000))
    return false;
  platform::WakeSignal pause;  // never set: only a wait
  watchStopped.store(0);
  platform::OnInterrupt([] { StopWatch(); });
  CFileWatch queueWatch(kQueueFileName), lineWatch(kLineFileName);
  const bool console = &out == &std::cout;
  std::string shown;
  for (int drawn = 0; !watchStopped.load();) {
    std::ostringstream view;
    QueueView queue;
    LinesView lines;
    std::string problem;
    // A table being replaced or damaged is shown as such; the watch goes on.
    if (ReadQueueView(&queue, &problem))
      WriteQueueText(queue, view);
    else
      view << "Queue: " << problem << "\n";
    problem.clear();
    if (ReadLinesView(s, &lines, &problem))
      WriteLinesText(lines, view);
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
      for (int waited = 0; waited < pollMs && !watchStopped.load(); waited += kStopLookMs)
        pause.Wait(pollMs - waited < kStopLookMs ? pollMs - waited : kStopLookMs);
    }
  }
  return true;
}

bool Stats(const Arguments& args, std::ostream& out, std::string* error) {
  if (!args.NoMoreThan(1, error)) return false;
  const std::string name = args.Plain().empty() ? kLogFileName : args.Plain()[0];
  std::ifstream in(name, std::ios::binary);
  if (!in) return Fail(error, "cannot open " + name);
  LogStats stats;
  stats.Read(in);
  out << name << ": " << stats.jobs << (stats.jobs == 1 ? " job" : " jobs");
  if (stats.unreadable > 0)
    out << "; " << stats.unreadable << (stats.unreadable == 1 ? " line" : " lines")
        << " not understood, the first is line " << stats.firstUnreadable;
  out << "\n";
  if (stats.jobs == 0) return true;
  auto twoDigits = [](int value) { return std::string(value < 10 ? "0" : "") + std::to_string(value); };
  out << "jobs per line:\n";
  for (const auto& [line, count] : stats.perLine) out << "  line " << line << ": " << count << "\n";
  out << "jobs per day:\n";
  for (const auto& [day, count] : stats.perDay)
    out << "  " << twoDigits(day % 100) << "." << twoDigits(day / 100) << ": " << count << "\n";
  out << "jobs per hour of the day:\n";
  for (const auto& [hour, count] : stats.perHour)
    out << "  " << twoDigits(hour) << ":00-" << twoDigits(hour) << ":59: " << count << "\n";
  int busiestCount = 0;
  const int busiest = stats.BusiestClockHour(&busiestCount);
  const int day = busiest / 100, hour = busiest % 100;
  out << "busiest hour: " << twoDigits(day % 100) << "." << twoDigits(day / 100) << " " << twoDigits(hour)
      << ":00-" << twoDigits(hour) << ":59 with " << busiestCount << (busiestCount == 1 ? " job\n" : " jobs\n");
  return true;
}

// Tells the operator what each pass did: the jobs moved, and what failed or
// waits once per change, never once per cycle of an outage.
class ToolDispatcher : public CDispatcher {
 public:
  ToolDispatcher(RunState& state, CDatabase& queue, CDatabase& lines, long long pauseMs, std::ostream& out,
                 std::ostream& err)
      : CDispatcher(state, queue, lines, &theLogFile), pauseMs_(pauseMs), out_(out), err_(err) {}

 protected:
  void Report(const PassResult& r, const std::string&) override {
    if (r.dispatched > 0) out_ << "dispatched " << r.dispatched << (r.dispatched == 1 ? " job\n" : " jobs\n") << std::flush;
    const std::string problem = IsFailure(r.end) ? DescribePass(r) : std::string();
    if (problem != lastProblem_ && !problem.empty()) err_ << "zelqtool: " << problem << "\n" << std::flush;
    if (r.heldBack != lastHeldBack_ && !r.heldBack.empty()) err_ << "zelqtool: " << r.heldBack << "\n" << std::flush;
    lastProblem_ = problem;
    lastHeldBack_ = r.heldBack;
  }
  long long PauseMs() const override { return pauseMs_ > 0 ? pauseMs_ : CDispatcher::PauseMs(); }

 private:
  long long pauseMs_;
  std::ostream& out_;
  std::ostream& err_;
  std::string lastProblem_, lastHeldBack_;
};

bool Dispatch(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error) {
  Settings s;
  if (!args.NoMoreThan(0, error) || !ReadSettings(args, &s, error)) return false;
  int pauseMs = 0;
  if (!args.Number("--pause-ms", -1, &pauseMs, error, 1, INT_MAX)) return false;
  RunState& state = theRunState;
  state.RefreshRate = s.refreshRate;
  state.FirstLine = s.firstLine;
  state.LastLine = s.lastLine;
  if (args.Has("--log")) {
    if (!theLogFile.Open()) return Fail(error, "cannot open ZELQMNGR.LOG for writing");
    state.logging = 1;
  }
  CDatabase queue, lines;
  ToolDispatcher dispatcher(state, queue, lines, pauseMs, out, err);
  if (args.Has("--once")) {
    const PassResult r = dispatcher.Pass();
    if (r.dispatched > 0 || !IsFailure(r.end)) {
      out << "dispatched " << r.dispatched << (r.dispatched == 1 ? " job" : " jobs");
      if (r.end == PassEnd::kNoFreeLine) out << " (" << DescribePassEnd(r.end) << ")";
      out << "\n";
    }
    if (!r.heldBack.empty()) err << "zelqtool: " << r.heldBack << "\n";
    return !IsFailure(r.end) || Fail(error, DescribePass(r));
  }
  platform::OnInterrupt([] { theRunState.Stop(); });
  out << "dispatching lines " << s.firstLine << ".." << s.lastLine << " every " << s.refreshRate
      << " s; Ctrl+C ends after the current cycle\n" << std::flush;
  dispatcher.Run();
  out << "stopped\n";
  return true;
}

void Usage(std::ostream& out) {
  out << "usage: zelqtool COMMAND [options]   (on ZELQUEUE.DBF and ZELBATCH.DBF here)\n"
         "  create [--queue N] [--lines L] [--force]\n"
         "  enqueue JOB [--line Q] [--text1 T] .. [--text4 T] [--num1 N] .. [--num4 N]\n"
         "  free LINE\n"
         "  cancel ENTRY\n"
         "  show [--first A] [--last B] [--json]\n"
         "  check [--first A] [--last B] [--json]\n"
         "  watch [--first A] [--last B] [--poll-ms MS] [--redraws N]\n"
         "  stats [LOGFILE]   (ZELQMNGR.LOG when none is named)\n"
         "  dispatch [--once] [--first A] [--last B] [--rate R] [--log] [--pause-ms MS]\n"
         "Absent --first, --last and --rate come from the settings file zelQmngr.ini.\n"
         "--pause-ms replaces the pause of R seconds, for fast trial runs.\n"
         "watch redraws when a table changes, until Ctrl+C or after N views.\n"
         "Status: 0 done, 1 the command failed, 2 bad usage.\n";
}

}  // namespace

void StopWatch() { watchStopped.store(1); }

int RunQueueTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  // Every command says in its own words what failed; the database error box
  // would be a window (under Windows) or a second line saying less.
  SetDatabaseErrorHook([](const char*) {});
  if (argc < 2) {
    Usage(err);
    return 2;
  }
  const std::string command = argv[1];
  Arguments args;
  std::string error;
  bool done = true;
  if (command == "create")
    done = args.Read(argc, argv, {"--force"}, {"--queue", "--lines"}, &error) && Create(args, out, &error);
  else if (command == "enqueue")
    done = args.Read(argc, argv, {},
                     {"--line", "--text1", "--text2", "--text3", "--text4", "--num1", "--num2", "--num3", "--num4"},
                     &error) &&
           Enqueue(args, out, err, &error);
  else if (command == "free")
    done = args.Read(argc, argv, {}, {}, &error) && Free(args, out, &error);
  else if (command == "cancel")
    done = args.Read(argc, argv, {}, {}, &error) && Cancel(args, out, &error);
  else if (command == "show")
    done = args.Read(argc, argv, {"--json"}, {"--first", "--last"}, &error) && Show(args, out, &error);
  else if (command == "check")
    done = args.Read(argc, argv, {"--json"}, {"--first", "--last"}, &error) && Check(args, out, err, &error);
  else if (command == "watch")
    done = args.Read(argc, argv, {}, {"--first", "--last", "--poll-ms", "--redraws"}, &error) &&
           Watch(args, out, &error);
  else if (command == "stats")
    done = args.Read(argc, argv, {}, {}, &error) && Stats(args, out, &error);
  else if (command == "dispatch")
    done = args.Read(argc, argv, {"--once", "--log"}, {"--first", "--last", "--rate", "--pause-ms"}, &error) &&
           Dispatch(args, out, err, &error);
  else if (command == "help" || command == "--help")
    Usage(out);
  else {
    err << "zelqtool: unknown command " << command << "; zelqtool help lists them\n";
    return 2;
  }
  if (!done && !error.empty()) err << "zelqtool: " << error << "\n";
  if (done) return 0;
  return args.Misused() ? 2 : 1;
}
