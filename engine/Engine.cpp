// The engine's entries over one shared table file. Every table handle owns
// its file handle, record buffer and lock, so handles never need a lock
// between them; the context is only read after cb5_init.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/FileIO.h"
#include "engine/Header.h"
#include "engine/cb5.h"

struct CB5Field {
  CB5Table* table;
  cb5::FieldLayout layout;
  char upperName[cb5::kMaxNameLength + 1];  // for the case-blind search by name
  size_t nameLength;
};

struct CB5Order {
  CB5Table* table;
};

struct CB5Table {
  cb5::TableFile file;
  cb5::TableLayout layout;
  int lockTimeoutMs = kDefaultLockTimeoutMs;
  bool updateDate = true;
  bool sync = true;               // a flush waits until the disk has the bytes
  bool unsynced = false;          // written since the last sync
  uint32_t recordCount = 0;       // last known, bounded by the file
  int current = 0;                // 0 until positioned
  std::vector<char> record;       // current record, deletion flag first
  std::vector<bool> dirtyField;   // fields assigned since the record was read
  bool anyFieldDirty = false;     // spares every clean positioning a scan of dirtyField
  bool dirtyFlag = false;         // deletion flag changed
  bool locked = false;
  int dateWritten = 0;            // yyyymmdd last put into the header by this handle
  std::vector<CB5Field> fields;
  CB5Order order{this};
  // The last name found: loops over records ask for the same few names.
  char lastName[cb5::kMaxNameLength + 2] = {};
  int lastPosition = 0;
};

namespace {

constexpr unsigned kContextMagic = 0x43423521;  // "CB5!"
enum Result { kDone = 0, kNoRecord = 1, kIoError = 2, kNotLocked = 3, kReadOnly = 4 };
constexpr int kLockRetryMs = 2;

bool Usable(const CB5Context* context) { return context && context->magic == kContextMagic; }

void BlankRecord(CB5Table* t) {
  std::fill(t->record.begin(), t->record.end(), ' ');
}

bool IsDirty(const CB5Table* t) { return t->dirtyFlag || t->anyFieldDirty; }

void ClearDirty(CB5Table* t) {
  t->dirtyFlag = false;
  if (!t->anyFieldDirty) return;
  std::fill(t->dirtyField.begin(), t->dirtyField.end(), false);
  t->anyFieldDirty = false;
}

// Re-reads the header's count; another process may have appended.
uint32_t RefreshCount(CB5Table* t) {
  unsigned char count[4];
  int64_t size = t->file.Size();
  if (t->file.ReadAt(4, count, 4) == 4 && size >= 0) {
    t->layout.headerRecordCount = cb5::ReadU32(count);
    t->recordCount = cb5::BoundedRecordCount(t->layout, size);
  }
  return t->recordCount;
}

int64_t RecordOffset(const CB5Table* t, uint32_t record) {
  return static_cast<int64_t>(t->layout.headerLength) +
         static_cast<int64_t>(record - 1) * t->layout.recordLength;
}

bool Write(CB5Table* t, int64_t offset, const void* bytes, size_t size) {
  t->unsynced = true;
  return t->file.WriteAt(offset, bytes, size);
}

bool StampDate(CB5Table* t) {
  if (!t->updateDate) return true;
  int year, month, day;
  cb5::Today(year, month, day);
  int stamp = year * 10000 + month * 100 + day;
  if (stamp == t->dateWritten) return true;
  unsigned char date[3] = {static_cast<unsigned char>(year - 1900), static_cast<unsigned char>(month),
                           static_cast<unsigned char>(day)};
  if (!Write(t, 1, date, 3)) return false;
  t->dateWritten = stamp;
  return true;
}

// Writes back only the bytes that were assigned, one write per run of
// adjacent changed fields, so that a concurrent change by another process to
// another field of the same record survives.
int WriteBack(CB5Table* t) {
  if (t->current == 0 || !IsDirty(t)) {
    ClearDirty(t);
    return kDone;
  }
  if (t->file.IsReadOnly()) {
    ClearDirty(t);  // reported once by the failed flush; the next read replaces the buffer
    return kReadOnly;
  }
  const int64_t base = RecordOffset(t, static_cast<uint32_t>(t->current));
  bool ok = true;
  // The flag and the fields lie end to end, so a run of changed ones is one
  // contiguous byte range, broken only by a field left alone.
  unsigned runStart = 0, runEnd = t->dirtyFlag ? 1 : 0;
  bool inRun = t->dirtyFlag;
  const size_t n = t->fields.size();
  for (size_t i = 0; i <= n; ++i) {
    if (i < n && t->dirtyField[i]) {
      const cb5::FieldLayout& f = t->fields[i].layout;
      if (!inRun) runStart = f.offset;
      runEnd = f.offset + f.length;
      inRun = true;
    } else if (inRun) {
      ok = Write(t, base + runStart, &t->record[runStart], runEnd - runStart) && ok;
      inRun = false;
    }
  }
  ClearDirty(t);
  ok = StampDate(t) && ok;
  return ok ? kDone : kIoError;
}

int Position(CB5Table* t, long long record) {
  if (!t) return kNoRecord;
  WriteBack(t);  // a failure here was the flush's to report
  if (record < 1) return kNoRecord;
  if (record > t->recordCount && record > RefreshCount(t)) return kNoRecord;
  const size_t size = t->layout.recordLength;
  if (t->file.ReadAt(RecordOffset(t, static_cast<uint32_t>(record)), t->record.data(), size) != size) {
    RefreshCount(t);  // the file was cut short under us
    return kNoRecord;
  }
  t->current = static_cast<int>(record);
  return kDone;
}

bool AcquireLock(CB5Table* t) {
  if (t->locked) return true;
  int waited = 0;
  while (!t->file.TryLock(kCb5LockRegion, kCb5LockLength)) {
    if (waited >= t->lockTimeoutMs) return false;
    cb5::PauseMilliseconds(kLockRetryMs);
    waited += kLockRetryMs;
  }
  t->locked = true;
  return true;
}

void ReleaseLock(CB5Table* t) {
  if (!t->locked) return;
  t->file.Unlock(kCb5LockRegion, kCb5LockLength);
  t->locked = false;
}

int WriteCount(CB5Table* t, uint32_t count) {
  unsigned char bytes[4];
  cb5::WriteU32(bytes, count);
  if (!Write(t, 4, bytes, 4)) return kIoError;
  t->layout.headerRecordCount = count;
  t->recordCount = count;
  t->dateWritten = 0;  // the count changed: stamp the date again
  return StampDate(t) ? kDone : kIoError;
}

char* FieldBytes(CB5Field* f) { return &f->table->record[f->layout.offset]; }

void MarkDirty(CB5Field* f) {
  f->table->dirtyField[static_cast<size_t>(f - f->table->fields.data())] = true;
  f->table->anyFieldDirty = true;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

int SearchField(CB5Table* t, const char* name) {
  size_t n = std::strlen(name);
  while (n > 0 && name[n - 1] == ' ') --n;
  if (n == 0 || n > cb5::kMaxNameLength) return -1;
  char upper[cb5::kMaxNameLength];
  for (size_t k = 0; k < n; ++k) upper[k] = UpperAscii(name[k]);
  for (size_t i = 0; i < t->fields.size(); ++i)
    if (t->fields[i].nameLength == n && std::memcmp(t->fields[i].upperName, upper, n) == 0)
      return static_cast<int>(i + 1);
  return -1;
}

// The text "%.*f" gives for a whole number, as the system writes them, made
// without printf, whose floating-point path is slow. False for any other value.
bool FormatWhole(double value, int decimals, std::string& text) {
  constexpr double kExact = 1e15;  // every whole double below is exact as long long
  if (!(value > -kExact && value < kExact) || decimals > 64) return false;
  long long whole = static_cast<long long>(value);
  if (static_cast<double>(whole) != value || (whole == 0 && std::signbit(value))) return false;
  char digits[24];
  int n = 0;
  unsigned long long magnitude = whole < 0 ? 0ULL - static_cast<unsigned long long>(whole)
                                           : static_cast<unsigned long long>(whole);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  text.clear();
  if (whole < 0) text += '-';
  while (n) text += digits[--n];
  if (decimals > 0) {
    text += '.';
    text.append(static_cast<size_t>(decimals), '0');
  }
  return true;
}

// Integer value of a numeric text: leading blanks, sign, digits, decimals cut
// off toward zero. A blank field is 0; so is text with no leading number, and
// anything after the number is ignored. Values beyond int are clamped.
int ParseInt(const char* p, size_t n) {
  size_t i = 0;
  while (i < n && (p[i] == ' ' || p[i] == '\0')) ++i;
  bool negative = false;
  if (i < n && (p[i] == '-' || p[i] == '+')) negative = p[i++] == '-';
  long long value = 0;
  for (; i < n && p[i] >= '0' && p[i] <= '9'; ++i) {
    value = value * 10 + (p[i] - '0');
    if (value > 2147483648LL) value = 2147483648LL;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) value = 2147483647LL;
  return static_cast<int>(value);
}

bool ValidName(const char* name) {
  size_t n = name ? std::strlen(name) : 0;
  if (n == 0 || n > cb5::kMaxNameLength) return false;
  for (size_t i = 0; i < n; ++i)
    if (static_cast<unsigned char>(name[i]) <= ' ' || name[i] == 0x7F) return false;
  return true;
}

bool ValidField(const CB5FieldInfo& f) {
  if (!ValidName(f.name) || f.decimals < 0) return false;
  switch (f.type) {
    case 'C': return f.length >= 1 && f.length <= 254 && f.decimals == 0;
    case 'N':
    case 'F': return f.length >= 1 && f.length <= 20 && (f.decimals == 0 || f.decimals <= f.length - 2);
    case 'D': return f.length == 8 && f.decimals == 0;
    case 'L': return f.length == 1 && f.decimals == 0;
    default: return false;
  }
}

CB5Table* OpenTable(CB5Context* context, const char* fileName) {
  auto t = std::make_unique<CB5Table>();
  if (!t->file.Open(fileName, context->readOnly != 0)) return nullptr;
  unsigned char first[cb5::kFileHeaderSize];
  if (t->file.ReadAt(0, first, sizeof first) != sizeof first) return nullptr;
  unsigned headerLength = cb5::PeekHeaderLength(first);
  if (headerLength == 0) return nullptr;
  std::vector<unsigned char> header(headerLength);
  if (t->file.ReadAt(0, header.data(), headerLength) != headerLength) return nullptr;
  if (!cb5::DecodeHeader(header.data(), header.size(), t->layout)) return nullptr;
  int64_t size = t->file.Size();
  if (size < 0) return nullptr;
  t->recordCount = cb5::BoundedRecordCount(t->layout, size);
  if (context->lockTimeoutMs > 0) t->lockTimeoutMs = context->lockTimeoutMs;
  t->updateDate = context->noDateUpdate == 0;
  t->sync = context->noSync == 0;
  t->record.assign(t->layout.recordLength, ' ');
  t->dirtyField.assign(t->layout.fields.size(), false);
  t->fields.reserve(t->layout.fields.size());
  for (const cb5::FieldLayout& f : t->layout.fields) {
    CB5Field field{t.get(), f, {}, std::strlen(f.name)};
    for (size_t k = 0; k < field.nameLength; ++k) field.upperName[k] = UpperAscii(f.name[k]);
    t->fields.push_back(field);
  }
  return t.release();
}

}  // namespace

extern "C" {

void cb5_init(CB5Context* context) {
  if (!context) return;
  std::memset(context, 0, sizeof *context);
  context->magic = kContextMagic;
}

CB5Table* cb5_open(CB5Context* context, const char* fileName) {
  if (!Usable(context) || !fileName) return nullptr;
  return OpenTable(context, fileName);
}

CB5Table* cb5_create(CB5Context* context, const char* fileName, const CB5FieldInfo* fields,
                     const void* /*index: none is kept*/) {
  if (!Usable(context) || !fileName || !fields || context->readOnly) return nullptr;
  size_t count = 0;
  unsigned recordLength = 1;
  for (; fields[count].name; ++count) {
    if (!ValidField(fields[count])) return nullptr;
    recordLength += static_cast<unsigned>(fields[count].length);
  }
  const size_t headerLength = cb5::kFileHeaderSize + count * cb5::kDescriptorSize + 1;
  if (count == 0 || headerLength > 0xFFFF || recordLength > 0xFFFF) return nullptr;

  std::vector<unsigned char> bytes(headerLength + 1, 0);
  int year, month, day;
  cb5::Today(year, month, day);
  bytes[0] = cb5::kDbase3;
  bytes[1] = static_cast<unsigned char>(year - 1900);
  bytes[2] = static_cast<unsigned char>(month);
  bytes[3] = static_cast<unsigned char>(day);
  cb5::WriteU16(&bytes[8], static_cast<unsigned>(headerLength));
  cb5::WriteU16(&bytes[10], recordLength);
  for (size_t i = 0; i < count; ++i) {
    unsigned char* d = &bytes[cb5::kFileHeaderSize + i * cb5::kDescriptorSize];
    std::memcpy(d, fields[i].name, std::strlen(fields[i].name));
    d[11] = static_cast<unsigned char>(fields[i].type);
    d[16] = static_cast<unsigned char>(fields[i].length);
    d[17] = static_cast<unsigned char>(fields[i].decimals);
  }
  bytes[headerLength - 1] = cb5::kHeaderTerminator;
  bytes[headerLength] = cb5::kEndOfFile;

  cb5::TableFile file;
  if (!file.Create(fileName)) return nullptr;
  bool written = file.WriteAt(0, bytes.data(), bytes.size());
  file.Close();
  if (!written) return nullptr;
  return OpenTable(context, fileName);
}

void cb5_close(CB5Table* table) {
  if (!table) return;
  WriteBack(table);
  ReleaseLock(table);
  delete table;
}

int cb5_field_count(CB5Table* table) { return table ? static_cast<int>(table->fields.size()) : 0; }

CB5Field* cb5_field(CB5Table* table, int position) {
  if (!table || position < 1 || static_cast<size_t>(position) > table->fields.size()) return nullptr;
  return &table->fields[static_cast<size_t>(position - 1)];
}

// Names compare blind to ASCII case, trailing blanks ignored.
int cb5_field_number(CB5Table* table, const char* name) {
  if (!table || !name) return -1;
  if (table->lastPosition > 0 && std::strcmp(name, table->lastName) == 0) return table->lastPosition;
  int position = SearchField(table, name);
  if (position > 0 && std::strlen(name) < sizeof table->lastName) {
    std::strcpy(table->lastName, name);
    table->lastPosition = position;
  }
  return position;
}

int cb5_field_length(CB5Field* field) { return field ? static_cast<int>(field->layout.length) : 0; }

int cb5_field_decimals(CB5Field* field) { return field ? static_cast<int>(field->layout.decimals) : 0; }

const char* cb5_field_name(CB5Field* field) { return field ? field->layout.name : ""; }

CB5Order* cb5_default_order(CB5Table* table) { return table ? &table->order : nullptr; }

// Only the natural record order exists.
void cb5_select_order(CB5Table*, CB5Order*) {}

int cb5_top(CB5Table* table) { return Position(table, 1); }

int cb5_bottom(CB5Table* table) {
  if (!table) return kNoRecord;
  return Position(table, RefreshCount(table));
}

int cb5_go(CB5Table* table, int record) { return Position(table, record); }

// Stays within the first and the last record, so a forward search ends on
// the last record instead of running past it.
void cb5_skip(CB5Table* table, int count) {
  if (!table) return;
  long long target = static_cast<long long>(table->current) + count;
  if (target > table->recordCount) target = RefreshCount(table);
  if (target < 1) target = 1;
  if (target > table->recordCount) return;  // empty table
  Position(table, target);
}

int cb5_record_number(CB5Table* table) { return table ? table->current : 0; }

unsigned cb5_record_count(CB5Table* table) { return table ? RefreshCount(table) : 0; }

int cb5_field_copy(CB5Field* field, char* buffer, int size) {
  if (!field || !buffer || size <= 0) return 0;
  size_t n = field->layout.length;
  if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
  std::memcpy(buffer, FieldBytes(field), n);
  buffer[n] = 0;
  return static_cast<int>(n);
}

int cb5_field_int(CB5Field* field) {
  return field ? ParseInt(FieldBytes(field), field->layout.length) : 0;
}

void cb5_field_assign(CB5Field* field, const char* text) {
  if (!field) return;
  const size_t width = field->layout.length;
  size_t n = 0;
  if (text)
    while (n < width && text[n]) ++n;
  char* bytes = FieldBytes(field);
  std::memcpy(bytes, text ? text : "", n);
  std::memset(bytes + n, ' ', width - n);
  MarkDirty(field);
}

// Right-aligned with the field's decimals; what does not fit becomes
// asterisks, never a cut number that would read back as another value.
void cb5_field_assign_double(CB5Field* field, double value) {
  if (!field) return;
  const int width = static_cast<int>(field->layout.length);
  const int decimals = static_cast<int>(field->layout.decimals);
  char* bytes = FieldBytes(field);
  std::string text;
  if (!FormatWhole(value, decimals, text) && std::isfinite(value)) {
    int needed = std::snprintf(nullptr, 0, "%.*f", decimals, value);
    if (needed > 0) {
      text.resize(static_cast<size_t>(needed) + 1);
      std::snprintf(&text[0], text.size(), "%.*f", decimals, value);
      text.resize(static_cast<size_t>(needed));
    }
  }
  if (text.empty() || text.size() > static_cast<size_t>(width)) {
    std::memset(bytes, '*', static_cast<size_t>(width));
  } else {
    size_t pad = static_cast<size_t>(width) - text.size();
    std::memset(bytes, ' ', pad);
    std::memcpy(bytes + pad, text.data(), text.size());
  }
  MarkDirty(field);
}

void cb5_blank(CB5Table* table) {
  if (!table) return;
  std::fill(table->record.begin() + 1, table->record.end(), ' ');
  std::fill(table->dirtyField.begin(), table->dirtyField.end(), true);
  table->anyFieldDirty = true;
}

void cb5_delete(CB5Table* table) {
  if (!table) return;
  table->record[0] = '*';
  table->dirtyFlag = true;
}

void cb5_recall(CB5Table* table) {
  if (!table) return;
  table->record[0] = ' ';
  table->dirtyFlag = true;
}

// Appends the record buffer as it stands (blank when nothing was read) and
// makes the new record current. The header's count only changes here, under
// the table lock, so two appending processes never take the same record.
int cb5_append(CB5Table* table) {
  if (!table) return kNoRecord;
  if (table->file.IsReadOnly()) return kReadOnly;
  const bool hadLock = table->locked;
  if (!AcquireLock(table)) return kNotLocked;
  if (table->current == 0) BlankRecord(table);
  ClearDirty(table);
  // A partial record left at the end by a failed writer is overwritten.
  const uint32_t count = RefreshCount(table);
  int result = kIoError;
  if (count < 0xFFFFFFFFu) {
    const int64_t at = RecordOffset(table, count + 1);
    const char eof = static_cast<char>(cb5::kEndOfFile);
    if (Write(table, at, table->record.data(), table->record.size()) &&
        Write(table, at + table->layout.recordLength, &eof, 1)) {
      result = WriteCount(table, count + 1);
      if (result == kDone) table->current = static_cast<int>(count + 1);
    }
  }
  if (!hadLock) ReleaseLock(table);
  return result;
}

int cb5_pack(CB5Table* table) {
  if (!table) return kNoRecord;
  if (table->file.IsReadOnly()) return kReadOnly;
  WriteBack(table);
  const bool hadLock = table->locked;
  if (!AcquireLock(table)) return kNotLocked;
  const uint32_t count = RefreshCount(table);
  const size_t size = table->layout.recordLength;
  std::vector<char> buffer(size);
  uint32_t kept = 0;
  int result = kDone;
  for (uint32_t r = 1; r <= count && result == kDone; ++r) {
    if (table->file.ReadAt(RecordOffset(table, r), buffer.data(), size) != size) {
      result = kIoError;
      break;
    }
    if (buffer[0] == '*') continue;
    ++kept;
    if (kept != r && !Write(table, RecordOffset(table, kept), buffer.data(), size))
      result = kIoError;
  }
  if (result == kDone && kept != count) {
    const int64_t end = RecordOffset(table, kept + 1);
    const char eof = static_cast<char>(cb5::kEndOfFile);
    result = WriteCount(table, kept);
    if (result == kDone && !(Write(table, end, &eof, 1) && table->file.Truncate(end + 1)))
      result = kIoError;
  }
  table->current = 0;
  BlankRecord(table);
  if (!hadLock) ReleaseLock(table);
  return result;
}

// Written bytes reach the operating system at once, where every other
// process sees them, and then the disk, so that a power cut keeps them.
int cb5_flush(CB5Table* table) {
  if (!table) return kNoRecord;
  int result = WriteBack(table);
  if (result == kDone && table->sync && table->unsynced) {
    if (!table->file.Sync()) return kIoError;
    table->unsynced = false;
  }
  return result;
}

int cb5_lock(CB5Table* table) {
  if (!table) return kNoRecord;
  return AcquireLock(table) ? kDone : kNotLocked;
}

int cb5_unlock(CB5Table* table) {
  if (!table) return kNoRecord;
  int result = WriteBack(table);
  ReleaseLock(table);
  return result;
}

}  // extern "C"
