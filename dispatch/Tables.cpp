#include "dispatch/Tables.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "services/Database.h"

namespace tables {

bool HasLayout(CDatabase& table) {
  return table.FieldCount() >= static_cast<unsigned>(kMinimumFieldCount);
}

std::string ReadText(CDatabase& table, int position) {
  const char* name = table.FieldName(position);
  int length = table.FieldLength(name);
  if (length <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  if (!table.GetString(name, buffer.data(), buffer.size())) return std::string();
  return std::string(buffer.data());
}

int ReadNumber(CDatabase& table, int position) {
  int value = 0;
  table.GetInt(table.FieldName(position), &value);
  return value;
}

bool WriteText(CDatabase& table, int position, const std::string& text) {
  return table.ReplaceString(table.FieldName(position), text.c_str()) == 1;
}

bool WriteNumber(CDatabase& table, int position, int value) {
  return table.ReplaceInt(table.FieldName(position), value) == 1;
}

Job ReadJob(CDatabase& queue) {
  Job job;
  job.text = ReadText(queue, kJobField);
  job.requestedLine = ReadNumber(queue, kRequestedLineField);
  for (int i = 0; i < kParameterCount; ++i) {
    job.numbers[i] = ReadNumber(queue, kFirstNumberField + i);
    job.texts[i] = ReadText(queue, kFirstTextField + i);
  }
  return job;
}

void WriteJobToLine(CDatabase& lines, const Job& job) {
  for (int i = 0; i < kParameterCount; ++i) WriteText(lines, kFirstTextField + i, job.texts[i]);
  for (int i = 0; i < kParameterCount; ++i) WriteNumber(lines, kFirstNumberField + i, job.numbers[i]);
  WriteText(lines, kJobField, job.text);
}

const std::vector<CB5FieldInfo>& StandardLayout() {
  static const std::vector<CB5FieldInfo> layout = [] {
    static const char* const spares[] = {
        "SPARE01", "SPARE02", "SPARE03", "SPARE04", "SPARE05", "SPARE06", "SPARE07", "SPARE08",
        "SPARE09", "SPARE10", "SPARE11", "SPARE12", "SPARE13", "SPARE14", "SPARE15", "REQLINE",
        "SPARE17", "SPARE18", "SPARE19", "SPARE20", "SPARE21", "SPARE22", "SPARE23", "SPARE24",
        "JOB",     "SPARE26", "SPARE27", "SPARE28", "SPARE29", "NUM1_WPOS", "NUM2_RPOS", "NUM3",
        "NUM4",    "TEXT1",   "TEXT2",   "TEXT3",   "TEXT4"};
    std::vector<CB5FieldInfo> fields;
    for (int p = 1; p <= kMinimumFieldCount; ++p) {
      CB5FieldInfo f{spares[p - 1], 'C', 1, 0};
      if (p == kRequestedLineField || (p >= kFirstNumberField && p < kFirstTextField)) f = {f.name, 'N', 11, 0};
      if (p == kJobField) f.length = kJobWidth;
      if (p >= kFirstTextField) f.length = kTextWidth;
      fields.push_back(f);
    }
    fields.push_back({nullptr, 0, 0, 0});
    return fields;
  }();
  return layout;
}

namespace {

// Appends the records and lets fill set up record 1; then swaps the table in.
template <typename Fill>
bool CreateTable(const char* fileName, int records, Fill fill) {
  if (records < 1) return false;
  const std::string temporary = std::string(fileName) + ".NEW";
  bool ok;
  {
    CDatabase table;
    ok = table.Create(temporary.c_str(), StandardLayout().data()) == 1;
    for (int i = 0; ok && i < records; ++i) ok = table.Append() == 1;
    ok = ok && table.RecordCount() == static_cast<unsigned>(records) && table.Go(kHeaderRecord) == 0 &&
         fill(table);
    table.Close();
  }
  std::error_code error;
  if (ok) std::filesystem::rename(temporary, fileName, error);
  if (!ok || error) std::filesystem::remove(temporary, error);
  return ok && !error;
}

}  // namespace

bool CreateQueueTable(const char* fileName, int records) {
  if (records < kFirstEntry + 1) return false;
  return CreateTable(fileName, records, [](CDatabase& queue) {
    return WriteNumber(queue, kWritePositionField, kFirstEntry) &&
           WriteNumber(queue, kReadPositionField, kFirstEntry);
  });
}

bool CreateLineTable(const char* fileName, int lines) {
  return CreateTable(fileName, lines, [](CDatabase&) { return true; });
}

std::string QueueItemText(int record, int requestedLine, const std::string& text, int recordCount) {
  std::vector<char> item(text.size() + 48);
  std::snprintf(item.data(), item.size(), recordCount >= 100 ? "[%03d|%d: %s]" : "[%02d|%d: %s]", record,
                requestedLine, text.c_str());
  return item.data();
}

std::string LineItemText(int line, const std::string& text) {
  std::vector<char> item(text.size() + 24);
  std::snprintf(item.data(), item.size(), "%d: %s", line, text.c_str());
  return item.data();
}

}  // namespace tables
