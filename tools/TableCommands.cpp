// create, enqueue, free and cancel: the edits of the tables.
#include <climits>
#include <filesystem>
#include <ostream>

#include "dispatch/QueueEdits.h"
#include "dispatch/Tables.h"
#include "tools/Arguments.h"
#include "tools/Commands.h"
#include "tools/TextOutput.h"

using namespace tables;

namespace {

constexpr int kDefaultQueueRecords = 100;
constexpr int kDefaultLines = 4;

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
  int record = 0;
  std::string warning;
  if (!EnqueueJob(job, &record, error, &warning)) return false;
  out << "enqueued at entry " << record << "\n";
  if (!warning.empty()) err << "zelqtool: warning: " << warning << "\n";
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
