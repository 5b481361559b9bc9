#include "tools/QueueTool.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <ostream>
#include <vector>

#include "dispatch/Dispatcher.h"
#include "dispatch/RunState.h"
#include "services/Database.h"
#include "services/LogFile.h"
#include "services/Profile.h"

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

// An open table in the layout; a failure names the file and what is wrong.
bool OpenInLayout(CDatabase& table, const char* name, std::string* error) {
  if (!table.Open(name)) {
    *error = std::string("cannot open ") + name;
    return false;
  }
  if (!HasLayout(table)) {
    *error = std::string(name) + " has " + std::to_string(table.FieldCount()) + " fields, at least " +
             std::to_string(kMinimumFieldCount) + " are needed";
    table.Close();
    return false;
  }
  return true;
}

int DecimalWidth(int value) { return static_cast<int>(std::to_string(value).size()); }

bool Fits(CDatabase& table, int position, const std::string& text, const char* what, std::string* error) {
  int width = table.FieldLength(table.FieldName(position));
  if (static_cast<int>(text.size()) <= width) return true;
  *error = std::string(what) + " is " + std::to_string(text.size()) + " characters, field " +
           std::to_string(position) + " holds " + std::to_string(width);
  return false;
}

bool NumberFits(CDatabase& table, int position, int value, const char* what, std::string* error) {
  int width = table.FieldLength(table.FieldName(position));
  if (DecimalWidth(value) <= width) return true;
  *error = std::string(what) + " " + std::to_string(value) + " does not fit field " + std::to_string(position) +
           " (" + std::to_string(width) + " digits)";
  return false;
}

}  // namespace

bool EnqueueJob(const Job& job, int* record, std::string* error) {
  std::string text = job.text;
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text.empty()) return Fail(error, "the job text is blank; a blank entry is an empty slot");
  CDatabase queue;
  if (!OpenInLayout(queue, kQueueFileName, error)) return false;
  // A second handle holds the table lock for the whole enqueue: every write
  // through the first one releases that handle's own lock, and two producers
  // must not take the same slot.
  CDatabase guard;
  if (!guard.Open(kQueueFileName) || guard.Lock() != 0) return Fail(error, "cannot lock ZELQUEUE.DBF");
  const int n = static_cast<int>(queue.RecordCount());
  if (n < kFirstEntry + 1)
    return Fail(error, "ZELQUEUE.DBF has " + std::to_string(n) + " records, at least 3 are needed");
  if (queue.Top() != 0) return Fail(error, "cannot read the header record of ZELQUEUE.DBF");
  const int read = ReadNumber(queue, kReadPositionField);
  const int write = ReadNumber(queue, kWritePositionField);
  if (!InRing(read, n) || !InRing(write, n))
    return Fail(error, "read position " + std::to_string(read) + " or write position " + std::to_string(write) +
                           " lies outside 2.." + std::to_string(n));
  if (PendingCount(read, write, n) >= n - 2)
    return Fail(error, "the queue is full: " + std::to_string(n - 2) + " entries pending");
  if (!Fits(queue, kJobField, text, "the job", error) ||
      !NumberFits(queue, kRequestedLineField, job.requestedLine, "the line", error))
    return false;
  for (int i = 0; i < kParameterCount; ++i) {
    const std::string what = "text " + std::to_string(i + 1);
    const std::string number = "number " + std::to_string(i + 1);
    if (!Fits(queue, kFirstTextField + i, job.texts[i], what.c_str(), error) ||
        !NumberFits(queue, kFirstNumberField + i, job.numbers[i], number.c_str(), error))
      return false;
  }
  if (queue.Go(write) != 0) return Fail(error, "cannot read entry " + std::to_string(write));
  if (!IsBlank(ReadText(queue, kJobField)))
    return Fail(error, "entry " + std::to_string(write) + " at the write position still holds a job");
  // The job text last: the entry reads as waiting only once it is complete.
  WriteNumber(queue, kRequestedLineField, job.requestedLine);
  for (int i = 0; i < kParameterCount; ++i) {
    WriteNumber(queue, kFirstNumberField + i, job.numbers[i]);
    WriteText(queue, kFirstTextField + i, job.texts[i]);
  }
  WriteText(queue, kJobField, text);
  queue.Top();
  WriteNumber(queue, kWritePositionField, NextPosition(write, n));
  *record = write;
  return true;
}

bool FreeLine(int line, std::string* error) {
  CDatabase lines;
  if (!OpenInLayout(lines, kLineFileName, error)) return false;
  const int count = static_cast<int>(lines.RecordCount());
  if (line < 1 || line > count)
    return Fail(error, "line " + std::to_string(line) + " is not a record of ZELBATCH.DBF (1.." +
                           std::to_string(count) + ")");
  if (lines.Go(line) != 0) return Fail(error, "cannot read line " + std::to_string(line));
  WriteText(lines, kJobField, "");
  return true;
}

namespace {

// The command's words after the command name: options with their values and
// the plain arguments.
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
        if (i + 1 >= argc) return Fail(error, "option " + word + " needs a value");
        options_[word] = argv[++i];
      } else {
        return Fail(error, "unknown option " + word);
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

  static bool Parse(const std::string& what, const std::string& text, long long low, long long high, int* value,
                    std::string* error) {
    errno = 0;
    char* end = nullptr;
    long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || parsed < low || parsed > high)
      return Fail(error, what + " wants a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                             ", not \"" + text + "\"");
    *value = static_cast<int>(parsed);
    return true;
  }

 private:
  static bool Contains(const std::vector<std::string>& list, const std::string& word) {
    for (const std::string& item : list)
      if (item == word) return true;
    return false;
  }
  std::map<std::string, std::string> options_;
  std::vector<std::string> plain_;
};

bool NoPlainArguments(const Arguments& args, size_t allowed, std::string* error) {
  return args.Plain().size() <= allowed || Fail(error, "unexpected argument " + args.Plain()[allowed]);
}

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

bool Create(const Arguments& args, std::ostream& out, std::string* error) {
  int records = 0, lines = 0;
  if (!NoPlainArguments(args, 0, error) ||
      !args.Number("--queue", kDefaultQueueRecords, &records, error, 3, 10000000) ||
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

bool Enqueue(const Arguments& args, std::ostream& out, std::string* error) {
  if (args.Plain().empty()) return Fail(error, "enqueue needs the job text");
  Job job;
  job.text = args.Plain()[0];
  if (!NoPlainArguments(args, 1, error) || !args.Number("--line", 0, &job.requestedLine, error)) return false;
  for (int i = 0; i < kParameterCount; ++i) {
    job.texts[i] = args.Text("--text" + std::to_string(i + 1));
    if (!args.Number("--num" + std::to_string(i + 1), 0, &job.numbers[i], error)) return false;
  }
  int record = 0;
  if (!EnqueueJob(job, &record, error)) return false;
  out << "enqueued at entry " << record << "\n";
  return true;
}

bool Free(const Arguments& args, std::ostream& out, std::string* error) {
  if (args.Plain().size() != 1) return Fail(error, "free needs one line number");
  int line = 0;
  if (!Arguments::Parse("the line", args.Plain()[0], 1, INT_MAX, &line, error) || !FreeLine(line, error)) return false;
  out << "line " << line << " is free\n";
  return true;
}

// The monitor's view: status line, then the items of the pending stretch;
// then the watched lines.
bool Show(const Arguments& args, std::ostream& out, std::string* error) {
  Settings s;
  CDatabase queue;
  if (!NoPlainArguments(args, 0, error) || !ReadSettings(args, &s, error) ||
      !OpenInLayout(queue, kQueueFileName, error))
    return false;
  const int n = static_cast<int>(queue.RecordCount());
  queue.Top();
  const int read = ReadNumber(queue, kReadPositionField);
  const int write = ReadNumber(queue, kWritePositionField);
  if (n < kFirstEntry + 1 || !InRing(read, n) || !InRing(write, n))
    return Fail(error, "the queue's positions are outside the layout; zelqtool check says more");
  std::vector<std::string> items;
  int waiting = 0;
  for (int p = read; p != write; p = NextPosition(p, n)) {
    queue.Go(p);
    std::string text = ReadText(queue, kJobField);
    if (!IsBlank(text)) ++waiting;
    items.push_back(QueueItemText(p, ReadNumber(queue, kRequestedLineField), text, n));
  }
  queue.Close();
  out << "Queue (" << PendingCount(read, write, n) << " of " << n << ") Total: " << waiting << "\n";
  for (const std::string& item : items) out << item << "\n";

  CDatabase lines;
  if (!OpenInLayout(lines, kLineFileName, error)) return false;
  const int count = static_cast<int>(lines.RecordCount());
  items.clear();
  int freeLines = 0;
  for (int line = s.firstLine; line <= s.lastLine; ++line) {
    if (line < 1 || line > count) {
      items.push_back(LineItemText(line, "(no such line)"));
      continue;
    }
    lines.Go(line);
    std::string text = ReadText(lines, kJobField);
    if (IsBlank(text)) ++freeLines;
    items.push_back(LineItemText(line, text));
  }
  out << "First level (" << freeLines << " free)\n";
  for (const std::string& item : items) out << item << "\n";
  return true;
}

// Everything the dispatcher would refuse or silently wait on, said plainly.
// The problems found go to err themselves and leave *error empty.
bool Check(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error) {
  Settings s;
  if (!NoPlainArguments(args, 0, error) || !ReadSettings(args, &s, error)) return false;
  std::vector<std::string> problems;
  std::string problem;
  CDatabase queue;
  int lineCount = 0;
  if (!OpenInLayout(queue, kQueueFileName, &problem)) {
    problems.push_back(problem);
  } else {
    const int n = static_cast<int>(queue.RecordCount());
    if (n < kFirstEntry + 1) {
      problems.push_back("ZELQUEUE.DBF has " + std::to_string(n) + " records, at least 3 are needed");
    } else {
      queue.Top();
      const int read = ReadNumber(queue, kReadPositionField);
      const int write = ReadNumber(queue, kWritePositionField);
      if (!InRing(read, n)) problems.push_back("read position " + std::to_string(read) + " lies outside 2.." + std::to_string(n));
      if (!InRing(write, n)) problems.push_back("write position " + std::to_string(write) + " lies outside 2.." + std::to_string(n));
      if (InRing(read, n) && InRing(write, n)) {
        std::vector<bool> pending(static_cast<size_t>(n) + 1, false);
        for (int p = read; p != write; p = NextPosition(p, n)) pending[static_cast<size_t>(p)] = true;
        for (int p = kFirstEntry; p <= n; ++p) {
          if (pending[static_cast<size_t>(p)]) continue;
          queue.Go(p);
          if (!IsBlank(ReadText(queue, kJobField)))
            problems.push_back("entry " + std::to_string(p) + " holds a job outside the pending stretch " +
                               std::to_string(read) + ".." + std::to_string(write) + " and will never be dispatched");
        }
        out << "ZELQUEUE.DBF: " << n << " records, read position " << read << ", write position " << write << ", "
            << PendingCount(read, write, n) << " pending\n";
      }
    }
    queue.Close();
  }
  CDatabase lines;
  if (!OpenInLayout(lines, kLineFileName, &problem)) {
    problems.push_back(problem);
  } else {
    lineCount = static_cast<int>(lines.RecordCount());
    if (lineCount < 1) problems.push_back("ZELBATCH.DBF has no line records");
    if (s.lastLine < s.firstLine)
      problems.push_back("the watched range " + std::to_string(s.firstLine) + ".." + std::to_string(s.lastLine) + " is empty");
    else if (s.firstLine < 1 || s.lastLine > lineCount)
      problems.push_back("the watched range " + std::to_string(s.firstLine) + ".." + std::to_string(s.lastLine) +
                         " goes beyond the lines 1.." + std::to_string(lineCount));
    out << "ZELBATCH.DBF: " << lineCount << " lines\n";
  }
  for (const std::string& p : problems) err << "zelqtool: " << p << "\n";
  if (problems.empty()) out << "ok\n";
  return problems.empty();
}

// Tells the operator what each pass did, once per change of outcome.
class ToolDispatcher : public CDispatcher {
 public:
  ToolDispatcher(RunState& state, CDatabase& queue, CDatabase& lines, long long pauseMs, std::ostream& out,
                 std::ostream& err)
      : CDispatcher(state, queue, lines, &theLogFile), pauseMs_(pauseMs), out_(out), err_(err) {}

  PassResult Pass() override {
    PassResult r = CDispatcher::Pass();
    if (r.dispatched > 0) out_ << "dispatched " << r.dispatched << (r.dispatched == 1 ? " job\n" : " jobs\n") << std::flush;
    if (r.end != last_ && r.end != PassEnd::kWalked && r.end != PassEnd::kNoFreeLine)
      err_ << "zelqtool: " << DescribePassEnd(r.end) << "\n" << std::flush;
    last_ = r.end;
    return r;
  }

 protected:
  void Pause(long long ms) override { CDispatcher::Pause(pauseMs_ >= 0 ? pauseMs_ : ms); }

 private:
  long long pauseMs_;
  std::ostream& out_;
  std::ostream& err_;
  PassEnd last_ = PassEnd::kWalked;
};

bool Dispatch(const Arguments& args, std::ostream& out, std::ostream& err, std::string* error) {
  Settings s;
  if (!NoPlainArguments(args, 0, error) || !ReadSettings(args, &s, error)) return false;
  RunState& state = theRunState;
  state.RefreshRate = s.refreshRate;
  state.FirstLine = s.firstLine;
  state.LastLine = s.lastLine;
  if (args.Has("--log")) {
    if (!theLogFile.Open()) return Fail(error, "cannot open ZELQMNGR.LOG for writing");
    state.logging = 1;
  }
  int pauseMs = 0;
  if (!args.Number("--pause-ms", -1, &pauseMs, error, 0, INT_MAX)) return false;
  CDatabase queue, lines;
  ToolDispatcher dispatcher(state, queue, lines, pauseMs, out, err);
  if (args.Has("--once")) {
    PassResult r = dispatcher.CDispatcher::Pass();
    if (r.end == PassEnd::kQueueUnavailable || r.end == PassEnd::kLinesUnavailable || r.end == PassEnd::kBadLayout ||
        r.end == PassEnd::kQueueTooSmall || r.end == PassEnd::kPositionsOutOfRing)
      return Fail(error, DescribePassEnd(r.end));
    out << "dispatched " << r.dispatched << (r.dispatched == 1 ? " job" : " jobs");
    if (r.end == PassEnd::kNoFreeLine) out << " (" << DescribePassEnd(r.end) << ")";
    out << "\n";
    return true;
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
         "  show [--first A] [--last B]\n"
         "  check [--first A] [--last B]\n"
         "  dispatch [--once] [--first A] [--last B] [--rate R] [--log] [--pause-ms MS]\n"
         "Absent --first, --last and --rate come from the settings file zelQmngr.ini.\n"
         "--pause-ms replaces the pause of R seconds, for fast trial runs.\n";
}

}  // namespace

int RunQueueTool(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
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
           Enqueue(args, out, &error);
  else if (command == "free")
    done = args.Read(argc, argv, {}, {}, &error) && Free(args, out, &error);
  else if (command == "show")
    done = args.Read(argc, argv, {}, {"--first", "--last"}, &error) && Show(args, out, &error);
  else if (command == "check")
    done = args.Read(argc, argv, {}, {"--first", "--last"}, &error) && Check(args, out, err, &error);
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
  return done ? 0 : 1;
}
