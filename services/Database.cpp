#include "services/Database.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "services/Platform.h"

CB5Context CDatabase::mContext;
int CDatabase::mContextReady = 0;

namespace {

std::atomic<DatabaseErrorHook> errorHook{nullptr};
thread_local DatabaseErrorDeferral* deferral = nullptr;

}  // namespace

void DatabaseErrorBox(const char* text) {
  if (deferral) return deferral->Keep(text);
  DatabaseErrorHook hook = errorHook.load();
  if (hook)
    hook(text);
  else
    platform::ShowDatabaseError(text);
}

DatabaseErrorHook SetDatabaseErrorHook(DatabaseErrorHook hook) { return errorHook.exchange(hook); }

bool DatabaseErrorHookIsSet() { return errorHook.load() != nullptr; }

DatabaseErrorDeferral::DatabaseErrorDeferral() : mOuter(deferral) { deferral = this; }

DatabaseErrorDeferral::~DatabaseErrorDeferral() { deferral = mOuter; }

void DatabaseErrorDeferral::Keep(const char* text) {
  if (mFirst.empty()) mFirst = text;
}

char* TrimTrailingBlanks(char* text) {
  for (size_t n = std::strlen(text); n > 0 && text[n - 1] == ' '; --n) text[n - 1] = '\0';
  return text;
}

CDatabase::CDatabase()
    : mTable(nullptr), mOrder(nullptr), mFieldCount(0), mFieldCache(nullptr), mWriteThrough(0) {
  // The first table object, built during static initialisation on the main
  // thread, sets up the one engine context of the process.
  if (!mContextReady) {
    cb5_init(&mContext);
    mContext.lockTimeoutMs = 0;
    mContext.readOnly = 0;
    mContext.noDateUpdate = 0;
    for (int& word : mContext.reserved) word = 0;
    mContextReady = 1;
  }
}

CDatabase::~CDatabase() {
  if (mTable || mFieldCache) CDatabase::Close();
}

int CDatabase::Open(const char* fileName) {
  if (mTable) Close();
  mTable = cb5_open(&mContext, fileName);
  if (!mTable) return 0;
  if (!BuildFieldCache()) {
    Close();
    return 0;
  }
  mOrder = cb5_default_order(mTable);
  cb5_select_order(mTable, mOrder);
  mWriteThrough = 1;
  mFileName = fileName;
  return 1;
}

bool CDatabase::BuildFieldCache() {
  if (mFieldCache) return false;
  int count = cb5_field_count(mTable);
  if (count <= 0) return false;
  mFieldCount = static_cast<unsigned>(count);
  mFieldCache = new (std::nothrow) FieldCacheEntry[mFieldCount];
  if (!mFieldCache) return false;
  for (unsigned i = 0; i < mFieldCount; ++i) mFieldCache[i] = FieldCacheEntry{nullptr, 0, nullptr, -1};
  for (unsigned i = 0; i < mFieldCount; ++i) {
    FieldCacheEntry& e = mFieldCache[i];
    e.field = cb5_field(mTable, static_cast<int>(i + 1));
    e.length = cb5_field_length(e.field);
    e.buffer = new (std::nothrow) char[static_cast<size_t>(e.length) + 1];
    if (!e.buffer) return false;
    e.buffer[0] = '\0';
  }
  return true;
}

int CDatabase::Create(const char* fileName, const CB5FieldInfo* fields) {
  if (mTable) Close();
  platform::RemoveFile(fileName);
  CB5Table* created = cb5_create(&mContext, fileName, fields, nullptr);
  if (!created) {
    DatabaseErrorBox("CDatabase::Create");
    return 0;
  }
  mTable = created;
  return Open(fileName);
}

int CDatabase::Close() {
  if (mFieldCache) {
    for (unsigned i = 0; i < mFieldCount; ++i) delete[] mFieldCache[i].buffer;
    delete[] mFieldCache;
    mFieldCache = nullptr;
  }
  if (mTable) {
    cb5_close(mTable);
    mTable = nullptr;
  }
  return 1;
}

int CDatabase::Top() {
  int result = cb5_top(mTable);
  if (result != 0) DatabaseErrorBox("CDatabase::Top");
  return result;
}

int CDatabase::Bottom() {
  int result = cb5_bottom(mTable);
  if (result != 0) DatabaseErrorBox("CDatabase::Bottom");
  return result;
}

int CDatabase::Go(int record) {
  int result = cb5_go(mTable, record);
  if (result != 0) DatabaseErrorBox("CDatabase::Go");
  return result;
}

int CDatabase::Skip(int count) {
  cb5_skip(mTable, count);
  return cb5_record_number(mTable);
}

int CDatabase::RecordNumber() { return cb5_record_number(mTable); }

unsigned CDatabase::RecordCount() { return cb5_record_count(mTable); }

int CDatabase::Lock() { return cb5_lock(mTable); }

int CDatabase::Unlock() { return cb5_unlock(mTable); }

void CDatabase::SetWriteThrough(int flag) { mWriteThrough = flag; }

int CDatabase::Flush() {
  const bool flushed = cb5_flush(mTable) == 0;
  if (!flushed) DatabaseErrorBox("CDatabase::Flush");
  cb5_unlock(mTable);
  return flushed ? 1 : 0;
}

CDatabase::FieldCacheEntry* CDatabase::Entry(const char* name) {
  int position = cb5_field_number(mTable, name);
  if (position < 1 || !mFieldCache || static_cast<unsigned>(position) > mFieldCount) return nullptr;
  return &mFieldCache[position - 1];
}

int CDatabase::HasField(const char* name) { return cb5_field_number(mTable, name) >= 1 ? 1 : 0; }

int CDatabase::FindInt(const char* name, int value) {
  if (cb5_field_number(mTable, name) < 1) return 0;
  for (;;) {
    int current = 0;
    GetInt(name, &current);
    if (current == value) return RecordNumber();
    int before = RecordNumber();
    if (Skip(1) == before) return 0;
  }
}

int CDatabase::FindString(const char* name, const char* text) {
  if (cb5_field_number(mTable, name) < 1) return 0;
  char* scratch = new (std::nothrow) char[static_cast<size_t>(FieldLength(name)) + 1];
  if (!scratch) return 0;
  int found = 0;
  for (;;) {
    GetString(name, scratch);
    if (std::strcmp(scratch, text) == 0) {
      found = RecordNumber();
      break;
    }
    int before = RecordNumber();
    if (Skip(1) == before) break;
  }
  delete[] scratch;
  return found;
}

int CDatabase::GetInt(const char* name, int* out) {
  FieldCacheEntry* e = Entry(name);
  if (!e) return 0;
  *out = cb5_field_int(e->field);
  return 1;
}

const char* CDatabase::ReadTrimmed(FieldCacheEntry* e) {
  cb5_field_copy(e->field, e->buffer, e->length + 1);
  return TrimTrailingBlanks(e->buffer);
}

int CDatabase::GetString(const char* name, char* out) {
  FieldCacheEntry* e = Entry(name);
  if (!e) return 0;
  std::strcpy(out, ReadTrimmed(e));
  return 1;
}

int CDatabase::GetString(const char* name, char* out, size_t size) {
  FieldCacheEntry* e = Entry(name);
  if (!e || size == 0) return 0;
  ReadTrimmed(e);
  size_t n = std::strlen(e->buffer);
  if (n >= size) n = size - 1;
  std::memcpy(out, e->buffer, n);
  out[n] = '\0';
  return 1;
}

// Without write-through the release itself writes the record back, and its
// result is the write's.
bool CDatabase::FinishModify(const char* operation) {
  bool written = true;
  if (mWriteThrough && cb5_flush(mTable) != 0) {
    DatabaseErrorBox(operation);
    written = false;
  }
  if (cb5_unlock(mTable) != 0) written = false;
  return written;
}

int CDatabase::ReplaceInt(const char* name, int value) {
  FieldCacheEntry* e = Entry(name);
  if (!e) return 0;
  cb5_field_assign_double(e->field, static_cast<double>(value));
  return FinishModify("CDatabase::Replace") ? 1 : 0;
}

int CDatabase::ReplaceString(const char* name, const char* text) {
  FieldCacheEntry* e = Entry(name);
  if (!e) return 0;
  cb5_field_assign(e->field, text);
  return FinishModify("CDatabase::Replace") ? 1 : 0;
}

int CDatabase::Append() {
  int result = cb5_append(mTable);
  cb5_unlock(mTable);
  return result == 0 ? 1 : 0;
}

void CDatabase::Blank() {
  cb5_blank(mTable);
  FinishModify("CDatabase::Blank");
}

void CDatabase::Delete() {
  cb5_delete(mTable);
  FinishModify("CDatabase::Delete");
}

void CDatabase::Recall() {
  cb5_recall(mTable);
  FinishModify("CDatabase::Recall");
}

void CDatabase::Pack() {
  cb5_pack(mTable);
  cb5_unlock(mTable);
}

void CDatabase::CopyRecord(int source, int target) {
  Go(source);
  for (unsigned i = 0; i < mFieldCount; ++i)
    cb5_field_copy(mFieldCache[i].field, mFieldCache[i].buffer, mFieldCache[i].length + 1);
  Go(target);
  for (unsigned i = 0; i < mFieldCount; ++i) cb5_field_assign(mFieldCache[i].field, mFieldCache[i].buffer);
  FinishModify("CDatabase::CopyRecord");
}

const char* CDatabase::FieldName(int position) { return cb5_field_name(cb5_field(mTable, position)); }

int CDatabase::FieldNumber(const char* name) { return cb5_field_number(mTable, name); }

int CDatabase::FieldLength(const char* name) {
  FieldCacheEntry* e = Entry(name);
  return e ? e->length : 0;
}

int CDatabase::FieldDecimals(const char* name) {
  FieldCacheEntry* e = Entry(name);
  if (!e) return 0;
  if (e->decimals < 0) ReadDecimals();
  return e->decimals;
}

// dBASE's field descriptors: 32 bytes each after the 32-byte file header,
// the type at 11 and the decimals at 17. Only numbers have decimals (wide
// text fields keep their width's high byte there).
void CDatabase::ReadDecimals() {
  constexpr long kFileHeader = 32, kDescriptor = 32, kNameSize = 11;
  std::vector<unsigned char> header(static_cast<size_t>(kFileHeader + kDescriptor * mFieldCount));
  const long size = static_cast<long>(header.size());
  const bool read = platform::ReadFileStart(mFileName.c_str(), header.data(), size) == size;
  for (unsigned i = 0; i < mFieldCount; ++i) {
    FieldCacheEntry& e = mFieldCache[i];
    const unsigned char* d = header.data() + kFileHeader + kDescriptor * i;
    // The descriptor must be the engine's field of that position.
    const char* name = cb5_field_name(e.field);
    const bool same = read && name && std::strncmp(reinterpret_cast<const char*>(d), name, kNameSize) == 0;
    if (!same)
      e.decimals = e.length;
    else
      e.decimals = d[11] == 'N' || d[11] == 'F' ? d[17] : 0;
  }
}
