// The other programs of an installation, for the end-to-end run: a producer
// that enqueues jobs at random moments, a line server that takes the jobs of
// its lines and frees them after a random hold, and the final verification.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "dispatch/Journal.h"
#include "dispatch/Tables.h"
#include "services/Database.h"
#include "tools/QueueTool.h"

namespace {

using namespace tables;
using Clock = std::chrono::steady_clock;

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Fields joined by '|', which no generated text contains.
std::string Join(const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) line += (i ? "|" : "") + fields[i];
  return line;
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, '|')) fields.push_back(field);
  if (!line.empty() && line.back() == '|') fields.push_back("");
  return fields;
}

void Append(const std::string& file, const std::string& line) {
  std::FILE* f = std::fopen(file.c_str(), "ab");
  if (!f) return;
  std::fprintf(f, "%s\n", line.c_str());
  std::fclose(f);
}

std::vector<std::string> Lines(const std::string& file) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> JobFields(const Job& j) {
  std::vector<std::string> f = {j.text};
  for (int n : j.numbers) f.push_back(std::to_string(n));
  for (const std::string& t : j.texts) f.push_back(t);
  return f;
}

// produce COUNT SEED MAXGAPMS LASTLINE OUTSIDELINE SECONDS [BURST]
// With BURST, the jobs come in bursts of up to BURST without a gap, with a
// pause of up to BURST gaps between them.
int Produce(char** a, int burst) {
  const int count = std::atoi(a[0]), maxGap = std::atoi(a[2]), last = std::atoi(a[3]), outside = std::atoi(a[4]);
  std::mt19937 random(static_cast<unsigned>(std::atoi(a[1])));
  const auto deadline = Clock::now() + std::chrono::seconds(std::atoi(a[5]));
  for (int i = 0; i < count; ++i) {
    Job job;
    char id[16];
    std::snprintf(id, sizeof id, "JOB%04d", i);
    job.text = id;
    int kind = static_cast<int>(random() % 10);
    job.requestedLine = kind < 6 ? 0 : kind < 9 ? 1 + static_cast<int>(random() % static_cast<unsigned>(last)) : outside;
    for (int k = 0; k < 4; ++k) {
      job.numbers[k] = static_cast<int>(static_cast<long long>(random() % 2000000000u) - 1000000000);
      job.texts[k] = (k == 1 ? "  lead " : "t,") + std::to_string(i) + "," + std::to_string(random() % 1000);
    }
    int record = 0;
    std::string error;
    while (!EnqueueJob(job, &record, &error)) {
      if (error.find("full") == std::string::npos || Clock::now() > deadline) {
        std::cerr << "produce: " << error << "\n";
        return 1;
      }
      SleepMs(5);
    }
    std::vector<std::string> fields = {std::to_string(record), std::to_string(job.requestedLine)};
    for (const std::string& f : JobFields(job)) fields.push_back(f);
    Append("produced.txt", Join(fields));
    if (burst <= 0)
      SleepMs(static_cast<int>(random() % static_cast<unsigned>(maxGap + 1)));
    else if (random() % static_cast<unsigned>(burst) == 0)
      SleepMs(static_cast<int>(random() % static_cast<unsigned>(burst * maxGap + 1)));
  }
  return 0;
}

// serve NAME SEED MAXHOLDMS SECONDS LINE...
int Serve(int argc, char** a) {
  const std::string name = a[0];
  std::mt19937 random(static_cast<unsigned>(std::atoi(a[1])));
  const int maxHold = std::atoi(a[2]);
  const auto deadline = Clock::now() + std::chrono::seconds(std::atoi(a[3]));
  std::vector<int> lines;
  for (int i = 4; i < argc; ++i) lines.push_back(std::atoi(a[i]));
  while (!std::filesystem::exists("stop") && Clock::now() < deadline) {
    for (int line : lines) {
      Job job;
      {
        CDatabase table;
        if (!table.Open(kLineFileName) || table.Go(line) != 0) continue;
        job = ReadJob(table);
      }
      if (IsBlank(job.text)) continue;
      std::vector<std::string> fields = {std::to_string(line)};
      for (const std::string& f : JobFields(job)) fields.push_back(f);
      Append("served-" + name + ".txt", Join(fields));
      SleepMs(static_cast<int>(random() % static_cast<unsigned>(maxHold + 1)));
      std::string error;
      if (!FreeLine(line, &error)) std::cerr << "serve: " << error << "\n";
    }
    SleepMs(3);
  }
  return 0;
}

using Problem = std::function<void(const std::string&)>;
using Fields = std::vector<std::string>;

// produced.txt: job -> record, requested line, then the job's fields.
std::map<std::string, Fields> ReadProduced(const Problem& problem) {
  std::map<std::string, Fields> produced;
  for (const std::string& line : Lines("produced.txt")) {
    Fields f = Split(line);
    if (f.size() != 11 || produced.count(f[2])) problem("bad produced line " + line);
    else produced[f[2]] = f;
  }
  return produced;
}

// The dispatcher's log line after its stamp for a produced job: texts 1-4,
// numbers 1-4, job, requested line, line, queue record.
std::string LogText(const Fields& p, const std::string& requested, const std::string& line) {
  return p[7] + "," + p[8] + "," + p[9] + "," + p[10] + "," + p[3] + "," + p[4] + "," + p[5] + "," + p[6] + "," +
         p[2] + "," + requested + "," + line + "," + p[0];
}

// The queue drained: the read position at the write position, no entry
// waiting. The write position, once read, goes to check.
void CheckDrained(const Problem& problem, const std::function<void(int write, int n)>& check) {
  CDatabase queue;
  if (!queue.Open(kQueueFileName)) {
    problem("cannot open the queue");
    return;
  }
  const int n = static_cast<int>(queue.RecordCount());
  queue.Top();
  const int read = ReadNumber(queue, kReadPositionField), write = ReadNumber(queue, kWritePositionField);
  if (read != write) problem("read position " + std::to_string(read) + " is not the write position " + std::to_string(write));
  check(write, n);
  for (int r = kFirstEntry; r <= n; ++r) {
    queue.Go(r);
    if (!IsBlank(ReadText(queue, kJobField))) problem("entry " + std::to_string(r) + " still waits");
  }
}

// verify COUNT FIRST LAST
int Verify(char** a) {
  const int count = std::atoi(a[0]), first = std::atoi(a[1]), last = std::atoi(a[2]);
  int problems = 0;
  auto problem = [&](const std::string& text) {
    if (++problems <= 20) std::cerr << "verify: " << text << "\n";
  };
  const std::map<std::string, Fields> produced = ReadProduced(problem);
  if (static_cast<int>(produced.size()) != count) problem("produced " + std::to_string(produced.size()) + " jobs");

  std::map<std::string, std::vector<std::string>> served;
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    const std::string file = entry.path().filename().string();
    if (file.rfind("served-", 0) != 0) continue;
    for (const std::string& line : Lines(file)) {
      std::vector<std::string> f = Split(line);
      if (f.size() != 10) { problem("bad served line " + line); continue; }
      if (served.count(f[1])) problem(f[1] + " served twice");
      served[f[1]] = f;
    }
  }
  std::multiset<std::string> expectedLog;
  for (const auto& [job, p] : produced) {
    auto s = served.find(job);
    if (s == served.end()) { problem(job + " never reached a line"); continue; }
    const std::vector<std::string>& f = s->second;
    const int line = std::atoi(f[0].c_str()), wanted = std::atoi(p[1].c_str());
    if (wanted != 0 ? line != wanted : (line < first || line > last))
      problem(job + " asked for line " + p[1] + " and went to line " + f[0]);
    for (size_t k = 0; k < 9; ++k)
      if (f[1 + k] != p[2 + k]) problem(job + " field " + std::to_string(k) + " is \"" + f[1 + k] + "\", not \"" + p[2 + k] + "\"");
    expectedLog.insert(LogText(p, p[1], f[0]));
  }
  if (served.size() != produced.size()) problem(std::to_string(served.size()) + " jobs served");

  const std::regex stamp(R"(\d\d\.\d\d,\d\d:\d\d,\d\d,(.*))");
  int logLines = 0;
  for (const std::string& raw : Lines("ZELQMNGR.LOG")) {
    ++logLines;
    std::smatch m;
    if (!std::regex_match(raw, m, stamp)) { problem("log line without its stamp: " + raw); continue; }
    auto it = expectedLog.find(m[1].str());
    if (it == expectedLog.end()) problem("log line for no job, or a second one: " + raw);
    else expectedLog.erase(it);
  }
  if (logLines != count) problem("the log has " + std::to_string(logLines) + " lines");
  for (const std::string& missing : expectedLog) problem("no log line " + missing);

  CheckDrained(problem, [&](int write, int n) {
    if (write != 2 + count % (n - 1)) problem("write position " + std::to_string(write) + " after " + std::to_string(count) + " jobs");
  });
  if (problems == 0) std::cout << "verified " << count << " jobs\n";
  return problems == 0 ? 0 : 1;
}


// The fault runs' helpers. "round" stands for the line servers and the
// producer between two dispatcher runs: it records and frees every busy line
// into served-round.txt and prints their number, then enqueues jobs until PENDING entries wait.
// round PENDING SEED ROUND
int Round(char** a) {
  const int pending = std::atoi(a[0]);
  std::mt19937 random(static_cast<unsigned>(std::atoi(a[1])) * 7919u + static_cast<unsigned>(std::atoi(a[2])));
  {
    CDatabase table;
    if (!table.Open(kLineFileName)) {
      std::cerr << "round: cannot open the line table\n";
      return 1;
    }
    const int count = static_cast<int>(table.RecordCount());
    // A dispatcher killed after a job's line write and before the note's
    // mark leaves it "moving" with the job on its line: taken off now, the
    // restart cannot tell it from a move not begun and serves it again.
    // Noted here, so that the check can tell that one case from all others.
    CJournal journal;
    JournalNote note;
    std::string why;
    if (journal.Read(&note, &why) && note.kind == JournalNote::kMoving && table.Go(note.line) == 0 &&
        ReadText(table, kJobField) == note.job.text)
      Append("unmarked-round.txt", note.job.text);
    journal.Close();
    int taken = 0;
    for (int line = 1; line <= count; ++line) {
      if (table.Go(line) != 0) return 1;
      const Job job = ReadJob(table);
      if (IsBlank(job.text)) continue;
      ++taken;
      std::vector<std::string> fields = {std::to_string(line)};
      for (const std::string& f : JobFields(job)) fields.push_back(f);
      Append("served-round.txt", Join(fields));
      WriteText(table, kJobField, "");
    }
    std::cout << taken << "\n";
  }
  int waiting = 0, n = 0;
  {
    CDatabase queue;
    if (!queue.Open(kQueueFileName)) return 1;
    n = static_cast<int>(queue.RecordCount());
    queue.Top();
    const int read = ReadNumber(queue, kReadPositionField), write = ReadNumber(queue, kWritePositionField);
    if (!InRing(read, n) || !InRing(write, n)) {
      std::cerr << "round: positions " << read << ", " << write << " outside the ring\n";
      return 1;
    }
    waiting = PendingCount(read, write, n);
  }
  int next = static_cast<int>(Lines("produced.txt").size());
  for (; waiting < pending && waiting < n - 2; ++waiting, ++next) {
    Job job;
    char id[16];
    std::snprintf(id, sizeof id, "JOB%05d", next);
    job.text = id;
    for (int k = 0; k < 4; ++k) {
      job.numbers[k] = static_cast<int>(static_cast<long long>(random() % 2000000000u) - 1000000000);
      job.texts[k] = "k" + std::to_string(k) + "," + std::to_string(next) + "," + std::to_string(random() % 1000);
    }
    int record = 0;
    std::string error;
    if (!EnqueueJob(job, &record, &error)) {
      std::cerr << "round: " << error << "\n";
      return 1;
    }
    std::vector<std::string> fields = {std::to_string(record), "0"};
    for (const std::string& f : JobFields(job)) fields.push_back(f);
    Append("produced.txt", Join(fields));
  }
  return 0;
}

// After the fault runs: no job lost, every copy intact, each kill at most one
// extra copy, one log line per job and one more at most per extra copy, the
// queue drained. Prints the number of jobs that reached a line twice.
// verify-faults KILLS FIRST LAST
int VerifyFaults(char** a) {
  const int kills = std::atoi(a[0]), first = std::atoi(a[1]), last = std::atoi(a[2]);
  int problems = 0;
  auto problem = [&](const std::string& text) {
    if (++problems <= 20) std::cerr << "verify-faults: " << text << "\n";
  };
  const std::map<std::string, Fields> produced = ReadProduced(problem);
  std::map<std::string, int> copies;
  std::map<std::string, std::set<std::string>> lineOf;
  for (const std::string& line : Lines("served-round.txt")) {
    std::vector<std::string> f = Split(line);
    if (f.size() != 10) { problem("bad served line " + line); continue; }
    auto p = produced.find(f[1]);
    if (p == produced.end()) { problem("a line held " + f[1] + ", which nobody produced"); continue; }
    const int at = std::atoi(f[0].c_str());
    if (at < first || at > last) problem(f[1] + " went to line " + f[0]);
    for (size_t k = 0; k < 9; ++k)
      if (f[1 + k] != p->second[2 + k]) problem(f[1] + " field " + std::to_string(k) + " is \"" + f[1 + k] + "\"");
    ++copies[f[1]];
    lineOf[f[1]].insert(f[0]);
  }
  // The journal lets the pass after a kill finish the move the kill cut
  // short: no job is lost and none reaches a line twice, but for one taken
  // off its line in the instant between its line write and its note's mark.
  std::set<std::string> unmarked;
  for (const std::string& job : Lines("unmarked-round.txt")) unmarked.insert(job);
  int twice = 0, extra = 0, inTheInstant = 0;
  for (const auto& [job, p] : produced) {
    const int c = copies.count(job) ? copies[job] : 0;
    if (c == 0) problem(job + " was lost");
    if (c <= 1) continue;
    ++twice, extra += c - 1;
    if (c == 2 && unmarked.count(job))
      ++inTheInstant;
    else
      problem(job + " reached a line " + std::to_string(c) + " times");
  }

  const std::regex stamp(R"(\d\d\.\d\d,\d\d:\d\d,\d\d,(.*))");
  std::map<std::string, int> logged;
  for (const std::string& raw : Lines("ZELQMNGR.LOG")) {
    std::smatch m;
    if (!std::regex_match(raw, m, stamp)) { problem("log line without its stamp: " + raw); continue; }
    std::vector<std::string> f;
    std::string rest = m[1].str();
    // The texts hold commas; the job and the five numbers are the last six.
    size_t cut = rest.size();
    for (int i = 0; i < 8 && cut != std::string::npos; ++i) cut = rest.rfind(',', cut - 1);
    const std::string tail = cut == std::string::npos ? "" : rest.substr(cut + 1);
    std::vector<std::string> t = Split(std::regex_replace(tail, std::regex(","), "|"));
    if (t.size() != 8) { problem("log line not understood: " + raw); continue; }
    const std::string& job = t[4];
    auto p = produced.find(job);
    if (p == produced.end()) { problem("log line for no job: " + raw); continue; }
    const std::string expected = LogText(p->second, "0", t[6]);
    if (rest != expected || !lineOf[job].count(t[6])) problem("log line " + raw + " is not " + expected);
    ++logged[job];
  }
  for (const auto& [job, c] : copies) {
    const int l = logged.count(job) ? logged[job] : 0;
    if (l < 1 || l > c) problem(job + " reached a line " + std::to_string(c) + " times and has " + std::to_string(l) + " log lines");
  }

  CheckDrained(problem, [](int, int) {});
  std::cout << produced.size() << " jobs, " << kills << " kills, " << twice << " jobs reached a line more than once ("
            << inTheInstant << " taken off in the instant between line write and mark), " << extra
            << " extra copies\n";
  return problems == 0 ? 0 : 1;
}

// journal: the note the managers' journal holds, "clear" when none.
int ShowJournal() {
  CJournal journal;
  JournalNote note;
  std::string why;
  if (!journal.Read(&note, &why)) {
    std::cerr << "journal: " << why << "\n";
    return 1;
  }
  if (note.kind == JournalNote::kClear)
    std::cout << "clear\n";
  else
    std::cout << note.What() << " of entry " << note.entry << " to line " << note.line << " (" << note.job.text
              << ")\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "produce" && (argc == 8 || argc == 9)) return Produce(argv + 2, argc == 9 ? std::atoi(argv[8]) : 0);
  if (mode == "serve" && argc >= 7) return Serve(argc - 2, argv + 2);
  if (mode == "verify" && argc == 5) return Verify(argv + 2);
  if (mode == "round" && argc == 5) return Round(argv + 2);
  if (mode == "verify-faults" && argc == 5) return VerifyFaults(argv + 2);
  if (mode == "journal" && argc == 2) return ShowJournal();
  std::cerr << "usage: e2e_agent produce COUNT SEED MAXGAPMS LASTLINE OUTSIDELINE SECONDS [BURST]\n"
               "       e2e_agent serve NAME SEED MAXHOLDMS SECONDS LINE...\n"
               "       e2e_agent verify COUNT FIRST LAST\n"
               "       e2e_agent round PENDING SEED ROUND\n"
               "       e2e_agent verify-faults KILLS FIRST LAST\n"
               "       e2e_agent journal\n";
  return 2;
}
