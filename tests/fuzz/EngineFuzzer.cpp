// Arbitrary bytes opened as a table through the engine's entries: every read
// entry on a bounded set of records, then a few writes. Besides the sanitizers
// it checks what the engine promises about bad files and positioning.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/cb5.h"

namespace {

// Records visited at each end; enough to reach every code path, small enough
// that a header claiming millions of records stays fast.
constexpr unsigned kRecordsPerEnd = 2000;

std::string folderName, tableName;

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "engine promise broken: %s\n", what);
  std::abort();
}

bool WriteFile(const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(tableName.c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> ReadFile() {
  std::vector<uint8_t> bytes;
  std::FILE* f = std::fopen(tableName.c_str(), "rb");
  if (!f) return bytes;
  uint8_t buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

// Every field entry on the current record, the buffer sizes varied so that
// the cut at the terminator is exercised too.
void ReadFields(CB5Table* t, int fieldCount) {
  static char buffer[70000];
  for (int p = 1; p <= fieldCount; ++p) {
    CB5Field* f = cb5_field(t, p);
    Check(f != nullptr, "a field position within the count has a handle");
    int length = cb5_field_length(f);
    Check(length > 0, "fields have a width");
    int copied = cb5_field_copy(f, buffer, sizeof buffer);
    Check(copied == length && buffer[copied] == 0, "a field copies whole into a large buffer");
    Check(cb5_field_copy(f, buffer, 3) <= 2 && std::strlen(buffer) <= 2, "a copy stays in its buffer");
    cb5_field_int(f);
    const char* name = cb5_field_name(f);
    Check(std::strlen(name) >= 1 && std::strlen(name) <= 10, "names have 1 to 10 characters");
    Check(cb5_field_number(t, name) >= 1, "a field is found by its own name");
  }
}

void Visit(CB5Table* t, unsigned record, int fieldCount) {
  Check(cb5_go(t, static_cast<int>(record)) == 0, "go to a record within the count succeeds");
  Check(cb5_record_number(t) == static_cast<int>(record), "go makes the record current");
  ReadFields(t, fieldCount);
}

void ReadEverything(CB5Table* t) {
  const int fieldCount = cb5_field_count(t);
  Check(fieldCount >= 1, "an open table has fields");
  Check(cb5_field(t, 0) == nullptr && cb5_field(t, fieldCount + 1) == nullptr,
        "positions outside the fields have no handle");
  cb5_select_order(t, cb5_default_order(t));
  const unsigned count = cb5_record_count(t);

  for (unsigned r = 1; r <= count && r <= kRecordsPerEnd; ++r) Visit(t, r, fieldCount);
  const unsigned tailStart = count > 2 * kRecordsPerEnd ? count - kRecordsPerEnd + 1 : kRecordsPerEnd + 1;
  for (unsigned r = tailStart; r <= count; ++r) Visit(t, r, fieldCount);

  Check(cb5_go(t, static_cast<int>(count) + 1) != 0, "go beyond the count fails");
  Check(cb5_go(t, 0) != 0 && cb5_go(t, -5) != 0, "go below 1 fails");
  if (count == 0) {
    Check(cb5_top(t) != 0 && cb5_bottom(t) != 0, "an empty table has no first or last record");
    cb5_skip(t, 1);
    return;
  }
  Check(cb5_bottom(t) == 0 && cb5_record_number(t) == static_cast<int>(count), "bottom is the last");
  cb5_skip(t, 5);
  Check(cb5_record_number(t) == static_cast<int>(count), "skip stops at the last record");
  ReadFields(t, fieldCount);
  cb5_skip(t, -2147483647);
  Check(cb5_record_number(t) == 1, "skip stops at the first record");
  cb5_skip(t, 2147483647);
  Check(cb5_record_number(t) == static_cast<int>(count), "a huge skip stops at the last record");
  Check(cb5_top(t) == 0 && cb5_record_number(t) == 1, "top is record 1");
}

std::string FieldText(CB5Field* f) {
  std::string text(static_cast<size_t>(cb5_field_length(f)) + 1, '\0');
  text.resize(static_cast<size_t>(cb5_field_copy(f, &text[0], static_cast<int>(text.size()))));
  return text;
}

// With a writable handle, a second handle checks that a flushed field has
// reached the file.
void Write(CB5Table* t, CB5Context* reader) {
  const int fieldCount = cb5_field_count(t);
  const bool positioned = cb5_top(t) == 0;
  CB5Field* first = cb5_field(t, 1);
  CB5Field* last = cb5_field(t, fieldCount);
  const std::string text = "fuzzed text longer than most fields are wide";
  cb5_field_assign(first, text.c_str());
  std::string fitted = text.substr(0, static_cast<size_t>(cb5_field_length(first)));
  fitted.resize(static_cast<size_t>(cb5_field_length(first)), ' ');
  Check(FieldText(first) == fitted, "an assigned text is cut or padded to the width");
  cb5_field_assign_double(last, -12345.678);
  if (cb5_flush(t) == 0 && reader && positioned) {
    CB5Table* other = cb5_open(reader, tableName.c_str());
    Check(other && cb5_top(other) == 0, "a second handle opens the table");
    Check(FieldText(cb5_field(other, 1)) == FieldText(first) &&
              FieldText(cb5_field(other, fieldCount)) == FieldText(last),
          "flushed fields reach the file");
    cb5_close(other);
  }
  cb5_field_assign_double(first, 1e300);
  cb5_flush(t);
  cb5_lock(t);
  cb5_field_assign(last, "");
  cb5_delete(t);
  cb5_append(t);
  cb5_recall(t);
  cb5_blank(t);
  cb5_unlock(t);
  cb5_bottom(t);
  cb5_field_assign_double(first, 7);
  cb5_skip(t, -1);
  cb5_flush(t);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folder[] = "engine-fuzz-XXXXXX";
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : P_tmpdir) + "/" + folder;
  if (!mkdtemp(&pattern[0])) std::abort();
  folderName = pattern;
  tableName = pattern + "/TABLE.DBF";
  std::atexit([] { rmdir(folderName.c_str()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> input(data, data + size);
  CB5Context readOnly;
  cb5_init(&readOnly);
  readOnly.readOnly = 1;
  readOnly.lockTimeoutMs = 1;
  CB5Context shared;
  cb5_init(&shared);
  shared.lockTimeoutMs = 1;
  shared.noSync = 1;  // the disk adds nothing to what is fuzzed, only time

  if (!WriteFile(data, size)) std::abort();
  if (CB5Table* t = cb5_open(&readOnly, tableName.c_str())) {
    ReadEverything(t);
    Write(t, nullptr);  // every write must fail cleanly
    cb5_close(t);
    Check(ReadFile() == input, "a table opened for reading is never written");
  }

  CB5Table* t = cb5_open(&shared, tableName.c_str());
  if (!t) {
    Check(ReadFile() == input, "a refused file is never written");
  } else {
    ReadEverything(t);
    Write(t, &readOnly);
    ReadEverything(t);
    cb5_close(t);
    // Only the date and the count of the header may change.
    const std::vector<uint8_t> after = ReadFile();
    const size_t headerLength = input[8] | (input[9] << 8);
    Check(after.size() >= headerLength &&
              std::equal(input.begin() + 8, input.begin() + headerLength, after.begin() + 8) &&
              after[0] == input[0],
          "writes leave the header's layout alone");
  }
  unlink(tableName.c_str());
  return 0;
}
