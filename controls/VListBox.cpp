#include "controls/VListBox.h"

#include "framework/HeaderBar.h"
#include "framework/WinApp.h"

TVListData* VListDataOf(HWND control) {
  return control ? reinterpret_cast<TVListData*>(GetWindowLongPtrA(control, kExtraVListData)) : nullptr;
}

void ComputeTabStops(TVListData* data) {
  int baseUnit = LOWORD(GetDialogBaseUnits());
  if (baseUnit <= 0) baseUnit = 1;
  int sum = 0;
  for (int i = 0; i < data->columnCount && i < kVListMaxColumns; ++i) {
    data->tabStops[i] = sum * 4 / baseUnit;
    sum += data->columnWidths[i];
  }
}

KBL_DEFINE_COPYABLE(CVListBox);
CVListBox::CVListBox(CWindow* parent) : CWindow(parent) {}

void CVListBox::Create(int x, int y, int width, int height) {
  CWindow* parent = ParentWindow();
  mHwndContainer = parent ? parent->GetContainer() : nullptr;
  mHwnd = CreateWindowExA(0, kVListBoxClassName, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, x, y, width, height,
                          mHwndContainer, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(mId)), CWinApp::hInstance,
                          nullptr);
  if (!mHwnd) ErrorMessageBox("CreateWindow");
  OnCreate();
  if (width && height) SetPosition(x, y, width, height);
}

void CVListBox::AppendItem(const char* title, unsigned int width, int alignment) {
  TVListData* data = VListDataOf(mHwnd);
  if (!data || mItemCount >= kVListMaxColumns) return;
  InsertHeaderColumn(data->header, mItemCount, title, width, alignment);
  data->columnWidths[mItemCount] = static_cast<int>(width);
  ++mItemCount;
  data->columnCount = mItemCount;
  ComputeTabStops(data);
}

void CVListBox::Reset() {
  if (mHwnd) SendMessageA(mHwnd, LB_RESETCONTENT, 0, 0);
}

void CVListBox::SetText(const char* text) {
  if (TVListData* data = VListDataOf(mHwnd)) data->lineText = text;
}

char* CVListBox::GetText(char* buffer, unsigned int maximum) {
  if (!mHwnd || !buffer) return nullptr;
  LRESULT length = SendMessageA(mHwnd, LB_GETTEXTLEN, 0, 0);
  if (length < 0 || static_cast<unsigned long long>(length) >= maximum) return nullptr;
  SendMessageA(mHwnd, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

LRESULT RouteVListCommand(CWindow* target, WORD code) {
  CVListBox* list = dynamic_cast<CVListBox*>(target);
  if (!list) return 0;
  switch (code) {
    case kVListAskInit: return list->OnInit();
    case kVListAskFirst: return list->OnFirst();
    case kVListAskNext: return list->OnNext();
    case kVListAskPrev: return list->OnPrev();
    case kVListAskLast: return list->OnLast();
    case kVListAskSelect: list->OnSelect(); return 0;
  }
  return 0;
}

void CVListBox::OnSelect() {}
unsigned char CVListBox::OnInit() { return 1; }
unsigned char CVListBox::OnFirst() { return 1; }
unsigned char CVListBox::OnNext() { return 1; }
unsigned char CVListBox::OnPrev() { return 1; }
unsigned char CVListBox::OnLast() { return 1; }
