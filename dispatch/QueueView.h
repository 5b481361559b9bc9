// What the monitor shows of the two tables, each read in one look: the list
// items and the figures of the two status lines. Reading only; the window
// side lives with the monitor thread.
#pragma once

#include <string>
#include <vector>

#include "services/StringIds.h"

class CDatabase;

// The pending stretch of the queue, from the read to the write position.
struct QueueView {
  // What each entry holds, as read; items are the same as the list shows them.
  struct Entry {
    int record;
    int requestedLine;
    std::string job;
  };
  std::vector<Entry> entries;
  std::vector<std::string> items;
  int recordCount = 0;  // N
  int read = 0;         // as read again after the walk
  int write = 0;
  int pending = 0;
  int waiting = 0;  // entries with a job among the items
};

// The watched lines, one item each.
struct LineView {
  // A line that is no record of the line file is listed, but is not free.
  struct Line {
    int number;
    bool exists;
    std::string job;
  };
  std::vector<Line> lines;
  std::vector<std::string> items;
  int freeLines = 0;
  bool cut = false;  // the range went on beyond the listed lines
};

// A watched range longer than this is cut at its end: a damaged settings
// file could otherwise ask for billions of items.
constexpr int kMaxListedLines = 10000;

// Opens the queue file on table, reads it and closes it again. False, with
// *view untouched and the reason in *why when given, when the file cannot
// be opened or lacks the layout.
bool ReadQueueView(CDatabase& table, QueueView* view, std::string* why = nullptr);

// The same for the lines firstLine..lastLine of the line file. A line that is
// no record is listed with noRecord after its number, so that it does not
// look free.
bool ReadLineView(CDatabase& table, int firstLine, int lastLine, LineView* view, std::string* why = nullptr,
                  const std::string& noRecord = kTextNoLineRecord);

// Whether a status text (which may come from a language module) can be
// handed to printf with `figures` int arguments: only %d and %i conversions,
// each with flags and at most two digits of width and of precision, and %%;
// no more conversions than figures.
bool IsFiguresFormat(const char* format, int figures);
