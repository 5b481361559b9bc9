#include <unistd.h>

#include <cstdio>

#include "services/Platform.h"

namespace platform {

// No window natively: the text goes where an operator sees it.
void ShowDatabaseError(const char* text) { std::fprintf(stderr, "Error: %s\n", text); }

void RemoveFile(const char* name) { unlink(name); }

}  // namespace platform
