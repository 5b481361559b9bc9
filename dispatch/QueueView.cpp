#include "dispatch/QueueView.h"

#include <cctype>
#include <utility>

#include "dispatch/Queue.h"
#include "dispatch/Tables.h"
#include "services/Database.h"

using namespace tables;

namespace {

// Open and in the layout; a table without the layout's fields is as good as
// missing, since every field of it would read as blank.
bool OpenInLayout(CDatabase& table, const char* fileName, std::string* why) {
  std::string reason;
  if (queue::OpenInLayout(table, fileName, &reason)) return true;
  if (why) *why = reason;
  return false;
}

bool IsValidRing(int read, int write, int recordCount) {
  std::string why;
  return queue::IsRing(queue::Ring{recordCount, read, write}, &why);
}

}  // namespace

bool ReadQueueView(CDatabase& table, QueueView* view, std::string* why) {
  if (!OpenInLayout(table, kQueueFileName, why)) return false;
  QueueView seen;
  // A count beyond int reads as negative and so as no ring at all.
  seen.recordCount = static_cast<int>(table.RecordCount());
  const int n = seen.recordCount;
  // An empty table has no header record to go to.
  if (n >= kHeaderRecord) {
    table.Top();
    const int read = ReadNumber(table, kReadPositionField);
    seen.write = ReadNumber(table, kWritePositionField);
    // Positions outside the ring (a damaged or foreign header) would walk
    // records that are no entries and never meet the write position: such a
    // queue lists nothing, and no record beyond the header is read.
    if (IsValidRing(read, seen.write, n)) {
      for (int p = read; p != seen.write; p = NextPosition(p, n)) {
        table.Go(p);
        QueueView::Entry entry{p, ReadNumber(table, kRequestedLineField), ReadText(table, kJobField)};
        if (!IsBlank(entry.job)) ++seen.waiting;
        seen.items.push_back(QueueItemText(p, entry.requestedLine, entry.job, n));
        seen.entries.push_back(std::move(entry));
      }
    }
    table.Top();
    seen.read = ReadNumber(table, kReadPositionField);
  }
  table.Close();
  // The count comes from the read position as it stands now, which the
  // dispatcher may have moved during the walk; without a ring it is 0.
  seen.pending = IsValidRing(seen.read, seen.write, n) ? PendingCount(seen.read, seen.write, n) : 0;
  *view = std::move(seen);
  return true;
}

bool ReadLineView(CDatabase& table, int firstLine, int lastLine, LineView* view, std::string* why,
                  const std::string& noRecord) {
  if (!OpenInLayout(table, kLineFileName, why)) return false;
  LineView seen;
  const long long lineCount = table.RecordCount();
  // Counted in long long: a range up to INT_MAX must not overflow the step.
  long long last = lastLine;
  if (last - firstLine >= kMaxListedLines) {
    last = static_cast<long long>(firstLine) + kMaxListedLines - 1;
    seen.cut = true;
  }
  for (long long line = firstLine; line <= last; ++line) {
    const int number = static_cast<int>(line);
    // A line that is no record is not free: no job can go there, and going
    // to it would raise the error box at every refresh.
    LineView::Line item{number, line >= 1 && line <= lineCount, std::string()};
    if (item.exists) {
      table.Go(number);
      item.job = ReadText(table, kJobField);
      if (IsBlank(item.job)) ++seen.freeLines;
    }
    seen.items.push_back(LineItemText(number, item.exists ? item.job : noRecord));
    seen.lines.push_back(std::move(item));
  }
  table.Close();
  *view = std::move(seen);
  return true;
}

bool IsFiguresFormat(const char* format, int figures) {
  if (!format) return false;
  int conversions = 0;
  for (const char* c = format; *c; ++c) {
    if (*c != '%') continue;
    ++c;
    if (*c == '%') continue;
    while (*c == '-' || *c == '+' || *c == ' ' || *c == '#' || *c == '0') ++c;
    for (int digits = 0; std::isdigit(static_cast<unsigned char>(*c)); ++digits, ++c)
      if (digits == 2) return false;
    if (*c == '.') {
      ++c;
      for (int digits = 0; std::isdigit(static_cast<unsigned char>(*c)); ++digits, ++c)
        if (digits == 2) return false;
    }
    if (*c != 'd' && *c != 'i') return false;
    if (++conversions > figures) return false;
  }
  return true;
}
