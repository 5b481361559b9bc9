#include "dispatch/Tables.h"

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

}  // namespace tables
