// The JSON documents of show --json and check --json: the same facts as
// their text, one document on one line.
#pragma once

#include <iosfwd>
#include <string>

struct QueueView;
struct LineView;
struct CheckReport;

// A JSON string. Table texts are bytes of the installation's code page;
// bytes above 127 are given as the Latin-1 characters of the same number.
std::string JsonString(const std::string& text);

void WriteViewJson(const QueueView& queue, const LineView& lines, int firstLine, int lastLine, std::ostream& out);
void WriteCheckJson(const CheckReport& report, std::ostream& out);
