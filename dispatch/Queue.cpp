#include "dispatch/Queue.h"

#include <cstdlib>

using namespace tables;

namespace queue {

namespace {

const int kUsedPositions[] = {kRequestedLineField, kJobField, 30, 31, 32, 33, 34, 35, 36, 37};

std::string Number(long long value) { return std::to_string(value); }

}  // namespace

std::vector<std::string> RingProblems(const Ring& ring) {
  if (ring.records < kFirstEntry + 1)
    return {std::string(kQueueFileName) + " has " + Number(ring.records) + " records, at least 3 are needed"};
  std::vector<std::string> problems;
  const std::string range = " lies outside 2.." + Number(ring.records);
  if (!InRing(ring.read, ring.records)) problems.push_back("read position " + Number(ring.read) + range);
  if (!InRing(ring.write, ring.records)) problems.push_back("write position " + Number(ring.write) + range);
  return problems;
}

bool IsRing(const Ring& ring, std::string* why) {
  const std::vector<std::string> problems = RingProblems(ring);
  if (problems.empty()) return true;
  *why = problems[0];
  for (size_t i = 1; i < problems.size(); ++i) *why += "; " + problems[i];
  return false;
}

bool ReadRing(CDatabase& queue, Ring* ring, std::string* why) {
  Ring seen;
  // A count beyond int reads as negative, and so as no ring.
  seen.records = static_cast<int>(queue.RecordCount());
  if (seen.records >= kHeaderRecord) {
    if (queue.Top() != 0) {
      *why = std::string("cannot read the header record of ") + kQueueFileName;
      return false;
    }
    seen.read = ReadNumber(queue, kReadPositionField);
    seen.write = ReadNumber(queue, kWritePositionField);
  }
  if (!IsRing(seen, why)) return false;
  *ring = seen;
  return true;
}

bool CheckLayout(CDatabase& table, const char* fileName, std::string* why) {
  if (!HasLayout(table)) {
    *why = std::string(fileName) + " has " + Number(table.FieldCount()) + " fields, at least " +
           Number(kMinimumFieldCount) + " are needed";
    return false;
  }
  for (int position : kUsedPositions) {
    const char* name = table.FieldName(position);
    const int found = table.FieldNumber(name);
    if (found != position) {
      *why = std::string(fileName) + ": field " + Number(position) + " is named " + name + " like field " +
             Number(found) + ", so it cannot be told apart";
      return false;
    }
  }
  return true;
}

bool OpenInLayout(CDatabase& table, const char* fileName, std::string* why) {
  if (!table.Open(fileName)) {
    *why = std::string("cannot open ") + fileName;
    return false;
  }
  if (CheckLayout(table, fileName, why)) return true;
  table.Close();
  return false;
}

bool NumberFits(int value, int width, int decimals) {
  int digits = value < 0 ? 2 : 1;
  for (long long v = std::llabs(static_cast<long long>(value)); v >= 10; v /= 10) ++digits;
  return digits + (decimals > 0 ? decimals + 1 : 0) <= width;
}

bool CheckPositionFields(CDatabase& queue, int records, std::string* why) {
  for (int position : {kWritePositionField, kReadPositionField}) {
    const char* name = queue.FieldName(position);
    const int width = queue.FieldLength(name), decimals = queue.FieldDecimals(name);
    if (NumberFits(records, width, decimals)) continue;
    *why = std::string(kQueueFileName) + ": field " + Number(position) + " (width " + Number(width) +
           (decimals ? ", " + Number(decimals) + " decimals" : std::string()) + ") cannot hold position " +
           Number(records);
    return false;
  }
  return true;
}

std::string JobMisfit(CDatabase& lines, const Job& job, int* field) {
  int narrow = 0;
  auto name = [&](int position) { return lines.FieldName(position); };
  auto tooLong = [&](int position, const std::string& text) {
    const int width = lines.FieldLength(name(position));
    if (static_cast<int>(text.size()) > width) narrow = position;
    return static_cast<int>(text.size()) > width
               ? "field " + Number(position) + " holds " + Number(text.size()) + " characters, the line's only " +
                     Number(width)
               : std::string();
  };
  std::string misfit = tooLong(kJobField, job.text);
  for (int i = 0; i < kParameterCount && misfit.empty(); ++i) {
    misfit = tooLong(kFirstTextField + i, job.texts[i]);
    const char* number = name(kFirstNumberField + i);
    if (misfit.empty() && !NumberFits(job.numbers[i], lines.FieldLength(number), lines.FieldDecimals(number))) {
      narrow = kFirstNumberField + i;
      misfit = "field " + Number(kFirstNumberField + i) + " holds " + Number(job.numbers[i]) +
               ", which the line's field cannot show";
    }
  }
  if (field) *field = narrow;
  return misfit;
}

bool TableLock::Take(const char* fileName) {
  Release();
  mRefused = false;
  if (!mHolder.Open(fileName)) return false;
  if (mHolder.Lock() == 0) return true;
  mRefused = true;
  Release();
  return false;
}

}  // namespace queue
