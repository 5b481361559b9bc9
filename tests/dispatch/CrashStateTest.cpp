// Every state a power cut can leave on disk during a pass, an enqueue, a
// cancel and the recovering pass itself, built from the file changes the
// record seam saw: per file, what its last sync covered is there, and of its
// writes since, any subset, the last also torn at 512-byte sectors; a create,
// rename or remove only after a sync of its folder (or, the weaker variant,
// at once). The restarted manager's pass must then find every job exactly
// once, whole, with one log line, and jam nothing.
#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "dispatch/Dispatcher.h"
#include "dispatch/Journal.h"
#include "dispatch/QueueEdits.h"
#include "engine/FileIO.h"
#include "services/LogFile.h"
#include "tests/dispatch/QueueFixture.h"

namespace {

using namespace tables;
using cb5::Change;
using cb5::FileChange;

std::vector<FileChange> recorded;
void Record(const FileChange& change) { recorded.push_back(change); }

using Files = std::map<std::string, std::string>;
const char* const kFiles[] = {kQueueFileName, kLineFileName, kJournalFileName, kLogFileName};
constexpr size_t kSector = 512;
// Crash states tried at one point at most; beyond, a seeded sample.
constexpr size_t kStatesPerPoint = 96;
// Recovering passes recorded and cut in turn.
constexpr size_t kRecoveries = 8;

void Apply(std::string& content, const FileChange& c) {
  if (c.change == Change::kTruncate) {
    content.resize(static_cast<size_t>(c.offset), '\0');
    return;
  }
  const size_t end = static_cast<size_t>(c.offset) + c.bytes.size();
  if (content.size() < end) content.resize(end, '\0');
  content.replace(static_cast<size_t>(c.offset), c.bytes.size(), c.bytes);
}

// The sector pieces of a write: a torn write keeps some of them.
std::vector<FileChange> Pieces(const FileChange& c) {
  std::vector<FileChange> pieces;
  for (size_t at = 0; at < c.bytes.size();) {
    const size_t next = std::min(c.bytes.size(), (static_cast<size_t>(c.offset) + at) / kSector * kSector + kSector -
                                                     static_cast<size_t>(c.offset));
    FileChange piece = c;
    piece.offset = c.offset + static_cast<int64_t>(at);
    piece.bytes = c.bytes.substr(at, next - at);
    pieces.push_back(piece);
    at = next;
  }
  return pieces;
}

struct Inode {
  std::string synced;
  std::vector<FileChange> since;  // writes and truncates after its last sync
};

// The disk after the first `count` changes: each name's inode, as the
// folder's last sync left them and as they stand now.
struct Disk {
  std::vector<Inode> inodes;
  std::map<std::string, int> names, syncedNames;

  Disk(const Files& initial, size_t count) {
    for (const auto& [name, bytes] : initial) {
      names[name] = static_cast<int>(inodes.size());
      inodes.push_back(Inode{bytes, {}});
    }
    syncedNames = names;
    for (size_t i = 0; i < count; ++i) {
      const FileChange& c = recorded[i];
      switch (c.change) {
        case Change::kCreate:
          if (!names.count(c.name)) {
            names[c.name] = static_cast<int>(inodes.size());
            inodes.push_back(Inode());
          }
          break;
        case Change::kWrite:
        case Change::kTruncate:
          if (names.count(c.name)) inodes[names[c.name]].since.push_back(c);
          break;
        case Change::kSync:
          if (names.count(c.name)) {
            Inode& inode = inodes[names[c.name]];
            for (const FileChange& w : inode.since) Apply(inode.synced, w);
            inode.since.clear();
          }
          break;
        case Change::kRename:
          if (names.count(c.name)) {
            names[c.to] = names[c.name];
            names.erase(c.name);
          }
          break;
        case Change::kRemove: names.erase(c.name); break;
        case Change::kFolderSync: syncedNames = names; break;
      }
    }
  }
};

// One file's possible contents after the cut: every subset of its unsynced
// changes, the last one kept also torn.
std::vector<std::string> Contents(const Inode& inode) {
  std::vector<std::string> out;
  const size_t n = std::min<size_t>(inode.since.size(), 12);
  const size_t skipped = inode.since.size() - n;  // the oldest ones, beyond the bound, kept
  std::string base = inode.synced;
  for (size_t i = 0; i < skipped; ++i) Apply(base, inode.since[i]);
  for (size_t mask = 0; mask < (size_t(1) << n); ++mask) {
    std::string content = base;
    int last = -1;
    for (size_t i = 0; i < n; ++i)
      if (mask & (size_t(1) << i)) last = static_cast<int>(i);
    for (int i = 0; i < last; ++i)
      if (mask & (size_t(1) << i)) Apply(content, inode.since[skipped + i]);
    if (last < 0) {
      out.push_back(content);
      continue;
    }
    const FileChange& lastChange = inode.since[skipped + last];
    std::string whole = content;
    Apply(whole, lastChange);
    out.push_back(whole);
    if (lastChange.change != Change::kWrite) continue;
    const std::vector<FileChange> pieces = Pieces(lastChange);
    for (size_t keep = 1; pieces.size() > 1 && keep + 1 < (size_t(1) << pieces.size()); ++keep) {
      std::string torn = content;
      // A write that extends the file extends it whole or not at all.
      if (torn.size() < static_cast<size_t>(lastChange.offset) + lastChange.bytes.size())
        torn.resize(static_cast<size_t>(lastChange.offset) + lastChange.bytes.size(), '\0');
      for (size_t p = 0; p < pieces.size(); ++p)
        if (keep & (size_t(1) << p)) Apply(torn, pieces[p]);
      out.push_back(torn);
    }
  }
  return out;
}

// Every state a cut after `count` changes can leave, at most a sample of them.
std::vector<Files> StatesAt(const Files& initial, size_t count, std::mt19937& random) {
  const Disk disk(initial, count);
  std::vector<Files> states;
  for (const auto* names : {&disk.syncedNames, &disk.names}) {
    std::vector<std::string> keys;
    std::vector<std::vector<std::string>> options;
    size_t product = 1;
    for (const auto& [name, inode] : *names) {
      keys.push_back(name);
      options.push_back(Contents(disk.inodes[inode]));
      product = std::min<size_t>(product * options.back().size(), 1u << 30);
    }
    const bool all = product <= kStatesPerPoint;
    for (size_t k = 0; k < (all ? product : kStatesPerPoint); ++k) {
      Files state;
      size_t pick = k;
      for (size_t f = 0; f < keys.size(); ++f) {
        const size_t choice = all ? pick % options[f].size() : random() % options[f].size();
        pick /= options[f].size();
        state[keys[f]] = options[f][choice];
      }
      states.push_back(state);
    }
  }
  return states;
}

Files ReadFolder() {
  Files files;
  for (const char* name : kFiles) {
    std::FILE* f = std::fopen(name, "rb");
    if (!f) continue;
    std::string bytes;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
    std::fclose(f);
    files[name] = bytes;
  }
  return files;
}

void WriteFolder(const Files& files) {
  for (const char* name : kFiles) std::remove(name);
  for (const auto& [name, bytes] : files) WriteBytes(name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

class CrashStates : public QueueFixture {
 protected:
  static constexpr int kRecords = 7;

  // Four lines, line 2 serving BUSY; the ring wraps (read 6, write 4 of 7
  // records): A and B (for the busy line 2, held back) and C, D waiting.
  void SetUp() override {
    MakeTables(kRecords, 4);
    SetLineBusy(2, "BUSY");
    PutEntry(6, Job("JOB-A"));
    PutEntry(7, Job("JOB-B", 2));
    PutEntry(2, Job("JOB-CC"));
    PutEntry(3, Job("JOB-DDD"));
    SetPositions(6, 4);
    for (const char* name : {"JOB-A", "JOB-CC", "JOB-DDD"}) jobs_[name] = Job(name);
    jobs_["JOB-B"] = Job("JOB-B", 2);
    jobs_["JOB-E"] = Job("JOB-E");
    jobs_["BUSY"] = Entry{"BUSY", 0, {0, 0, 0, 0}, {"", "", "", ""}};
  }

  PassResult ManagerPass(bool durable) {
    CDatabase::EngineContext().noSync = durable ? 0 : 1;
    RunState state;
    state.logging = 1;
    CLogFile log(kLogFileName);
    EXPECT_EQ(log.Open(), 1);
    CDatabase queue, lines;
    CDispatcher dispatcher(state, queue, lines, &log);
    PassResult result = dispatcher.Pass();
    CDatabase::EngineContext().noSync = 0;
    return result;
  }

  bool Run(Operation op) {
    std::string error, job;
    int record = 0;
    if (op == Operation::kPass) return !IsFailure(ManagerPass(true).end);
    if (op == Operation::kCancel) return CancelEntry(2, &job, &error);
    tables::Job j;
    const Entry& e = jobs_["JOB-E"];
    j.text = e.job;
    for (int i = 0; i < 4; ++i) j.numbers[i] = e.numbers[i], j.texts[i] = e.texts[i];
    const bool done = EnqueueJob(j, &record, &error);
    EXPECT_TRUE(done || !recorded.empty()) << error;
    return done;
  }

  // Records the operation on the folder as it is; the changes and the start.
  Files RecordRun(Operation op) {
    const Files start = ReadFolder();
    recorded.clear();
    cb5::SetChangeRecorder(Record);
    Run(op);
    cb5::SetChangeRecorder(nullptr);
    return start;
  }

  // What the restarted manager finds wrong in one crash state; empty if nothing.
  std::string Judge(const Files& state, Operation op, bool complete, bool* noted = nullptr) {
    WriteFolder(state);
    if (noted) {
      JournalNote left;
      std::string why;
      CJournal journal;
      *noted = journal.Read(&left, &why) && left.kind != JournalNote::kClear;
    }
    const PassResult restart = ManagerPass(false);
    std::string wrong;
    if (IsFailure(restart.end)) wrong += "the pass failed: " + DescribePass(restart) + "; ";
    std::map<std::string, int> places;
    CDatabase q, l;
    if (!q.Open(kQueueFileName) || !l.Open(kLineFileName)) return wrong + "a table cannot be opened";
    q.Top();
    const int read = ReadNumber(q, kReadPositionField), write = ReadNumber(q, kWritePositionField);
    if (!InRing(read, kRecords) || !InRing(write, kRecords)) return wrong + "positions out of the ring";
    auto place = [&](const tables::Job& j, bool onLine, const std::string& where) {
      auto known = jobs_.find(j.text);
      bool same = known != jobs_.end() && (onLine || j.requestedLine == known->second.line);
      for (int i = 0; same && i < 4; ++i)
        same = j.numbers[i] == known->second.numbers[i] && j.texts[i] == known->second.texts[i];
      if (same) ++places[j.text];
      else wrong += where + " holds \"" + j.text + "\" in part; ";
    };
    for (int p = read; p != write; p = NextPosition(p, kRecords)) {
      q.Go(p);
      if (!IsBlank(ReadText(q, kJobField))) place(ReadJob(q), false, "entry " + std::to_string(p));
    }
    std::set<std::string> onLines;
    for (int line = 1; line <= 4; ++line) {
      l.Go(line);
      if (IsBlank(ReadText(l, kJobField))) continue;
      const tables::Job j = ReadJob(l);
      place(j, true, "line " + std::to_string(line));
      if (j.text != "BUSY") onLines.insert(j.text);
    }
    for (const auto& [job, entry] : jobs_) {
      const bool optional = (job == "JOB-E" && op == Operation::kEnqueue && !complete) ||
                            (job == "JOB-CC" && op == Operation::kCancel && !complete);
      const int wanted = job == "JOB-E" ? (op == Operation::kEnqueue ? 1 : 0)
                                        : (job == "JOB-CC" && op == Operation::kCancel ? 0 : 1);
      if (optional ? places[job] > 1 : places[job] != wanted)
        wrong += job + " is in " + std::to_string(places[job]) + " places; ";
    }
    // Every line of the log is whole, and each job on a line has one.
    const std::string text = ReadFolder()[kLogFileName];
    static const std::regex line(R"(\d\d\.\d\d,\d\d:\d\d,\d\d,(?:[^,\r\n]*,){8}([^,\r\n\0]*),\d+,\d+,\d+\r\n)");
    std::map<std::string, int> logged;
    size_t at = 0;
    for (std::smatch m; at < text.size();) {
      const size_t end = text.find('\n', at);
      const std::string one = text.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
      if (!std::regex_match(one, m, line)) {
        wrong += "log line " + std::to_string(logged.size() + 1) + " cannot be read; ";
        break;
      }
      ++logged[m[1].str()];
      at += one.size();
    }
    for (const std::string& job : onLines)
      if (logged[job] != 1) wrong += job + " has " + std::to_string(logged[job]) + " log lines; ";
    for (const auto& [job, count] : logged)
      if (!onLines.count(job)) wrong += job + " is logged but on no line; ";
    JournalNote note;
    std::string why;
    CJournal journal;
    if (!journal.Read(&note, &why) || note.kind != JournalNote::kClear) wrong += "the journal is not clear; ";
    q.Close();
    l.Close();
    // Nothing a cut left blocks the next enqueue or cancel (B waits at 7).
    tables::Job next;
    next.text = "JOB-F";
    int record = 0;
    std::string job;
    if (!EnqueueJob(next, &record, &why)) wrong += "the next enqueue is refused: " + why + "; ";
    if (!CancelEntry(7, &job, &why)) wrong += "the next cancel is refused: " + why + "; ";
    return wrong;
  }

  // Every crash state of the operation, judged; the number of states tried.
  size_t Prove(Operation op, const Files& start, std::vector<Files>* unfinished = nullptr) {
    const std::vector<FileChange> changes = recorded;
    std::mt19937 random(23);
    std::set<Files> seen;
    std::vector<Files> candidates;  // states with a note left unfinished
    for (size_t count = 0; count <= changes.size() && !HasFailure(); ++count) {
      for (const Files& state : StatesAt(start, count, random)) {
        if (!seen.insert(state).second) continue;
        bool noted = false;
        const std::string wrong = Judge(state, op, count == changes.size(), &noted);
        EXPECT_EQ(wrong, "") << "a cut after change " << count << " of " << changes.size();
        if (!wrong.empty()) break;
        if (noted) candidates.push_back(state);
      }
    }
    // Recovering passes to cut in turn: spread over the run.
    for (size_t i = 0; unfinished && !candidates.empty() && i < kRecoveries; ++i)
      unfinished->push_back(candidates[i * candidates.size() / kRecoveries]);
    return seen.size();
  }

  std::map<std::string, Entry> jobs_;
};

TEST_F(CrashStates, NoPowerCutLosesDoublesOrJamsAJob) {
  size_t states = 0;
  std::vector<Files> unfinished;
  const Files beforePass = RecordRun(Operation::kPass);
  states += Prove(Operation::kPass, beforePass, &unfinished);
  // The recovering pass, recorded on states a cut left it, and cut in turn.
  for (const Files& state : unfinished) {
    WriteFolder(state);
    const Files start = RecordRun(Operation::kPass);
    states += Prove(Operation::kPass, start);
  }
  for (Operation op : {Operation::kEnqueue, Operation::kCancel}) {
    WriteFolder(beforePass);
    const Files start = RecordRun(op);
    states += Prove(op, start);
  }
  std::printf("tried %zu crash states of a pass, %zu recovering passes, an enqueue and a cancel\n", states,
              unfinished.size());
}

// A manager killed after the last note of its pass ("clear", not yet
// synced: the pass syncs it only before it moves the read position) leaves
// that note in the system's cache. The next pass, another manager's, moves
// the read position past the entry: the journal is on disk first, or a cut
// could bring back the old note for an entry the producers fill again.
int clearNotes = 0;
void CountClearNotes(const FileChange& c) {
  recorded.push_back(c);
  if (c.change == Change::kWrite && c.name == kJournalFileName && c.bytes.size() > 12 && c.bytes[8] == 0) ++clearNotes;
}
cb5::Fault KillAfterThreeMoves(cb5::FileOp) { return clearNotes >= 3 ? cb5::Fault::kStop : cb5::Fault::kNone; }

TEST_F(CrashStates, TheNextManagerMovesTheReadPositionOnlyOnceTheJournalIsOnDisk) {
  cb5::SetChangeRecorder(CountClearNotes);
  cb5::SetFaultHook(KillAfterThreeMoves);
  EXPECT_EQ(ManagerPass(true).dispatched, 3);
  cb5::SetFaultHook(nullptr);
  ASSERT_EQ(ReadPosition(), 6) << "the first manager was not killed before the read position";
  SetLineBusy(1, "");  // a line server takes JOB-A: the next pass has a free line
  recorded.clear();
  EXPECT_EQ(ManagerPass(true).end, PassEnd::kWalked);
  cb5::SetChangeRecorder(nullptr);
  ASSERT_EQ(ReadPosition(), 7);
  auto at = [&](Change change, const char* name) {
    return std::find_if(recorded.begin(), recorded.end(),
                        [&](const FileChange& c) { return c.change == change && c.name == name; });
  };
  EXPECT_LT(at(Change::kSync, kJournalFileName), at(Change::kWrite, kQueueFileName))
      << "the read position was written before the journal was synced";
}

}  // namespace
