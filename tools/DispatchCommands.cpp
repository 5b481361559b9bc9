// dispatch and stats: the dispatcher run without a window, and the sums of
// the log it writes.
#include <fstream>
#include <ostream>

#include "dispatch/Dispatcher.h"
#include "dispatch/RunState.h"
#include "services/Database.h"
#include "services/LogFile.h"
#include "services/Settings.h"
#include "tools/Arguments.h"
#include "tools/Commands.h"
#include "tools/LogStats.h"

namespace {

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
    const std::string heldBack = r.FirstHeldBack();
    if (heldBack != lastHeldBack_ && !heldBack.empty()) err_ << "zelqtool: " << heldBack << "\n" << std::flush;
    lastProblem_ = problem;
    lastHeldBack_ = heldBack;
  }
  long long PauseMs() const override { return pauseMs_ > 0 ? pauseMs_ : CDispatcher::PauseMs(); }

 private:
  long long pauseMs_;
  std::ostream& out_;
  std::ostream& err_;
  std::string lastProblem_, lastHeldBack_;
};

std::string TwoDigits(int value) { return std::string(value < 10 ? "0" : "") + std::to_string(value); }

const char* Jobs(long long count) { return count == 1 ? " job" : " jobs"; }

}  // namespace

namespace command {

bool Stats(const Arguments& args, std::ostream& out, std::ostream&, std::string* error) {
  if (!args.NoMoreThan(1, error)) return false;
  const std::string name = args.Plain().empty() ? kLogFileName : args.Plain()[0];
  std::ifstream in(name, std::ios::binary);
  if (!in) return Fail(error, "cannot open " + name);
  LogStats stats;
  if (!stats.Read(in)) return Fail(error, "cannot read " + name);
  out << name << ": " << stats.jobs << Jobs(stats.jobs);
  if (stats.unreadable > 0)
    out << "; " << stats.unreadable << (stats.unreadable == 1 ? " line" : " lines")
        << " not understood, the first is line " << stats.firstUnreadable;
  out << "\n";
  if (stats.jobs == 0) return true;
  out << "jobs per line:\n";
  for (const auto& [line, count] : stats.perLine) out << "  line " << line << ": " << count << "\n";
  out << "jobs per day:\n";
  for (const auto& [day, count] : stats.perDay)
    out << "  " << TwoDigits(day % 100) << "." << TwoDigits(day / 100) << ": " << count << "\n";
  out << "jobs per hour of the day:\n";
  for (const auto& [hour, count] : stats.perHour)
    out << "  " << TwoDigits(hour) << ":00-" << TwoDigits(hour) << ":59: " << count << "\n";
  long long busiestCount = 0;
  const int busiest = stats.BusiestClockHour(&busiestCount);
  const int day = busiest / 100, hour = busiest % 100;
  out << "busiest hour: " << TwoDigits(day % 100) << "." << TwoDigits(day / 100) << " " << TwoDigits(hour)
      << ":00-" << TwoDigits(hour) << ":59 with " << busiestCount << Jobs(busiestCount) << "\n";
  return true;
}

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
    if (!r.heldBack.empty()) err << "zelqtool: " << r.FirstHeldBack() << "\n";
    return !IsFailure(r.end) || Fail(error, DescribePass(r));
  }
  platform::OnInterrupt([] { theRunState.Stop(); });
  out << "dispatching lines " << s.firstLine << ".." << s.lastLine << " every " << s.refreshRate
      << " s; Ctrl+C ends after the current cycle\n" << std::flush;
  dispatcher.Run();
  out << "stopped\n";
  return true;
}

}  // namespace command
