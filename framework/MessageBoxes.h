// Modal message boxes owned by the calling thread's active window, and the
// hourglass bracket around lengthy work.
#pragma once

#include "framework/Export.h"

// 1 for Yes, 0 for No or a failed box. A non-zero flag makes No the default.
KBL_EXPORT int ConfirmBox(const char* text, const char* caption, int flag);
KBL_EXPORT void WarningBox(const char* text, const char* caption);
// Caption first, unlike the others.
KBL_EXPORT int InfoBox(const char* caption, const char* text);
KBL_EXPORT int WarnBox(const char* text);
// IDYES or IDNO as MessageBoxA reports it.
KBL_EXPORT int AttentionBox(const char* text);
KBL_EXPORT int ErrorBox(const char* text);

KBL_EXPORT void WaitCursor();
KBL_EXPORT void ArrowCursor();
