#include "framework/Controls.h"

#include "framework/WindowClasses.h"
#include "framework/WindowProcedures.h"

namespace {

// Styles of the standard controls; WS_VISIBLE is added by the window base.
const unsigned long kTextStyle = WS_CHILD | SS_LEFTNOWORDWRAP;                            // 0x4000000C
const unsigned long kGroupBoxStyle = WS_CHILD | BS_GROUPBOX;                              // 0x40000007
const unsigned long kFrameStyle = WS_CHILD | SS_BLACKFRAME;                               // 0x40000007
const unsigned long kPushButtonStyle = WS_CHILD | WS_TABSTOP | kButtonKeepsFocus;                // 0x40010100
const unsigned long kRadioStyle = WS_CHILD | WS_TABSTOP | kButtonKeepsFocus | BS_AUTORADIOBUTTON;  // 0x40010109
const unsigned long kCheckBoxStyle = WS_CHILD | WS_TABSTOP | kButtonKeepsFocus | BS_AUTOCHECKBOX;  // 0x40010103
const unsigned long kEntryStyle = WS_CHILD | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;      // 0x40810080
const unsigned long kMultiLineStyle = WS_CHILD | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE;  // 0x40A10004
const unsigned long kComboBoxStyle = WS_CHILD | WS_TABSTOP | CBS_DROPDOWN;                 // 0x40010002

}  // namespace

KBL_DEFINE_COPYABLE(CText);
CText::CText(CWindow* parent) : CWindow(parent) {}
void CText::Create(const char* text, int x, int y, int width, int height) {
  CWindow::Create(text, x, y, width, height, kStaticClassName, kTextStyle);
}

KBL_DEFINE_COPYABLE(CGroupBox);
CGroupBox::CGroupBox(CWindow* parent) : CWindow(parent) {}
void CGroupBox::Create(const char* text, int x, int y, int width, int height) {
  CWindow::Create(text, x, y, width, height, kButtonClassName, kGroupBoxStyle);
}

KBL_DEFINE_COPYABLE(CGroup);
CGroup::CGroup(CWindow* parent) : CWindow(parent) {}
void CGroup::Create(int x, int y) { CWindow::Create(nullptr, x, y, 0, 0, kGroupClassName, kGroupBoxStyle); }

KBL_DEFINE_COPYABLE(CFrameWin);
CFrameWin::CFrameWin(CWindow* parent) : CWindow(parent) {}
void CFrameWin::Create(int x, int y, int width, int height) {
  CWindow::Create(nullptr, x, y, width, height, kStaticClassName, kFrameStyle);
}

KBL_DEFINE_COPYABLE(CPushButton);
CPushButton::CPushButton(CWindow* parent) : CWindow(parent) {}
void CPushButton::Create(const char* text, int x, int y, int width, int height) {
  CWindow::Create(text, x, y, width, height, kPushButtonClassName, kPushButtonStyle);
  SetNormalBackground();
}

KBL_DEFINE_COPYABLE(CRadioButton);
CRadioButton::CRadioButton(CWindow* parent) : CWindow(parent) {}
void CRadioButton::Create(const char* text, int x, int y, int width, int height) {
  CWindow::Create(text, x, y, width, height, kButtonClassName, kRadioStyle);
}

KBL_DEFINE_COPYABLE(CCheckBox);
CCheckBox::CCheckBox(CWindow* parent) : CWindow(parent) {}
void CCheckBox::Create(const char* text, int x, int y, int width, int height) {
  CWindow::Create(text, x, y, width, height, kButtonClassName, kCheckBoxStyle);
}

KBL_DEFINE_COPYABLE(CEntryField);
CEntryField::CEntryField(CWindow* parent) : CWindow(parent) {}
void CEntryField::Create(const char* text, int x, int y, int width, int height, const char* format) {
  CWindow::Create(text, x, y, width, height, format ? kFormattedEditClassName : kEditClassName, kEntryStyle);
  if (!format || !mHwnd) return;
  SetWindowLongPtrA(mHwnd, kExtraFormat, reinterpret_cast<LONG_PTR>(format));
  // The creation text reached the field before it had a format to lay it out.
  if (text && *text) SetText(text);
  SetNormalBackground();
}

KBL_DEFINE_COPYABLE(CMLE);
CMLE::CMLE(CWindow* parent) : CWindow(parent) {}
void CMLE::Create(const char* text, int x, int y, int width, int height) {
  CWindow::Create(text, x, y, width, height, kEditClassName, kMultiLineStyle);
}

KBL_DEFINE_COPYABLE(CListBox);
CListBox::CListBox(CWindow* parent) : CWindow(parent) {}
void CListBox::Create(int x, int y, int width, int height) {
  CWindow::Create(nullptr, x, y + kListBoxStrip, width, height - kListBoxStrip, kListBoxClassName, kListBoxStyle);
}
void CListBox::AppendItem(const char* text) {
  const char* accepted = AcceptedText(text);
  if (mHwnd && accepted) SendMessageA(mHwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(accepted));
}
CListBox& CListBox::operator<<(const char* text) {
  AppendItem(text);
  return *this;
}

KBL_DEFINE_COPYABLE(CComboBox);
CComboBox::CComboBox(CWindow* parent) : CWindow(parent) {}
void CComboBox::Create(const char* text, int x, int y, int width, int height) {
  CWindow::Create(text, x, y, width, height, kComboBoxClassName, kComboBoxStyle);
  // The keys go to the edit inside, which must hand the dialog keys on.
  if (mHwnd) HandDialogKeysToComboBox(FindWindowExA(mHwnd, nullptr, kSystemEditClassName, nullptr));
}
void CComboBox::AppendItem(const char* text) {
  const char* accepted = AcceptedText(text);
  if (mHwnd && accepted) SendMessageA(mHwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(accepted));
}
CComboBox& CComboBox::operator<<(const char* text) {
  AppendItem(text);
  return *this;
}

KBL_DEFINE_COPYABLE(CClientWindow);
CClientWindow::CClientWindow(CWindow* parent) : CWindow(parent) {}
void CClientWindow::Create(const char* /*text*/, int /*x*/, int /*y*/, int /*width*/, int /*height*/) {}

CLine::CLine(CWindow* parent) : CWindow(parent), mX1(0), mY1(0), mX2(0), mY2(0), mNextLine(nullptr) {
  if (!parent) return;
  mNextLine = parent->mLines;
  parent->mLines = this;
}

CLine::CLine(const CLine& other) = default;
// The end points only: the link belongs to the parent's list of lines.
CLine& CLine::operator=(const CLine& other) {
  CWindow::operator=(other);
  mX1 = other.mX1;
  mY1 = other.mY1;
  mX2 = other.mX2;
  mY2 = other.mY2;
  return *this;
}

CLine::~CLine() {
  CWindow* parent = ParentWindow();
  if (!parent || IsCopy()) return;
  for (CLine** link = &parent->mLines; *link; link = &(*link)->mNextLine) {
    if (*link == this) {
      *link = mNextLine;
      return;
    }
  }
}

void CLine::Draw(int /*x1*/, int /*y1*/, int /*x2*/, int /*y2*/) {}
CLine* CLine::GetNextLine() const { return mNextLine; }
