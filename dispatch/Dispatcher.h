// The dispatcher: watches both tables and, on a change or after nine quiet
// cycles, hands each waiting queue entry to the line it asks for or to the
// first free watched line. Each job moves exactly once: a failed write stops
// the pass with the job still waiting, and the journal lets the next pass
// finish a move that a crash cut short.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dispatch/Journal.h"
#include "dispatch/RunState.h"
#include "services/FileWatch.h"
#include "services/Platform.h"

class CDatabase;
class CLogFile;
struct DispatchedJob;

// How a pass ended. The table-level ends up to kNoFreeLine are quiet in the
// program; the later ones are failures it reports.
enum class PassEnd {
  kWalked,              // the walk ran and the read position was written
  kQueueUnavailable,    // the queue table could not be opened
  kLinesUnavailable,    // the line table could not be opened
  kBadLayout,           // a table lacks the layout (see the detail)
  kQueueTooSmall,       // fewer than 3 records: no entry can ever be pending
  kPositionsOutOfRing,  // read or write position outside 2..N
  kNoFreeLine,          // every watched line busy: the header was left alone
  kQueueLocked,         // another program holds the queue table's lock: nothing moved
  kLinesLocked,         // the same for the line table
  kReadFailed,          // a record could not be read: nothing more moved
  kJournalDamaged,      // the journal cannot be read: nothing moved
  kLineWriteFailed,     // a line record could not be written: its job still waits
  kQueueWriteFailed,    // an entry or the read position could not be written
  kJournalWriteFailed,  // the journal could not be written
};

// A job that no line can ever take as it is: one wider than the line
// table's fields, or one asking for a line that is no record. It waits, and
// holds the read position, until the operator clears the cause.
struct HeldBack {
  int entry = 0;
  std::string job;
  int field = 0;        // the line table's field too narrow for it; 0 when none is
  int missingLine = 0;  // the line asked for that is no record; 0 when it is one
  std::string why;      // the console tool's line
};

struct PassResult {
  PassEnd end = PassEnd::kWalked;
  // Jobs that reached their lines; one whose entry could not be blanked yet
  // counts, since the journal keeps it from being served again.
  int dispatched = 0;
  std::string detail;    // what exactly is wrong, for the ends that say more
  std::vector<HeldBack> heldBack;  // in the order of the walk
  // The first held-back job's line; empty when none waits so.
  std::string FirstHeldBack() const { return heldBack.empty() ? std::string() : heldBack[0].why; }
};

const char* DescribePassEnd(PassEnd end);
// The end's description and its detail, in one line.
std::string DescribePass(const PassResult& result);
// Whether the pass failed at what it tried: a lock, a read or a write.
bool IsFailure(PassEnd end);

class CDispatcher {
 public:
  // The state is read only, apart from the finished counter; the log is
  // written when the state's logging switch is set.
  CDispatcher(RunState& state, CDatabase& queue, CDatabase& lines, CLogFile* log);
  virtual ~CDispatcher() = default;

  // The thread's loop: cycles until the running flag is found clear, then
  // adds one to the finished counter.
  void Run();

  virtual PassResult Pass();
  // Whether a pass would move a job now; reads only.
  virtual bool Look();

 protected:
  // Seams for the cycle's timing; the defaults ask the file watches, wait
  // on the run state's wake signal and the folder's changes, and read the
  // steady clock. Pause is true when a change in the folder ended it early.
  // kMaybeChanged when a watch only lets a whole-second time settle: that
  // calls for a look, and a pass only if the look finds a job to move.
  static constexpr int kMaybeChanged = 2;
  virtual int LineChanged() { return Told(mLineWatch); }
  virtual int QueueChanged() { return Told(mQueueWatch); }
  virtual bool Pause(long long ms);
  virtual long long NowMs();
  // The refresh period; none or a negative rate is half a second.
  virtual long long PauseMs() const;
  // After each pass of the loop, outside every write, with the first error
  // box text the pass kept back: one box per outage, none while it lasts.
  virtual void Report(const PassResult& result, const std::string& box);

  RunState& mState;

 private:
  static int Told(CFileWatch& watch) { return watch.HasChanged() ? (watch.Settling() ? kMaybeChanged : 1) : 0; }
  // The line watch first, the queue watch only when it tells no change.
  int Changes();
  // Waits up to ms, less when a table changes (then what Changes told); a
  // change of another file of the folder costs a look at the watches only.
  int WaitForChange(long long ms);
  bool LookQuietly();
  // The pass, or with look set the same walk without a lock or a write,
  // ending at the first job it would move (counted as dispatched).
  PassResult Walk(bool look);
  // Finishes what the journal names before anything else moves.
  PassEnd Recover(int records, int lineCount, std::string* detail);
  static bool SyncTable(const char* fileName);
  static bool Durable();
  // Copies the job to the line and marks the entry served; *moved tells
  // whether the job reached its line, also when a later step failed.
  PassEnd Move(int entry, int line, const tables::Job& job, bool* moved);
  // The parameters, made durable, then the job field: the line turns busy
  // only once all of the job is there, even across a power cut.
  bool WriteLineRecord(const tables::Job& job);
  void LogMove(const DispatchedJob& job, bool unlessLogged);
  static std::string LogText(const DispatchedJob& job);
  void ShowFailure(const PassResult& result, const std::string& box);
  void TellHeldBack(const PassResult& result);

  CDatabase& mQueue;
  CDatabase& mLines;
  CLogFile* mLog;
  CJournal mJournal;
  CFileWatch mQueueWatch;
  CFileWatch mLineWatch;
  std::unique_ptr<platform::FolderWatch> mFolder;  // the working folder, while Run runs
  bool mOutage = false;
  std::set<std::string> mToldHeldBack;  // entry, job and cause of each told
};

// The dispatch log line's text for a job: control characters replaced, and
// the texts shortened rather than the trailing numbers cut when it is long.
std::string FormatDispatchLogLine(const tables::Job& job, int line, int record);

// The dispatcher thread's entry, fit for CreateThread (with a 16384-byte
// stack): the process's run state, tables and log file.
unsigned long ZQ_THREAD_CALL DispatcherThread(void* unused);
