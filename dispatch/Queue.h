// The queue as every part of the system sees it: the ring of entries between
// the header's read and write positions, the layout both tables must have,
// whether a line can take a job whole, and the table lock that keeps two
// writers apart. The dispatcher, the monitor's view and the console tool all
// go through here.
#pragma once

#include <string>
#include <vector>

#include "dispatch/Tables.h"
#include "services/Database.h"

namespace queue {

// N and the two positions of the header record.
struct Ring {
  int records = 0;  // entries are 2..records
  int read = 0;
  int write = 0;

  int Next(int position) const { return tables::NextPosition(position, records); }
  int Pending() const { return tables::PendingCount(read, write, records); }
  // At most N - 2 entries can wait: equal positions mean none.
  bool Full() const { return Pending() >= records - 2; }
  // Whether an entry lies in the pending stretch, read (inclusive) to write.
  bool IsPending(int entry) const {
    return tables::InRing(entry, records) && tables::PendingCount(read, entry, records) < Pending();
  }
};

// What keeps n records and the two positions from making a ring (fewer than
// 3 records, a position outside 2..n), one text each; none for a ring.
std::vector<std::string> RingProblems(const Ring& ring);
// Whether they make one; otherwise false with the reasons in one line.
bool IsRing(const Ring& ring, std::string* why);

// N and both positions of an open queue table, the header read through Top.
// False, with the reason, when the header cannot be read or makes no ring.
bool ReadRing(CDatabase& queue, Ring* ring, std::string* why);

// Opens a table and checks its layout; false, closed, with the reason (the
// file that cannot be opened, or what its layout lacks).
bool OpenInLayout(CDatabase& table, const char* fileName, std::string* why);

// Whether an open table carries the layout: at least 37 fields, and every
// position used found again by its own name (fields are looked up by name,
// and of two with one name the first wins). False with the reason.
bool CheckLayout(CDatabase& table, const char* fileName, std::string* why);

// Whether the queue's position fields (30 and 31 of the header) show every
// position up to `records` as the number it is, with their width and
// decimals; a field that cannot turns a position into asterisks.
bool CheckPositionFields(CDatabase& queue, int records, std::string* why);

// Whether the number, written with the field's decimals, fits its width.
bool NumberFits(int value, int width, int decimals);

// Why the open line table cannot take this job whole (a text longer than its
// field, a number its field cannot show), or empty when it can. A job is
// never cut: one that does not fit waits, and this says why (and, when
// field is given, which position is too narrow).
std::string JobMisfit(CDatabase& lines, const tables::Job& job, int* field = nullptr);

// A table's lock, held by a handle of its own that never writes: every write
// through a handle releases that handle's locks, and this one must hold
// through a whole sequence of writes. Released when it goes.
class TableLock {
 public:
  TableLock() = default;
  ~TableLock() { Release(); }
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;

  // True once held; false when the file cannot be opened or another
  // program keeps the lock beyond the engine's wait.
  bool Take(const char* fileName);
  // Whether the last Take opened the file but was refused its lock.
  bool Refused() const { return mRefused; }
  void Release() { mHolder.Close(); }

 private:
  CDatabase mHolder;
  bool mRefused = false;
};

}  // namespace queue
