// Private profile files for platforms without them, read and written the way
// Win32 does: "[section]" lines, "key=value" lines, case-insensitive names.
#pragma once

namespace profile {

// The value as Win32 gives it: blanks around it and one pair of enclosing
// quotes removed; cut to size - 1 characters. The number of characters placed.
int GetString(const char* section, const char* key, const char* fallback, char* out, int size,
              const char* file);
// The leading decimal number of the value; fallback when the value is empty
// or the key missing.
unsigned GetInt(const char* section, const char* key, int fallback, const char* file);
// Creates file, section or key as needed. The file is replaced as a whole, so
// a reader never sees half of it.
bool WriteString(const char* section, const char* key, const char* value, const char* file);

}  // namespace profile
