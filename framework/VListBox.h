// The library object behind a "KblVListBox" control: the control asks it
// for its lines through five operations, each answering whether the owner
// moved its cursor and handed a line over with SetText.
#pragma once

#include "framework/Window.h"

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
