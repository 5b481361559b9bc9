// "KblVListBox": one page of lines onto a record sequence that its owner
// keeps. The control asks the owner (its parent) to move the owner's cursor
// and hand over the text of the record reached, one line at a time, and
// leaves that cursor on the selected line's record after every action.
#pragma once

#include <windows.h>

#include "framework/Export.h"

// Requests to the owner: WM_COMMAND with the control's id, the code in the
// high word and the control in lParam; nonzero when a line was handed over.
const WORD kVListAskInit = 0;
const WORD kVListAskFirst = 1;
const WORD kVListAskNext = 2;
const WORD kVListAskPrev = 3;
const WORD kVListAskLast = 4;
const WORD kVListAskSelect = 5;

// Children: the list and the six scroll buttons.
const int kVListListId = 1;
const int kVListFirstId = 2;
const int kVListPageDownId = 3;
const int kVListNextId = 4;
const int kVListPrevId = 5;
const int kVListPageUpId = 6;
const int kVListLastId = 7;
// Size of a scroll button, pixels.
const int kVListButtonSize = 20;

KBL_EXPORT void RegisterVListBoxClass(HINSTANCE instance);
KBL_EXPORT LRESULT CALLBACK VListBoxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Put in front of the list: hands the scrolling keys to the control.
KBL_EXPORT LRESULT CALLBACK VListKeyFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
