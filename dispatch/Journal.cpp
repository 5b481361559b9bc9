#include "dispatch/Journal.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "services/Platform.h"

namespace {

constexpr size_t kCopySize = 4096;
constexpr char kMagic[4] = {'Z', 'Q', 'J', '1'};
constexpr size_t kFixedSize = 4 + 4 * 9;  // magic, sequence, kind, entry, line, request, four numbers

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t GetU32(const unsigned char* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint32_t Crc32(const unsigned char* p, size_t n) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) crc = (crc >> 8) ^ table[(crc ^ p[i]) & 0xFFu];
  return ~crc;
}

// The job's text, then its four parameter texts.
const std::string& TextAt(const tables::Job& job, int i) { return i == 0 ? job.text : job.texts[i - 1]; }
std::string& TextAt(tables::Job& job, int i) { return i == 0 ? job.text : job.texts[i - 1]; }

size_t EncodedSize(const tables::Job& job) {
  size_t size = kFixedSize + 4;
  for (int i = 0; i <= tables::kParameterCount; ++i) size += 2 + TextAt(job, i).size();
  return size;
}

std::string Encode(const JournalNote& note, uint32_t sequence) {
  std::string out(kMagic, sizeof kMagic);
  PutU32(out, sequence);
  PutU32(out, static_cast<uint32_t>(note.kind));
  PutU32(out, static_cast<uint32_t>(note.entry));
  PutU32(out, static_cast<uint32_t>(note.line));
  PutU32(out, static_cast<uint32_t>(note.job.requestedLine));
  for (int n : note.job.numbers) PutU32(out, static_cast<uint32_t>(n));
  for (int i = 0; i <= tables::kParameterCount; ++i) {
    const std::string& text = TextAt(note.job, i);
    out += static_cast<char>(text.size() & 0xFF);
    out += static_cast<char>(text.size() >> 8);
    out += text;
  }
  PutU32(out, Crc32(reinterpret_cast<const unsigned char*>(out.data()), out.size()));
  return out;
}

// Every length is checked against what is there before it is used.
bool Decode(const unsigned char* p, size_t size, JournalNote* note, uint32_t* sequence) {
  if (size < kFixedSize + 4 || std::memcmp(p, kMagic, sizeof kMagic) != 0) return false;
  JournalNote seen;
  const uint32_t kind = GetU32(p + 8);
  if (kind > JournalNote::kCancelling) return false;
  seen.kind = static_cast<JournalNote::Kind>(kind);
  seen.entry = static_cast<int>(GetU32(p + 12));
  seen.line = static_cast<int>(GetU32(p + 16));
  seen.job.requestedLine = static_cast<int>(GetU32(p + 20));
  for (int i = 0; i < tables::kParameterCount; ++i) seen.job.numbers[i] = static_cast<int>(GetU32(p + 24 + 4 * i));
  size_t at = kFixedSize;
  for (int i = 0; i <= tables::kParameterCount; ++i) {
    if (at + 2 > size) return false;
    const size_t length = p[at] | (p[at + 1] << 8);
    at += 2;
    if (at + length > size) return false;
    TextAt(seen.job, i).assign(reinterpret_cast<const char*>(p + at), length);
    at += length;
  }
  if (at + 4 > size || GetU32(p + at) != Crc32(p, at)) return false;
  *sequence = GetU32(p + 4);
  *note = seen;
  return true;
}

// Each note goes over the older of the two copies.
int64_t CopyAt(uint32_t sequence) { return static_cast<int64_t>(sequence % 2 * kCopySize); }

bool Exists(const char* name) {
  platform::FileStatus status;
  return platform::StatFile(name, &status) == 0;
}

}  // namespace

bool CJournal::CanHold(const tables::Job& job) { return EncodedSize(job) <= kCopySize; }

bool CJournal::Open() {
  if (mFile.IsOpen()) return true;
  return mFile.Open(mFileName.c_str(), false);
}

bool CJournal::Read(JournalNote* note, std::string* why) {
  *note = JournalNote();
  mSequence = 0;
  if (!Open()) {
    if (!Exists(mFileName.c_str())) return true;
    *why = "cannot open " + mFileName;
    return false;
  }
  std::vector<unsigned char> bytes(2 * kCopySize);
  bytes.resize(mFile.ReadAt(0, bytes.data(), bytes.size()));
  if (bytes.empty()) return true;
  bool found = false;
  for (size_t copy = 0; copy < 2; ++copy) {
    if (copy * kCopySize >= bytes.size()) break;
    const size_t size = std::min(kCopySize, bytes.size() - copy * kCopySize);
    JournalNote seen;
    uint32_t sequence = 0;
    if (!Decode(bytes.data() + copy * kCopySize, size, &seen, &sequence)) continue;
    // Compared across the wrap of the counter.
    if (found && static_cast<int32_t>(sequence - mSequence) <= 0) continue;
    *note = seen;
    mSequence = sequence;
    found = true;
  }
  if (!found) *why = mFileName + " is damaged: neither copy of its note can be read";
  return found;
}

bool CJournal::Write(const JournalNote& note, bool sync) {
  if (!Open()) return !Exists(mFileName.c_str()) && Make(note);
  return Prepare(note) && WritePrepared() && (!sync || Sync());
}

// Made whole, with its first note, under another name and only then put in
// place: the journal never exists half written.
bool CJournal::Make(const JournalNote& note) {
  if (!CanHold(note.job)) return false;
  const uint32_t sequence = mSequence + 1;
  const std::string bytes = Encode(note, sequence);
  const std::string fresh = mFileName + ".NEW";
  cb5::RemoveFile(fresh.c_str());
  cb5::TableFile file;
  const bool made = file.Create(fresh.c_str()) && file.WriteAt(CopyAt(sequence), bytes.data(), bytes.size()) &&
                    file.Sync();
  file.Close();
  if (!made || !cb5::RenameDurably(fresh.c_str(), mFileName.c_str()) || !Open()) {
    cb5::RemoveFile(fresh.c_str());
    return false;
  }
  mSequence = sequence;
  return true;
}

bool CJournal::Prepare(const JournalNote& note) {
  mPrepared.clear();
  if (!CanHold(note.job) || !Open()) return false;
  mPrepared = Encode(note, mSequence + 1);
  return true;
}

bool CJournal::WritePrepared() {
  const uint32_t sequence = mSequence + 1;
  if (mPrepared.empty() || GetU32(reinterpret_cast<const unsigned char*>(mPrepared.data()) + 4) != sequence ||
      !mFile.WriteAt(CopyAt(sequence), mPrepared.data(), mPrepared.size()))
    return false;
  mSequence = sequence;
  mPrepared.clear();
  return true;
}

bool IsLeftOf(const std::string& text, const std::string& job) {
  if (text.size() != job.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] != ' ' && text[i] != job[i]) return false;
  return true;
}
