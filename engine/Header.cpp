#include "engine/Header.h"

#include <cstring>

namespace cb5 {

bool IsKnownVersion(unsigned char version) {
  switch (version) {
    case kDbase3:
    case kDbase3Memo:
    case kDbase4Memo:
    case kVisualFoxPro:
    case kVisualFoxProAutoinc:
    case kFoxProMemo:
      return true;
    default:
      return false;
  }
}

unsigned PeekHeaderLength(const unsigned char* first32) {
  if (!IsKnownVersion(first32[0])) return 0;
  unsigned length = ReadU16(first32 + 8);
  // The smallest table: file header, one descriptor, terminator.
  return length >= kFileHeaderSize + kDescriptorSize + 1 ? length : 0;
}

namespace {

bool HasBacklink(unsigned char version) {
  return version == kVisualFoxPro || version == kVisualFoxProAutoinc;
}

// Fields laid end to end after the deletion flag, the widths taken either as
// stored or, for character fields, with the decimal byte as the high byte.
unsigned LayOut(std::vector<FieldLayout>& fields, const unsigned char* header, bool wideText) {
  unsigned offset = 1;
  for (size_t i = 0; i < fields.size(); ++i) {
    const unsigned char* d = header + kFileHeaderSize + i * kDescriptorSize;
    FieldLayout& f = fields[i];
    f.length = d[16];
    f.decimals = d[17];
    if (wideText && f.type == 'C') {
      f.length |= f.decimals << 8;
      f.decimals = 0;
    }
    f.offset = offset;
    offset += f.length;
  }
  return offset;
}

}  // namespace

bool DecodeHeader(const unsigned char* header, size_t size, TableLayout& layout) {
  if (size < kFileHeaderSize) return false;
  layout = TableLayout();
  layout.version = header[0];
  layout.headerRecordCount = ReadU32(header + 4);
  layout.headerLength = ReadU16(header + 8);
  layout.recordLength = ReadU16(header + 10);
  if (PeekHeaderLength(header) == 0 || layout.headerLength != size) return false;

  size_t count = 0;
  size_t at = kFileHeaderSize;
  while (at < size && header[at] != kHeaderTerminator) {
    if (at + kDescriptorSize > size) return false;  // descriptor cut off, no terminator
    at += kDescriptorSize;
    ++count;
  }
  if (at >= size || count == 0) return false;
  if (HasBacklink(layout.version) && at + 1 + kFoxProBacklinkSize > size) return false;

  layout.fields.resize(count);
  bool anyText = false;
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* d = header + kFileHeaderSize + i * kDescriptorSize;
    FieldLayout& f = layout.fields[i];
    std::memset(f.name, 0, sizeof f.name);
    for (size_t k = 0; k < kMaxNameLength + 1 && d[k] != 0; ++k)
      if (k < kMaxNameLength) f.name[k] = static_cast<char>(d[k]);
    for (size_t k = std::strlen(f.name); k > 0 && f.name[k - 1] == ' '; --k) f.name[k - 1] = 0;
    f.type = static_cast<char>(d[11]);
    if (f.name[0] == 0 || (d[16] == 0 && (f.type != 'C' || d[17] == 0))) return false;
    anyText = anyText || f.type == 'C';
  }

  if (LayOut(layout.fields, header, false) == layout.recordLength) {
    for (const FieldLayout& f : layout.fields)
      if (f.length == 0) return false;
    return true;
  }
  // Writers of character fields wider than 255 put the high byte in the decimals.
  if (anyText && LayOut(layout.fields, header, true) == layout.recordLength) {
    for (const FieldLayout& f : layout.fields)
      if (f.length == 0) return false;
    return true;
  }
  return false;
}

uint32_t BoundedRecordCount(const TableLayout& layout, int64_t fileSize) {
  if (fileSize <= static_cast<int64_t>(layout.headerLength) || layout.recordLength == 0) return 0;
  int64_t held = (fileSize - layout.headerLength) / layout.recordLength;
  return held < static_cast<int64_t>(layout.headerRecordCount) ? static_cast<uint32_t>(held)
                                                                : layout.headerRecordCount;
}

}  // namespace cb5
