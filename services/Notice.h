// Messages of the program's own language for what the operator must know
// that is no engine failure: a lock another program holds, the journal, a
// job that waits for ever. The engine's failures keep their boxes with the
// operation's name (DatabaseErrorBox).
#pragma once

#include <string>
#include <vector>

#include "services/StringIds.h"

// The language's text of id, or the English one where the language has none
// (an older module, or a native build).
std::string NoticeText(int id);

// A text with %1 to %9 replaced by the arguments and %% by %; any other use
// of % is left as it stands. No printf: a module's text cannot misread one.
std::string FillText(const std::string& format, const std::vector<std::string>& args);

// The box, captioned "Warning" in the language. With wait the calling
// thread waits until it is closed; otherwise it stays open beside the
// caller, who goes on at once. A database error hook, when set, sees the
// English text instead.
void NoticeBox(int id, const std::vector<std::string>& args, bool wait);
