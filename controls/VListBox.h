// "KblVListBox": one page of lines onto a record sequence that its owner
// keeps. The control asks the owner (its parent) to move the owner's cursor
// and hand over the text of the record reached, one line at a time, and
// leaves that cursor on the selected line's record after every action.
// CVListBox is the library object behind it: it answers those requests
// through five operations, each telling whether the owner moved its cursor
// and handed a line over with SetText.
#pragma once

#include <windows.h>

#include "framework/Window.h"
#include "framework/WindowClasses.h"

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

extern const TWindowClass kVListBoxClass;
KBL_EXPORT void RegisterVListBoxClass(HINSTANCE instance);
KBL_EXPORT LRESULT CALLBACK VListBoxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Put in front of the list: hands the scrolling keys to the control.
KBL_EXPORT LRESULT CALLBACK VListKeyFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

const int kVListMaxColumns = 20;

// The control's data block, allocated when its window is created. Every
// field is one 32-bit word in a 32-bit build; handles and the text pointer
// are pointer-sized in a 64-bit one.
struct TVListData {
  HWND header;
  HWND list;
  HWND buttons[6];  // First, Page up, Previous, Next, Page down, Last
  int lineHeight;
  int pageSize;
  int selectedLine;
  int columnCount;
  int columnWidths[kVListMaxColumns];
  int tabStops[kVListMaxColumns];
  const char* lineText;
  // Actions running on this control, and a refill asked for meanwhile: it
  // waits until they are done, so that no action goes on over a new page.
  int runningActions;
  int resetPending;
};

// "KblVListBox" window extra bytes: three pointer-sized slots, the data block
// in the third (offset 8 of 12 bytes in a 32-bit build).
const int kVListExtraBytes = 3 * sizeof(LONG_PTR);
const int kExtraVListData = 2 * sizeof(LONG_PTR);

TVListData* VListDataOf(HWND control);
// Tab stop i: the sum of the widths before column i in dialog units.
void ComputeTabStops(TVListData* data);

class KBL_EXPORT CVListBox : public CWindow {
 public:
  explicit CVListBox(CWindow* parent);
  KBL_COPYABLE(CVListBox);

  void Create(int x, int y, int width, int height);
  // Columns beyond the twentieth are refused.
  void AppendItem(const char* title, unsigned int width, int alignment);
  void Reset();
  // The pointer, not a copy, is kept until the control inserts the line.
  void SetText(const char* text);
  // Line 0 into the buffer; null when it does not fit with its terminator.
  char* GetText(char* buffer, unsigned int maximum);

  void OnSelect() override;
  virtual unsigned char OnInit();
  virtual unsigned char OnFirst();
  virtual unsigned char OnNext();
  virtual unsigned char OnPrev();
  virtual unsigned char OnLast();
};

// The owner requests of a "KblVListBox", handed by the main window procedure
// to the control's CVListBox: the answer is the procedure's result.
LRESULT RouteVListCommand(CWindow* target, WORD code);
