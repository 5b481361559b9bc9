#include "services/CommandLine.h"

#include <cstdlib>
#include <cstring>

char* CommandLineTail(char* raw) {
  if (!raw) return raw;
  char* p = raw;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (static_cast<unsigned char>(*p) > ' ') ++p;
  }
  while (*p && static_cast<unsigned char>(*p) <= ' ') ++p;
  return p;
}

char** SplitCommandLine(char* tail, int* count) {
  size_t slots = 2;
  char** vector = static_cast<char**>(std::calloc(slots, sizeof(char*)));
  if (!vector) {
    *count = 1;
    return nullptr;
  }
  size_t words = 0;
  char* p = tail;
  while (p && *p) {
    while (*p == ' ') ++p;
    if (!*p) break;
    char* word = p;
    while (*p && *p != ' ') ++p;
    if (*p) *p++ = '\0';
    // One more slot per word, as the vector grows; the last stays null.
    char** grown = static_cast<char**>(std::realloc(vector, (slots + 1) * sizeof(char*)));
    if (!grown) break;
    vector = grown;
    ++slots;
    vector[++words] = word;
    vector[words + 1] = nullptr;
  }
  *count = static_cast<int>(words + 1);
  return vector;
}

int CCommandLine::HasOption(const char* option) const {
  if (!option) return 0;
  for (int i = 1; i < mCount; ++i)
    if (mArguments && mArguments[i] && std::strcmp(mArguments[i], option) == 0) return 1;
  return 0;
}
