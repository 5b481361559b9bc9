#include "tools/JsonOutput.h"

#include <cstdio>
#include <ostream>

#include "dispatch/QueueView.h"
#include "tools/TableCheck.h"

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void WriteViewJson(const QueueView& q, const LineView& l, int firstLine, int lastLine, std::ostream& out) {
  out << "{\"queue\":{\"records\":" << q.recordCount << ",\"read\":" << q.read << ",\"write\":" << q.write
      << ",\"pending\":" << q.pending << ",\"waiting\":" << q.waiting << ",\"entries\":[";
  for (size_t i = 0; i < q.entries.size(); ++i)
    out << (i ? "," : "") << "{\"entry\":" << q.entries[i].record << ",\"line\":" << q.entries[i].requestedLine
        << ",\"job\":" << JsonString(q.entries[i].job) << "}";
  out << "]},\"lines\":{\"first\":" << firstLine << ",\"last\":" << lastLine << ",\"free\":" << l.freeLines
      << ",\"cut\":" << (l.cut ? "true" : "false") << ",\"lines\":[";
  for (size_t i = 0; i < l.lines.size(); ++i)
    out << (i ? "," : "") << "{\"line\":" << l.lines[i].number
        << ",\"job\":" << (l.lines[i].exists ? JsonString(l.lines[i].job) : "null") << "}";
  out << "]}}\n";
}

void WriteCheckJson(const CheckReport& r, std::ostream& out) {
  out << "{\"ok\":" << (r.problems.empty() ? "true" : "false") << ",\"queue\":";
  if (r.queueRead)
    out << "{\"records\":" << r.records << ",\"read\":" << r.read << ",\"write\":" << r.write
        << ",\"pending\":" << r.pending << "}";
  else
    out << "null";
  out << ",\"lines\":";
  if (r.linesRead)
    out << "{\"count\":" << r.lineCount << "}";
  else
    out << "null";
  out << ",\"problems\":[";
  for (size_t i = 0; i < r.problems.size(); ++i) out << (i ? "," : "") << JsonString(r.problems[i]);
  out << "]}\n";
}
