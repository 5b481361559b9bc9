// Decoding and encoding of a dBASE table header, kept apart from any file so
// that the fuzzer and the tests can feed it bytes directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cb5 {

constexpr size_t kFileHeaderSize = 32;
constexpr size_t kDescriptorSize = 32;
constexpr size_t kFoxProBacklinkSize = 263;
constexpr unsigned char kHeaderTerminator = 0x0D;
constexpr unsigned char kEndOfFile = 0x1A;
constexpr size_t kMaxNameLength = 10;

constexpr unsigned char kDbase3 = 0x03;
constexpr unsigned char kDbase3Memo = 0x83;
constexpr unsigned char kDbase4Memo = 0x8B;
constexpr unsigned char kVisualFoxPro = 0x30;
constexpr unsigned char kVisualFoxProAutoinc = 0x31;
constexpr unsigned char kFoxProMemo = 0xF5;

struct FieldLayout {
  char name[kMaxNameLength + 1];
  char type;
  unsigned offset;    // within the record; byte 0 is the deletion flag
  unsigned length;
  unsigned decimals;  // 0 for wide character fields, whose high length byte it was
};

struct TableLayout {
  unsigned char version = 0;
  uint32_t headerRecordCount = 0;  // as the header says, not yet bounded by the file
  unsigned headerLength = 0;
  unsigned recordLength = 0;
  std::vector<FieldLayout> fields;
};

inline unsigned ReadU16(const unsigned char* p) { return p[0] | (p[1] << 8); }
inline uint32_t ReadU32(const unsigned char* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void WriteU16(unsigned char* p, unsigned v) {
  p[0] = v & 0xFF;
  p[1] = (v >> 8) & 0xFF;
}
inline void WriteU32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = (v >> (8 * i)) & 0xFF;
}

bool IsKnownVersion(unsigned char version);

// Header length from the first 32 bytes, or 0 when they cannot start a table.
unsigned PeekHeaderLength(const unsigned char* first32);

// Decodes a whole header (headerLength bytes) and checks every length against
// the others. False for anything that is not a table this engine can read.
bool DecodeHeader(const unsigned char* header, size_t size, TableLayout& layout);

// Records that the file really holds, given its size.
uint32_t BoundedRecordCount(const TableLayout& layout, int64_t fileSize);

}  // namespace cb5
