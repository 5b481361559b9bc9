// The command line as start-up sees it: the tail split into words, and the
// question whether an option was given.
#pragma once

// Skips the program name and the blanks after it in a raw command line
// (as GetCommandLineA gives it) and returns the tail.
char* CommandLineTail(char* raw);

// Splits a tail in place at spaces (code 32 only; tabs and quotes are
// ordinary). Slot 0 holds no word, slots 1..n the words, slot n+1 null; the
// count is n + 1. The vector lives until the process ends.
char** SplitCommandLine(char* tail, int* count);

class CCommandLine {
 public:
  CCommandLine(int count, char** arguments) : mCount(count), mArguments(arguments) {}
  // 1 when a word in slots 1..count-1 equals the option byte for byte.
  int HasOption(const char* option) const;

 private:
  int mCount;
  char** mArguments;
};
