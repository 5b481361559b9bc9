// The dBASE table engine's entries. On Windows they live in CB5.dll and are
// imported by ordinal only (the number after each entry); natively the same
// functions come from a static library.
#pragma once

#include <cstddef>

extern "C" {

struct CB5Table;
struct CB5Field;
struct CB5Order;

// One per process, owned by the caller. The eight option words are zero by
// default and every zero means the sound default.
struct CB5Context {
  unsigned magic;          // set by cb5_init; tables are refused before it
  int lockTimeoutMs;       // 0: wait up to kDefaultLockTimeoutMs for the table lock
  int readOnly;            // nonzero: open tables for reading only
  int noDateUpdate;        // nonzero: writes leave the header's last-update date alone
  int noSync;              // nonzero: a flush hands the bytes to the system but waits for no disk
  int reserved[4];
};

// What cb5_create takes: an array ending with an entry whose name is null.
struct CB5FieldInfo {
  const char* name;  // 1 to 10 characters
  char type;         // 'C', 'N', 'F', 'D' or 'L'
  int length;
  int decimals;
};

void       cb5_init(CB5Context* context);                                     // 40
CB5Table*  cb5_open(CB5Context* context, const char* fileName);               // 54
CB5Table*  cb5_create(CB5Context* context, const char* fileName,
                      const CB5FieldInfo* fields, const void* index);         // 23
void       cb5_close(CB5Table* table);                                        // 21
int        cb5_field_count(CB5Table* table);                                  // 53
CB5Field*  cb5_field(CB5Table* table, int position);                          // 30
int        cb5_field_number(CB5Table* table, const char* name);               // 31
int        cb5_field_length(CB5Field* field);                                 // 139
int        cb5_field_decimals(CB5Field* field);                               // 140
const char* cb5_field_name(CB5Field* field);                                  // 157
CB5Order*  cb5_default_order(CB5Table* table);                                // 78
void       cb5_select_order(CB5Table* table, CB5Order* order);                // 81
int        cb5_top(CB5Table* table);                                          // 83
int        cb5_bottom(CB5Table* table);                                       // 18
int        cb5_go(CB5Table* table, int record);                               // 37
void       cb5_skip(CB5Table* table, int count);                              // 76
int        cb5_record_number(CB5Table* table);                                // 67
unsigned   cb5_record_count(CB5Table* table);                                 // 66
int        cb5_field_copy(CB5Field* field, char* buffer, int size);           // 158
int        cb5_field_int(CB5Field* field);                                    // 138
void       cb5_field_assign(CB5Field* field, const char* text);               // 125
void       cb5_field_assign_double(CB5Field* field, double value);            // 127
void       cb5_blank(CB5Table* table);                                        // 16
void       cb5_delete(CB5Table* table);                                       // 25
void       cb5_recall(CB5Table* table);                                       // 65
int        cb5_append(CB5Table* table);                                       // 13
int        cb5_pack(CB5Table* table);                                         // 59
int        cb5_flush(CB5Table* table);                                        // 32: to stable storage
int        cb5_lock(CB5Table* table);                                         // 43
int        cb5_unlock(CB5Table* table);                                       // 84

}

// Byte-range locks follow the Clipper convention, far above any real data, so
// that they never block another process's reads or writes of the table itself.
constexpr long long kCb5LockRegion = 1000000000LL;
constexpr long long kCb5LockLength = 1000000000LL;
constexpr int kDefaultLockTimeoutMs = 10000;
