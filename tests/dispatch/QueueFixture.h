// Real queue and line tables in a scratch folder, with helpers to place
// entries, set the header and read back what reached the lines.
#pragma once

#include <string>
#include <vector>

#include "dispatch/Tables.h"
#include "services/Database.h"
#include "tests/TestSupport.h"

// Remembers every text of the database error box while it lives.
class ErrorBoxRecorder {
 public:
  ErrorBoxRecorder() { previous_ = SetDatabaseErrorHook(&Record); texts().clear(); }
  ~ErrorBoxRecorder() { SetDatabaseErrorHook(previous_); }
  static std::vector<std::string>& texts() {
    static std::vector<std::string> recorded;
    return recorded;
  }

 private:
  static void Record(const char* text) { texts().push_back(text); }
  DatabaseErrorHook previous_;
};

struct Entry {
  std::string job;
  int line = 0;
  int numbers[4] = {0, 0, 0, 0};
  std::string texts[4];
};

// What a fault or crash run drives: a pass, an enqueue or a cancel.
enum class Operation { kPass, kEnqueue, kCancel };

class QueueFixture : public ::testing::Test {
 protected:
  ScratchFolder folder;
  ErrorBoxRecorder boxes;

  void MakeTables(int queueRecords, int lines) {
    ASSERT_TRUE(tables::CreateQueueTable(tables::kQueueFileName, queueRecords));
    ASSERT_TRUE(tables::CreateLineTable(tables::kLineFileName, lines));
  }

  void SetPositions(int read, int write) {
    CDatabase q;
    ASSERT_EQ(q.Open(tables::kQueueFileName), 1);
    q.Go(tables::kHeaderRecord);
    tables::WriteNumber(q, tables::kReadPositionField, read);
    tables::WriteNumber(q, tables::kWritePositionField, write);
  }

  int ReadPosition() { return Header(tables::kReadPositionField); }
  int WritePosition() { return Header(tables::kWritePositionField); }

  int Header(int field) {
    CDatabase q;
    if (!q.Open(tables::kQueueFileName)) return -1;
    q.Go(tables::kHeaderRecord);
    return tables::ReadNumber(q, field);
  }

  void PutEntry(int record, const Entry& e) {
    CDatabase q;
    ASSERT_EQ(q.Open(tables::kQueueFileName), 1);
    ASSERT_EQ(q.Go(record), 0);
    tables::WriteNumber(q, tables::kRequestedLineField, e.line);
    for (int i = 0; i < 4; ++i) {
      tables::WriteNumber(q, tables::kFirstNumberField + i, e.numbers[i]);
      tables::WriteText(q, tables::kFirstTextField + i, e.texts[i]);
    }
    tables::WriteText(q, tables::kJobField, e.job);
  }

  // A job with parameters derived from its name, so copies can be checked.
  static Entry Job(const std::string& name, int line = 0) {
    Entry e;
    e.job = name;
    e.line = line;
    for (int i = 0; i < 4; ++i) {
      e.numbers[i] = static_cast<int>(name.size()) * 100 + i + 1;
      e.texts[i] = name + "-t" + std::to_string(i + 1);
    }
    return e;
  }

  std::string QueueJob(int record) { return JobAt(tables::kQueueFileName, record); }
  std::string LineJob(int line) { return JobAt(tables::kLineFileName, line); }

  std::string JobAt(const char* file, int record) {
    CDatabase t;
    if (!t.Open(file) || t.Go(record) != 0) return "<none>";
    return tables::ReadText(t, tables::kJobField);
  }

  void SetLineBusy(int line, const std::string& job) {
    CDatabase t;
    ASSERT_EQ(t.Open(tables::kLineFileName), 1);
    ASSERT_EQ(t.Go(line), 0);
    tables::WriteText(t, tables::kJobField, job);
  }

  tables::Job LineRecord(int line) {
    CDatabase t;
    EXPECT_EQ(t.Open(tables::kLineFileName), 1);
    EXPECT_EQ(t.Go(line), 0);
    return tables::ReadJob(t);
  }

  void ExpectLineCarries(int line, const Entry& e) {
    tables::Job j = LineRecord(line);
    EXPECT_EQ(j.text, e.job) << "line " << line;
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(j.numbers[i], e.numbers[i]) << "line " << line << " number " << i + 1;
      EXPECT_EQ(j.texts[i], e.texts[i]) << "line " << line << " text " << i + 1;
    }
  }
};
