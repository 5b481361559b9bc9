// One pass of the dispatcher over real tables: which line each job gets, the
// hold-back of the read position, the order of the writes, the log line, and
// the tables left untouched when their contents are outside the layout.
#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "dispatch/Dispatcher.h"
#include "services/LogFile.h"
#include "services/Notice.h"
#include "tests/dispatch/QueueFixture.h"

namespace {

using namespace tables;

// A table that notes every field it writes, as "Q JOB=text" or "L NUM1_WPOS=7".
class RecordingTable : public CDatabase {
 public:
  RecordingTable(const char* tag, std::vector<std::string>* writes) : tag_(tag), writes_(writes) {}
  int ReplaceString(const char* name, const char* text) override {
    writes_->push_back(std::string(tag_) + " " + name + "=" + text);
    return CDatabase::ReplaceString(name, text);
  }
  int ReplaceInt(const char* name, int value) override {
    writes_->push_back(std::string(tag_) + " " + name + "=" + std::to_string(value));
    return CDatabase::ReplaceInt(name, value);
  }
  int Top() override {
    writes_->push_back(std::string(tag_) + " top");
    return CDatabase::Top();
  }

 private:
  const char* tag_;
  std::vector<std::string>* writes_;
};

class DispatcherPass : public QueueFixture {
 protected:
  RunState state;
  std::vector<std::string> writes;
  RecordingTable queue{"Q", &writes};
  RecordingTable lines{"L", &writes};
  CLogFile log{kLogFileName};

  PassResult Pass() {
    CDispatcher dispatcher(state, queue, lines, &log);
    return dispatcher.Pass();
  }
  std::string LogText() {
    log.Close();
    std::vector<unsigned char> bytes = ReadBytes(kLogFileName);
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(DispatcherPass, WaitingJobsGoToTheLowestFreeLinesUntilNoneIsLeft) {
  MakeTables(10, 4);
  SetLineBusy(1, "BUSY");
  SetLineBusy(3, "BUSY");
  for (int r = 2; r <= 6; ++r) PutEntry(r, Job("JOB" + std::to_string(r)));
  SetPositions(2, 7);

  PassResult result = Pass();
  EXPECT_EQ(result.end, PassEnd::kWalked);
  EXPECT_EQ(result.dispatched, 2);
  ExpectLineCarries(2, Job("JOB2"));
  ExpectLineCarries(4, Job("JOB3"));
  EXPECT_EQ(QueueJob(2), "");
  EXPECT_EQ(QueueJob(3), "");
  EXPECT_EQ(QueueJob(4), "JOB4");
  EXPECT_EQ(ReadPosition(), 4);  // the walk stopped at the third entry
  EXPECT_EQ(WritePosition(), 7);
  EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(DispatcherPass, ParametersFirstThenTheJobThenTheQueueSlot) {
  MakeTables(5, 2);
  PutEntry(2, Job("JOB"));
  SetPositions(2, 3);
  Pass();
  const std::vector<std::string> expected = {
      "L TEXT1=JOB-t1", "L TEXT2=JOB-t2", "L TEXT3=JOB-t3", "L TEXT4=JOB-t4",
      "L NUM1_WPOS=301", "L NUM2_RPOS=302", "L NUM3=303", "L NUM4=304",
      "L JOB=JOB", "Q JOB=", "Q top", "Q NUM2_RPOS=3"};
  std::vector<std::string> tail(writes.begin() + static_cast<long>(writes.size() - expected.size()), writes.end());
  EXPECT_EQ(tail, expected);
  EXPECT_EQ(std::count(writes.begin(), writes.end(), "Q top"), 2);  // read the header, write it back
}

TEST_F(DispatcherPass, AnyLineJobSkipsALineARequestFilledEarlierInThePass) {
  MakeTables(10, 4);
  PutEntry(2, Job("ANY1"));
  PutEntry(3, Job("WANTS2", 2));
  PutEntry(4, Job("ANY2"));
  PutEntry(5, Job("WANTS1", 1));
  PutEntry(6, Job("ANY3"));
  SetPositions(2, 7);
  EXPECT_EQ(Pass().dispatched, 4);
  ExpectLineCarries(1, Job("ANY1"));
  ExpectLineCarries(2, Job("WANTS2", 2));
  ExpectLineCarries(3, Job("ANY2"));
  ExpectLineCarries(4, Job("ANY3"));
  EXPECT_EQ(QueueJob(5), "WANTS1");  // its line is taken: it waits, and holds the position
  EXPECT_EQ(ReadPosition(), 5);
}

TEST_F(DispatcherPass, BusyRequestedLineHoldsTheReadPositionButNotTheJobsBehind) {
  MakeTables(10, 4);
  SetLineBusy(2, "BUSY");
  PutEntry(5, Job("WANTS2", 2));
  PutEntry(6, Job("WANTS3", 3));
  SetPositions(5, 7);
  EXPECT_EQ(Pass().dispatched, 1);
  ExpectLineCarries(3, Job("WANTS3", 3));
  EXPECT_EQ(QueueJob(5), "WANTS2");
  EXPECT_EQ(QueueJob(6), "");
  EXPECT_EQ(ReadPosition(), 5);

  // Once the line is free the held job goes and the position moves on,
  // skipping the slot already served.
  SetLineBusy(2, "");
  EXPECT_EQ(Pass().dispatched, 1);
  ExpectLineCarries(2, Job("WANTS2", 2));
  EXPECT_EQ(ReadPosition(), 7);
}

// A job for a line outside the watched range takes that line, not a watched
// line's turn, and is served while every watched line is busy.
TEST_F(DispatcherPass, RequestedLineOutsideTheRangeIsServedAndCostsNoWatchedLine) {
  MakeTables(10, 8);
  state.FirstLine = 1;
  state.LastLine = 1;
  PutEntry(2, Job("WANTS7", 7));
  PutEntry(3, Job("ANY"));
  SetPositions(2, 4);
  EXPECT_EQ(Pass().dispatched, 2);
  ExpectLineCarries(7, Job("WANTS7", 7));
  ExpectLineCarries(1, Job("ANY"));
  EXPECT_EQ(ReadPosition(), 4);

  PutEntry(4, Job("ANY2"));
  PutEntry(5, Job("WANTS8", 8));
  SetPositions(4, 6);
  const PassResult r = Pass();
  EXPECT_EQ(r.end, PassEnd::kWalked);
  EXPECT_EQ(r.dispatched, 1);
  ExpectLineCarries(8, Job("WANTS8", 8));
  EXPECT_EQ(QueueJob(4), "ANY2");
  EXPECT_EQ(ReadPosition(), 4);
}

// The look after a pass: whether a pass would move a job, without a write.
TEST_F(DispatcherPass, ALookTellsWhetherAPassWouldMoveAJobAndWritesNothing) {
  MakeTables(10, 4);
  SetLineBusy(2, "BUSY");
  PutEntry(2, Job("WANTS2", 2));
  SetPositions(2, 3);
  CDispatcher dispatcher(state, queue, lines, &log);
  EXPECT_FALSE(dispatcher.Look());
  SetLineBusy(2, "");
  EXPECT_TRUE(dispatcher.Look());
  EXPECT_EQ(std::count(writes.begin(), writes.end(), "Q top"), 2);  // the header read, twice
  EXPECT_EQ(writes.size(), 2u);
  EXPECT_EQ(QueueJob(2), "WANTS2");
  EXPECT_FALSE(queue.IsOpen());
}

TEST_F(DispatcherPass, TheWalkFollowsTheRingAndSkipsBlankSlots) {
  MakeTables(10, 4);
  PutEntry(9, Job("NINE"));
  PutEntry(10, Job("   "));  // spaces only: an empty slot
  PutEntry(2, Job("  TWO"));
  SetPositions(9, 3);
  ASSERT_EQ(log.Open(), 1);
  state.logging = 1;
  EXPECT_EQ(Pass().dispatched, 2);
  ExpectLineCarries(1, Job("NINE"));
  ExpectLineCarries(2, Job("  TWO"));
  EXPECT_EQ(ReadPosition(), 3);
  std::regex lines(R"(\d\d\.\d\d,\d\d:\d\d,\d\d,NINE-t1,NINE-t2,NINE-t3,NINE-t4,401,402,403,404,NINE,0,1,9\r\n)"
                   R"(\d\d\.\d\d,\d\d:\d\d,\d\d,  TWO-t1,  TWO-t2,  TWO-t3,  TWO-t4,501,502,503,504,  TWO,0,2,2\r\n)");
  std::string text = LogText();
  EXPECT_TRUE(std::regex_match(text, lines)) << text;
}

TEST_F(DispatcherPass, NothingIsLoggedWithTheSwitchOff) {
  MakeTables(5, 2);
  PutEntry(2, Job("JOB"));
  SetPositions(2, 3);
  ASSERT_EQ(log.Open(), 1);
  EXPECT_EQ(Pass().dispatched, 1);
  EXPECT_EQ(LogText(), "");
}

// Two managers of one queue, each with lines of its own: an idle pass reads
// and writes nothing that the other's watches see, so neither wakes the
// other.
TEST_F(DispatcherPass, AnIdlePassOfEitherManagerChangesNothingTheOtherSees) {
  MakeTables(10, 4);
  PutEntry(4, Job("OUTSIDE"));
  SetPositions(5, 5);
  // Times of an hour ago: any write of a pass makes them new.
  for (const char* name : {kQueueFileName, kLineFileName})
    std::filesystem::last_write_time(name, std::filesystem::last_write_time(name) - std::chrono::hours(1));
  CFileWatch queueWatch(kQueueFileName), lineWatch(kLineFileName);
  RunState other;
  other.FirstLine = 3;
  RecordingTable otherQueue{"Q", &writes}, otherLines{"L", &writes};
  CDispatcher second(other, otherQueue, otherLines, nullptr);
  EXPECT_EQ(Pass().end, PassEnd::kWalked);
  EXPECT_EQ(second.Pass().end, PassEnd::kWalked);
  EXPECT_EQ(writes, (std::vector<std::string>{"Q top", "Q top", "Q top", "Q top"}));
  EXPECT_EQ(queueWatch.HasChanged(), 0) << "the queue file changed";
  EXPECT_EQ(lineWatch.HasChanged(), 0) << "the line file changed";
  EXPECT_EQ(ReadPosition(), 5);
  EXPECT_EQ(QueueJob(4), "OUTSIDE");
}

TEST_F(DispatcherPass, WithoutAFreeLineTheHeaderIsNotTouched) {
  MakeTables(10, 4);
  for (int line = 1; line <= 4; ++line) SetLineBusy(line, "BUSY");
  PutEntry(2, Job("JOB"));
  SetPositions(2, 3);
  EXPECT_EQ(Pass().end, PassEnd::kNoFreeLine);
  EXPECT_TRUE(writes.empty());

  // An empty range (last below first) serves no job for any line.
  SetLineBusy(1, "");
  state.FirstLine = 3;
  state.LastLine = 2;
  EXPECT_EQ(Pass().dispatched, 0);
  EXPECT_EQ(QueueJob(2), "JOB");
  EXPECT_EQ(ReadPosition(), 2);
}

TEST_F(DispatcherPass, MissingTablesEndThePassAndAreTriedAgainLater) {
  EXPECT_EQ(Pass().end, PassEnd::kQueueUnavailable);
  ASSERT_TRUE(CreateQueueTable(kQueueFileName, 5));
  EXPECT_EQ(Pass().end, PassEnd::kLinesUnavailable);
  EXPECT_FALSE(queue.IsOpen());
  ASSERT_TRUE(CreateLineTable(kLineFileName, 2));
  EXPECT_EQ(Pass().end, PassEnd::kWalked);
  EXPECT_TRUE(boxes.texts().empty());
}

// What lies outside the layout is left exactly as it is, byte for byte.
class DispatcherBadInput : public DispatcherPass {
 protected:
  std::vector<unsigned char> queueBefore, linesBefore;
  void Snapshot() {
    queueBefore = ReadBytes(kQueueFileName);
    linesBefore = ReadBytes(kLineFileName);
  }
  void ExpectUntouched() {
    EXPECT_EQ(ReadBytes(kQueueFileName), queueBefore);
    EXPECT_EQ(ReadBytes(kLineFileName), linesBefore);
    EXPECT_TRUE(boxes.texts().empty());
  }
};

TEST_F(DispatcherBadInput, PositionsOutsideTheRingMoveNothing) {
  MakeTables(6, 4);
  PutEntry(2, Job("JOB"));
  const int cases[][2] = {{1, 3}, {2, 0}, {2, 7}, {0, 0}, {7, 7}, {-3, 2}};
  for (const auto& c : cases) {
    SetPositions(c[0], c[1]);
    Snapshot();
    EXPECT_EQ(Pass().end, PassEnd::kPositionsOutOfRing) << c[0] << " " << c[1];
    ExpectUntouched();
  }
}

TEST_F(DispatcherBadInput, QueueOfFewerThanThreeRecordsIsLeftAlone) {
  ASSERT_TRUE(CreateLineTable(kLineFileName, 4));
  CDatabase q;
  ASSERT_EQ(q.Create(kQueueFileName, StandardLayout().data()), 1);
  ASSERT_EQ(q.Append(), 1);
  ASSERT_EQ(q.Append(), 1);
  q.Close();
  Snapshot();
  EXPECT_EQ(Pass().end, PassEnd::kQueueTooSmall);
  ExpectUntouched();
}

TEST_F(DispatcherBadInput, TableWithFewerThan37FieldsIsLeftAlone) {
  MakeTables(6, 4);
  PutEntry(2, Job("JOB"));
  SetPositions(2, 3);
  std::vector<CB5FieldInfo> short_(StandardLayout().begin(), StandardLayout().begin() + 36);
  short_.push_back({nullptr, 0, 0, 0});
  CDatabase l;
  ASSERT_EQ(l.Create(kLineFileName, short_.data()), 1);
  ASSERT_EQ(l.Append(), 1);
  l.Close();
  Snapshot();
  EXPECT_EQ(Pass().end, PassEnd::kBadLayout);
  ExpectUntouched();
}

// A table another program keeps locked: one wait, then the pass ends with
// nothing read or written; the next pass after the lock goes serves.
TEST_F(DispatcherBadInput, ALockedTableMovesNothing) {
  MakeTables(6, 2);
  PutEntry(2, Job("JOB"));
  SetPositions(2, 3);
  CDatabase::EngineContext().lockTimeoutMs = 50;
  for (const char* held : {kQueueFileName, kLineFileName}) {
    CDatabase holder;
    ASSERT_EQ(holder.Open(held), 1);
    ASSERT_EQ(holder.Lock(), 0);
    Snapshot();
    EXPECT_EQ(Pass().end, held == kQueueFileName ? PassEnd::kQueueLocked : PassEnd::kLinesLocked);
    ExpectUntouched();
  }
  CDatabase::EngineContext().lockTimeoutMs = 0;
  EXPECT_EQ(Pass().dispatched, 1);
}

// Duplicate names, position fields that cannot show N: refused before anything moves.
TEST_F(DispatcherBadInput, FieldsThatCannotCarryTheLayoutAreRefused) {
  std::vector<CB5FieldInfo> twice(StandardLayout().begin(), StandardLayout().end());
  twice[kJobField - 1].name = "TEXT1";  // field 25 and field 34 share a name
  std::vector<CB5FieldInfo> narrow(StandardLayout().begin(), StandardLayout().end());
  narrow[kReadPositionField - 1] = {"NUM2_RPOS", 'N', 4, 2};  // 9.99 at most
  const std::pair<std::vector<CB5FieldInfo>, const char*> cases[] = {{twice, "cannot be told apart"},
                                                                     {narrow, "cannot hold position 12"}};
  for (const auto& [layout, why] : cases) {
    CDatabase t;
    ASSERT_EQ(t.Create(kQueueFileName, layout.data()), 1);
    for (int i = 0; i < 12; ++i) ASSERT_EQ(t.Append(), 1);
    t.Close();
    ASSERT_TRUE(CreateLineTable(kLineFileName, 2));
    Snapshot();
    const PassResult r = Pass();
    EXPECT_EQ(r.end, PassEnd::kBadLayout);
    EXPECT_NE(r.detail.find(why), std::string::npos) << r.detail;
    ExpectUntouched();
  }
}

// A job wider than the line's field waits and says why; it is never cut.
TEST_F(DispatcherBadInput, AJobTheLineCannotHoldWholeWaits) {
  std::vector<CB5FieldInfo> narrow(StandardLayout().begin(), StandardLayout().end());
  narrow[kJobField - 1].length = 5;
  ASSERT_TRUE(CreateQueueTable(kQueueFileName, 6));
  CDatabase t;
  ASSERT_EQ(t.Create(kLineFileName, narrow.data()), 1);
  ASSERT_EQ(t.Append(), 1);
  t.Close();
  PutEntry(2, Job("TOOLONG"));
  PutEntry(3, Job("FITS"));
  SetPositions(2, 4);
  const PassResult r = Pass();
  EXPECT_EQ(r.dispatched, 1);
  ASSERT_EQ(r.heldBack.size(), 1u);
  EXPECT_EQ(r.heldBack[0].why, "entry 2 waits: field 25 holds 7 characters, the line's only 5");
  EXPECT_EQ(r.heldBack[0].field, kJobField);
  // The operator is told once, with what clears it, not at every pass.
  class Reporting : public CDispatcher {
   public:
    using CDispatcher::CDispatcher;
    using CDispatcher::Report;
  } reporting(state, queue, lines, &log);
  reporting.Report(r, "");
  reporting.Report(Pass(), "");
  EXPECT_EQ(boxes.texts(), (std::vector<std::string>{FillText(kTextJobTooWide, {"2", "TOOLONG", "25"})}));
  EXPECT_EQ(LineJob(1), "FITS");
  EXPECT_EQ(QueueJob(2), "TOOLONG");
  EXPECT_EQ(ReadPosition(), 2);
}

TEST_F(DispatcherBadInput, RequestedLineThatIsNoRecordWaitsWithoutAnErrorBox) {
  MakeTables(10, 4);
  PutEntry(2, Job("WANTS99", 99));
  PutEntry(3, Job("WANTSNEG", -1));
  PutEntry(4, Job("ANY"));
  SetPositions(2, 5);
  const PassResult r = Pass();
  EXPECT_EQ(r.dispatched, 1);
  ExpectLineCarries(1, Job("ANY"));
  EXPECT_EQ(QueueJob(2), "WANTS99");
  EXPECT_EQ(QueueJob(3), "WANTSNEG");
  EXPECT_EQ(ReadPosition(), 2);
  EXPECT_TRUE(boxes.texts().empty());
  ASSERT_EQ(r.heldBack.size(), 2u) << "each says why";
  EXPECT_EQ(r.heldBack[0].why, "entry 2 waits: it asks for line 99, which ZELBATCH.DBF does not have (4 records)");
  EXPECT_EQ(r.heldBack[1].missingLine, -1);
}

TEST_F(DispatcherBadInput, WatchedRangeBeyondTheLineFileUsesTheLinesThatExist) {
  MakeTables(10, 2);
  state.FirstLine = -5;
  state.LastLine = 64;
  for (int r = 2; r <= 4; ++r) PutEntry(r, Job("J" + std::to_string(r)));
  SetPositions(2, 5);
  EXPECT_EQ(Pass().dispatched, 2);
  ExpectLineCarries(1, Job("J2"));
  ExpectLineCarries(2, Job("J3"));
  EXPECT_EQ(ReadPosition(), 4);
  EXPECT_TRUE(boxes.texts().empty());
}

// The log line keeps its trailing numbers, shortening the texts instead, and
// no text of another program can break it into two.
TEST_F(DispatcherBadInput, WideFieldsAreCopiedWholeAndTheLogLineKeepsItsNumbers) {
  std::vector<CB5FieldInfo> wide(StandardLayout().begin(), StandardLayout().end());
  wide[kJobField - 1].length = 200;
  for (int i = 0; i < 4; ++i) wide[kFirstTextField - 1 + i].length = 200;
  CDatabase t;
  ASSERT_EQ(t.Create(kQueueFileName, wide.data()), 1);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(t.Append(), 1);
  t.Go(1);
  WriteNumber(t, kReadPositionField, 2);
  WriteNumber(t, kWritePositionField, 3);
  ASSERT_EQ(t.Create(kLineFileName, wide.data()), 1);
  ASSERT_EQ(t.Append(), 1);
  t.Close();
  Entry e = Job(std::string(190, 'J'));
  for (auto& text : e.texts) text = std::string(150, 'x') + "-end";
  e.texts[0] = "forged\r\n01.01,00:00,00,x";
  PutEntry(2, e);
  ASSERT_EQ(log.Open(), 1);
  state.logging = 1;
  EXPECT_EQ(Pass().dispatched, 1);
  ExpectLineCarries(1, e);
  std::string text = LogText();
  EXPECT_LE(text.size(), static_cast<size_t>(kLogLineSize - 1));
  EXPECT_TRUE(std::regex_match(text, std::regex(R"(\d\d\.\d\d,\d\d:\d\d,\d\d,forged\?\?01\.01,00:00,00,x,x+,x+,x+,)"
                                                R"(19001,19002,19003,19004,J+,0,1,2\r\n)")))
      << text;
}

}  // namespace
