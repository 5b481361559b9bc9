// What the tool writes to a terminal: the views of the tables as the monitor
// lists them, with every table text made harmless first.
#pragma once

#include <iosfwd>
#include <string>

struct QueueView;
struct LineView;

// The text with its control bytes written as \xHH: C0 and DEL, and 0x80-0x9F,
// the C1 controls of an 8-bit terminal and the second byte of a UTF-8 one's.
// A job's name can then neither move the cursor nor clear the screen.
std::string Printable(const std::string& text);

// The status line and the items of each view; a line that is no record of
// the line file says so, and a cut range says where it was cut.
void WriteQueueText(const QueueView& view, std::ostream& out);
void WriteLinesText(const LineView& view, int firstLine, int lastLine, std::ostream& out);
