// The queue file and the line file as this system reads and writes them:
// fields by position, the header record, the ring of entries, blank = empty.
#pragma once

#include <string>
#include <vector>

#include "engine/cb5.h"

class CDatabase;

namespace tables {

constexpr const char* kQueueFileName = "ZELQUEUE.DBF";
constexpr const char* kLineFileName = "ZELBATCH.DBF";

// Field positions, the same in both tables.
constexpr int kRequestedLineField = 16;  // queue entry: line wanted, 0 = any watched line
constexpr int kJobField = 25;            // the job; blank = empty slot or free line
constexpr int kWritePositionField = 30;  // queue header record
constexpr int kReadPositionField = 31;   // queue header record
constexpr int kFirstNumberField = 30;    // job numbers 1-4
constexpr int kFirstTextField = 34;      // job texts 1-4
constexpr int kParameterCount = 4;
constexpr int kMinimumFieldCount = 37;

constexpr int kHeaderRecord = 1;
constexpr int kFirstEntry = 2;

// Widths the system itself creates; longer fields of other creators are read whole.
constexpr int kJobWidth = 43;
constexpr int kTextWidth = 47;

// Ring of entries 2..n: after n comes 2.
inline int NextPosition(int position, int recordCount) {
  return position + 1 > recordCount ? kFirstEntry : position + 1;
}

// Slots between read position r (inclusive) and write position w (exclusive).
inline int PendingCount(int read, int write, int recordCount) {
  return write >= read ? write - read : recordCount + write - read - 1;
}

// A text field is blank when its trimmed text is empty: spaces only.
inline bool IsBlank(const std::string& text) { return text.empty(); }

// Whether both positions lie in the ring of entries of an n-record queue.
inline bool InRing(int position, int recordCount) {
  return position >= kFirstEntry && position <= recordCount;
}

// Whether the open table has every field position the layout uses.
bool HasLayout(CDatabase& table);

// The current record's text at a position, trailing blanks removed, read whole
// whatever the field's width; empty when the table has no such field.
std::string ReadText(CDatabase& table, int position);
// The current record's number at a position; 0 when there is no such field.
int ReadNumber(CDatabase& table, int position);
bool WriteText(CDatabase& table, int position, const std::string& text);
bool WriteNumber(CDatabase& table, int position, int value);

// One job as it stands in a queue entry.
struct Job {
  std::string text;       // field 25
  int requestedLine = 0;  // field 16
  int numbers[kParameterCount] = {};
  std::string texts[kParameterCount];
};

Job ReadJob(CDatabase& queue);

// Copies a job into the current line record: texts, then numbers, then the
// job itself, so that the line turns busy only once every parameter is there.
void WriteJobToLine(CDatabase& lines, const Job& job);

// The layout this system creates: field 25 character 43, fields 34-37
// character 47, fields 16 and 30-33 numeric wide enough for any int, the
// others one-character spares. Names point at what each position carries.
const std::vector<CB5FieldInfo>& StandardLayout();
// A queue of n records whose header holds read and write position 2, and a
// line table of n free lines. Both are made under a temporary name and only
// then put in place, so a failure leaves any old table as it was.
bool CreateQueueTable(const char* fileName, int records);
bool CreateLineTable(const char* fileName, int lines);

// The monitor's list items: "[%02d|%d: %s]" ("[%03d|..." from 100 records
// on) for a queue entry, "%d: %s" for a line.
std::string QueueItemText(int record, int requestedLine, const std::string& text, int recordCount);
std::string LineItemText(int line, const std::string& text);

}  // namespace tables
