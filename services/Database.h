// One dBASE table at a time over the engine: open by file name, position by
// record number, read and write fields of the current record by field name.
#pragma once

#include <cstddef>
#include <string>

#include "engine/cb5.h"

// Removes trailing spaces in place and returns the same text.
char* TrimTrailingBlanks(char* text);

// Where the database error box's texts go. Tests install a hook to see them
// without a window; null restores the message box.
using DatabaseErrorHook = void (*)(const char* text);
DatabaseErrorHook SetDatabaseErrorHook(DatabaseErrorHook hook);
bool DatabaseErrorHookIsSet();

// The database error box (or the hook), unless a deferral of this thread
// keeps the text.
void DatabaseErrorBox(const char* text);

// While one lives, the error box texts of its thread are kept instead of
// shown: a worker reports them after its write sequence, since a modal box
// in the middle of one would hold a table update half done.
class DatabaseErrorDeferral {
 public:
  DatabaseErrorDeferral();
  ~DatabaseErrorDeferral();
  DatabaseErrorDeferral(const DatabaseErrorDeferral&) = delete;
  DatabaseErrorDeferral& operator=(const DatabaseErrorDeferral&) = delete;
  // The first text kept; empty when there was none.
  const std::string& First() const { return mFirst; }
  void Keep(const char* text);

 private:
  DatabaseErrorDeferral* mOuter;
  std::string mFirst;
};

class CDatabase {
 public:
  CDatabase();
  // Closes a table still open, so that no engine handle or buffer outlives it.
  ~CDatabase();
  CDatabase(const CDatabase&) = delete;
  CDatabase& operator=(const CDatabase&) = delete;

  virtual int Open(const char* fileName);
  virtual int Create(const char* fileName, const CB5FieldInfo* fields);
  virtual int Close();
  virtual int Top();
  virtual int Bottom();
  virtual int Go(int record);
  virtual int Skip(int count);
  virtual int RecordNumber();
  virtual unsigned RecordCount();
  virtual int Lock();
  virtual int Unlock();
  virtual void SetWriteThrough(int flag);
  // 1 when the table reached the disk.
  virtual int Flush();
  virtual int HasField(const char* name);
  virtual int FindInt(const char* name, int value);
  virtual int FindString(const char* name, const char* text);
  virtual int GetInt(const char* name, int* out);
  virtual int GetString(const char* name, char* out);
  // 1 when written; 0 for an unknown field or a write that failed.
  virtual int ReplaceInt(const char* name, int value);
  virtual int ReplaceString(const char* name, const char* text);
  virtual int Append();
  virtual void Blank();
  virtual void Delete();
  virtual void Recall();
  virtual void Pack();
  virtual void CopyRecord(int source, int target);

  // The one engine context of the process; tests use it to set engine options.
  static CB5Context& EngineContext() { return mContext; }

  const char* FieldName(int position);
  // The position of the first field of that name; below 1 when there is none.
  int FieldNumber(const char* name);
  int FieldLength(const char* name);
  // Decimal places of a numeric field; 0 for others and unknown names. Read
  // from the table file's field descriptors, which are dBASE's own, since
  // the engine has no entry for them. A header that cannot be read gives
  // the field's width: no number is taken to fit it.
  int FieldDecimals(const char* name);
  // GetString into a buffer of the caller's size: the text is cut to fit.
  int GetString(const char* name, char* out, size_t size);

  bool IsOpen() const { return mTable != nullptr; }
  unsigned FieldCount() const { return mTable ? mFieldCount : 0; }

 private:
  struct FieldCacheEntry {
    CB5Field* field;
    int length;
    char* buffer;  // length + 1 bytes
    int decimals;  // -1 until the header is read
  };

  bool BuildFieldCache();
  void ReadDecimals();
  FieldCacheEntry* Entry(const char* name);
  // The field's text in the current record, trailing blanks removed, in its cache buffer.
  const char* ReadTrimmed(FieldCacheEntry* entry);
  // Flush (when writing through) and release; false when the bytes did not get out.
  bool FinishModify(const char* operation);

  CB5Table* mTable;
  CB5Order* mOrder;
  unsigned mFieldCount;
  FieldCacheEntry* mFieldCache;
  int mWriteThrough;
  std::string mFileName;  // of the open table, for its field descriptors

  static CB5Context mContext;
  static int mContextReady;
};
