// create, enqueue, free and cancel: the edits of the tables.
#include <chrono>
#include <climits>
#include <filesystem>
#include <ostream>

#include "dispatch/QueueEdits.h"
#include "dispatch/Tables.h"
#include "services/Database.h"
#include "services/Platform.h"
#include "tools/Arguments.h"
#include "tools/Commands.h"
#include "tools/TextOutput.h"

using namespace tables;

namespace {

constexpr int kDefaultQueueRecords = 100;
constexpr int kDefaultLines = 4;

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Waits until the entry no longer holds the job (the manager took it to a
// line, or it was cancelled), looking again whenever the folder changes;
// the milliseconds that took, or -1 after the limit.
long long WaitUntilTaken(int record, const std::string& job, long long limitMs) {
  platform::WakeSignal never;
  platform::FolderWatch folder(".");
  const long long start = NowMs();
  for (;;) {
    CDatabase queue;
    if (queue.Open(kQueueFileName) && queue.Go(record) == 0 && ReadText(queue, kJobField) != job)
      return NowMs() - start;
    queue.Close();
    const long long left = start + limitMs - NowMs();
    if (left <= 0) return -1;
    folder.Wait(never, left < 100 ? left : 100);
  }
}

}  // namespace

namespace command {

bool Create(const Arguments& args, std::ostream& out, std::ostream&, std::string* error) {
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
  int waitSeconds = 0;
  if (!args.Number("--wait", 0, &waitSeconds, error, 1, 3600)) return false;
  int record = 0;
  std::string warning;
  if (!EnqueueJob(job, &record, error, &warning)) return false;
  out << "enqueued at entry " << record << "\n";
  if (!warning.empty()) err << "zelqtool: warning: " << warning << "\n";
  if (!args.Has("--wait")) return true;
  const long long took = WaitUntilTaken(record, job.text, waitSeconds * 1000LL);
  if (took < 0) return Fail(error, "entry " + std::to_string(record) + " still waits after " +
                                       std::to_string(waitSeconds) + " s");
  out << "taken from the queue after " << took << " ms\n";
  return true;
}

bool Free(const Arguments& args, std::ostream& out, std::ostream&, std::string* error) {
  if (args.Plain().size() != 1) return args.Misuse(error, "free needs one line number");
  int line = 0;
  if (!args.Parse("the line", args.Plain()[0], 1, INT_MAX, &line, error) || !FreeLine(line, error)) return false;
  out << "line " << line << " is free\n";
  return true;
}

bool Cancel(const Arguments& args, std::ostream& out, std::ostream&, std::string* error) {
  if (args.Plain().size() != 1) return args.Misuse(error, "cancel needs one entry number");
  int entry = 0;
  std::string job;
  if (!args.Parse("the entry", args.Plain()[0], 1, INT_MAX, &entry, error) || !CancelEntry(entry, &job, error))
    return false;
  out << "entry " << entry << " cancelled: " << Printable(job) << "\n";
  return true;
}

}  // namespace command
