#include "tools/LogStats.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <istream>
#include <vector>

namespace {

// The longest line the dispatcher can write: 512 bytes with its line end.
constexpr size_t kLongestLine = 512;

bool TwoDigits(const std::string& text, size_t at, int low, int high, int* value) {
  if (at + 2 > text.size()) return false;
  const char a = text[at], b = text[at + 1];
  if (a < '0' || a > '9' || b < '0' || b > '9') return false;
  *value = (a - '0') * 10 + (b - '0');
  return *value >= low && *value <= high;
}

bool WholeNumber(const std::string& text, int* value) {
  if (text.empty() || text.size() > 11) return false;
  errno = 0;
  char* end = nullptr;
  long long parsed = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
  *value = static_cast<int>(parsed);
  return true;
}

}  // namespace

bool ParseLogLine(const std::string& text, LogRecord* record) {
  // "DD.MM,HH:MM,SS," is fixed width.
  constexpr size_t kStampWidth = 15;
  int minute = 0, second = 0;
  if (text.size() < kStampWidth || text[2] != '.' || text[5] != ',' || text[8] != ':' || text[11] != ',' ||
      text[14] != ',' || !TwoDigits(text, 0, 1, 31, &record->day) || !TwoDigits(text, 3, 1, 12, &record->month) ||
      !TwoDigits(text, 6, 0, 23, &record->hour) || !TwoDigits(text, 9, 0, 59, &minute) ||
      !TwoDigits(text, 12, 0, 60, &second))
    return false;
  std::vector<std::string> fields(1);
  for (size_t i = kStampWidth; i < text.size(); ++i) {
    if (text[i] == ',')
      fields.emplace_back();
    else
      fields.back() += text[i];
  }
  constexpr size_t kJobFields = 12;
  if (fields.size() < kJobFields) return false;
  const size_t n = fields.size();
  int requested = 0, entry = 0;
  return WholeNumber(fields[n - 3], &requested) && WholeNumber(fields[n - 2], &record->line) &&
         WholeNumber(fields[n - 1], &entry) && record->line >= 1 && entry >= 2;
}

bool LogStats::Read(std::istream& in) {
  std::string text;
  bool tooLong = false;
  auto take = [&] {
    ++lines;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    LogRecord r;
    if (!tooLong && ParseLogLine(text, &r)) {
      ++jobs;
      ++perLine[r.line];
      ++perDay[r.month * 100 + r.day];
      ++perHour[r.hour];
      ++perClockHour[(r.month * 100 + r.day) * 100 + r.hour];
    } else {
      ++unreadable;
      if (firstUnreadable == 0) firstUnreadable = lines;
    }
    text.clear();
    tooLong = false;
  };
  // Read through the stream, which turns a failed read of its buffer into
  // its bad state instead of an exception.
  char chunk[4096];
  for (;;) {
    in.read(chunk, sizeof chunk);
    const std::streamsize got = in.gcount();
    if (got <= 0) break;
    for (std::streamsize i = 0; i < got; ++i) {
      const char c = chunk[i];
      if (c == '\n') {
        take();
      } else if (text.size() < kLongestLine) {
        text += c;
      } else {
        // Kept bounded: the rest of a runaway line is only skipped.
        tooLong = true;
      }
    }
  }
  if (!text.empty() || tooLong) take();
  return !in.bad();
}

int LogStats::BusiestClockHour(long long* jobCount) const {
  int best = 0;
  *jobCount = 0;
  for (const auto& [hour, count] : perClockHour)
    if (count > *jobCount) {
      best = hour;
      *jobCount = count;
    }
  return best;
}
