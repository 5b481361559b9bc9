#include "tools/TextOutput.h"

#include <cstdio>
#include <ostream>

#include "dispatch/QueueView.h"
#include "dispatch/Tables.h"

std::string Printable(const std::string& text) {
  std::string shown;
  shown.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x20 || (c >= 0x7f && c <= 0x9f)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      shown += escaped;
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

void WriteQueueText(const QueueView& view, std::ostream& out) {
  out << "Queue (" << view.pending << " of " << view.recordCount << ") Total: " << view.waiting << "\n";
  for (const std::string& item : view.items) out << Printable(item) << "\n";
}

void WriteLinesText(const LineView& view, int firstLine, int lastLine, std::ostream& out) {
  out << "First level (" << view.freeLines << " free)\n";
  for (size_t i = 0; i < view.lines.size(); ++i)
    out << (view.lines[i].exists ? Printable(view.items[i])
                                 : tables::LineItemText(view.lines[i].number, "(no such line)"))
        << "\n";
  if (view.cut)
    out << "(the first " << view.lines.size() << " lines of " << firstLine << ".." << lastLine << " are listed)\n";
}
