#include "controls/SpecialControls.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void UseFixedFont(HWND window) {
  if (window) SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FIXED_FONT)), TRUE);
}

char* CopyOf(const char* text) { return text ? _strdup(text) : nullptr; }

}  // namespace

KBL_DEFINE_COPYABLE(CBlackText);
CBlackText::CBlackText(CWindow* parent) : CText(parent) {}
CBlackText& CBlackText::Create(const char* text, int x, int y, int width, int height) {
  CText::Create(text, x, y, width, height);
  return *this;
}

KBL_DEFINE_COPYABLE(CCText);
CCText::CCText(CWindow* parent) : CText(parent) {}
CCText& CCText::Create(const char* text, int x, int y, int width, int height) {
  CText::Create(text, x, y, width, height);
  if (mHwnd) SetWindowLongA(mHwnd, GWL_STYLE, (GetWindowLongA(mHwnd, GWL_STYLE) & ~0x0E) | SS_CENTER);
  return *this;
}

KBL_DEFINE_COPYABLE(CMonoText);
CMonoText::CMonoText(CWindow* parent) : CBlackText(parent) {}
CMonoText& CMonoText::Create(const char* text, int x, int y, int width, int height) {
  CBlackText::Create(text, x, y, width, height);
  UseFixedFont(mHwnd);
  return *this;
}

KBL_DEFINE_COPYABLE(CSizedEF);
CSizedEF::CSizedEF(CWindow* parent) : CEntryField(parent) {}
void CSizedEF::Create(const char* text, int x, int y, int width, int height, int limit) {
  CEntryField::Create(text, x, y, width, height, nullptr);
  SetTextLimit(static_cast<unsigned int>(limit));
}

KBL_DEFINE_COPYABLE(CMonoMLE);
CMonoMLE::CMonoMLE(CWindow* parent) : CMLE(parent) {}
void CMonoMLE::Create(const char* text, int x, int y, int width, int height) {
  CMLE::Create(text, x, y, width, height);
  UseFixedFont(mHwnd);
}

// Read straight into the caller's buffer, whatever the length: the library's
// text buffer would cut a text of 60000 characters or more.
char* CMonoMLE::GetBuffer() {
  if (!mHwnd) return nullptr;
  int length = GetWindowTextLengthA(mHwnd);
  if (length <= 0) return nullptr;
  char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
  if (!buffer) return nullptr;
  buffer[0] = '\0';
  GetWindowTextA(mHwnd, buffer, length + 1);
  // Squeeze out every carriage return in one pass.
  char* kept = buffer;
  for (const char* c = buffer; *c; ++c)
    if (*c != '\r') *kept++ = *c;
  *kept = '\0';
  return buffer;
}

KBL_DEFINE_COPYABLE(CSortedLB);
CSortedLB::CSortedLB(CWindow* parent) : CListBox(parent) {}

void CSortedLB::AppendItemAscend(const char* text) { InsertOrdered(text, 1); }
void CSortedLB::AppendItemDescend(const char* text) { InsertOrdered(text, -1); }

// direction 1: before the first item the text is less than; -1: greater than.
// Each item is fetched whole, in a buffer sized to it: a text cut short
// would compare wrongly against one that goes on.
void CSortedLB::InsertOrdered(const char* text, int direction) {
  if (!text) return;
  unsigned int count = GetNrOfItems();
  std::string item;
  for (unsigned int i = 0; i < count; ++i) {
    LRESULT length = SendMessageA(mHwnd, LB_GETTEXTLEN, i, 0);
    item.assign(length > 0 ? static_cast<size_t>(length) + 1 : 1, '\0');
    GetItemText(static_cast<int>(i), &item[0], static_cast<unsigned int>(item.size() - 1));
    if (std::strcmp(text, item.c_str()) * direction < 0) {
      InsertItem(static_cast<int>(i), text);
      return;
    }
  }
  AppendItem(text);
}

int CSortedLB::GetNextSelectedItem(unsigned short index) {
  if (!mHwnd) return -1;
  for (int i = index + 1;; ++i) {
    LRESULT selected = SendMessageA(mHwnd, LB_GETSEL, i, 0);
    if (selected == LB_ERR) return -1;
    if (selected > 0) return i;
  }
}

void CSortedLB::SetItemText(unsigned short index, const char* text) {
  const char* accepted = AcceptedText(text);
  if (!mHwnd || !accepted) return;
  DeleteItem(index);
  WPARAM position = index == GetNrOfItems() ? static_cast<WPARAM>(-1) : index;
  SendMessageA(mHwnd, LB_INSERTSTRING, position, reinterpret_cast<LPARAM>(accepted));
}

void CSortedLB::SetRefresh(int on) {
  if (!mHwnd) return;
  SendMessageA(mHwnd, WM_SETREDRAW, on ? TRUE : FALSE, 0);
  if (on) InvalidateRect(mHwnd, nullptr, FALSE);
}

void CSortedLB::DeleteAll() { DeleteItem(-2); }

KBL_DEFINE_COPYABLE(CMonoLB);
CMonoLB::CMonoLB(CWindow* parent) : CSortedLB(parent) {}
void CMonoLB::Create(int x, int y, int width, int height) {
  CListBox::Create(x, y, width, height);
  UseFixedFont(mHwnd);
}

CTogglePB::CTogglePB(CWindow* parent, int* stateVariable)
    : CPushButton(parent), mState(0), mStateVar(stateVariable), mOnText(nullptr), mOffText(nullptr) {
  ReleaseOnDestroy(Release);
}

CTogglePB::CTogglePB(const CTogglePB& other)
    : CPushButton(other),
      mState(other.mState),
      mStateVar(other.mStateVar),
      mOnText(CopyOf(other.mOnText)),
      mOffText(CopyOf(other.mOffText)) {
  ReleaseOnDestroy(Release);
}

CTogglePB& CTogglePB::operator=(const CTogglePB& other) {
  if (this == &other) return *this;
  CPushButton::operator=(other);
  std::free(mOnText);
  std::free(mOffText);
  mState = other.mState;
  mStateVar = other.mStateVar;
  mOnText = CopyOf(other.mOnText);
  mOffText = CopyOf(other.mOffText);
  // The own button shows the state it took; a copy's is its original's.
  if (mHwnd && !IsCopy()) SetState(mState);
  return *this;
}

CTogglePB::~CTogglePB() { ReleaseOwned(); }

void CTogglePB::Release(CWindow* window) {
  CTogglePB* toggle = static_cast<CTogglePB*>(window);
  std::free(toggle->mOnText);
  std::free(toggle->mOffText);
  toggle->mOnText = nullptr;
  toggle->mOffText = nullptr;
}

void CTogglePB::Create(const char* onText, const char* offText, int x, int y, int width, int height) {
  mState = mStateVar ? *mStateVar : 0;
  std::free(mOnText);
  std::free(mOffText);
  mOnText = _strdup(onText ? onText : "Disable");
  mOffText = _strdup(offText ? offText : "Enable");
  CPushButton::Create(mState ? mOnText : mOffText, x, y, width, height);
}

void CTogglePB::OnCommand() { Toggle(); }
void CTogglePB::Toggle() { SetState(mState ? 0 : 1); }

void CTogglePB::SetState(int state) {
  mState = state;
  SetText(mState ? mOnText : mOffText);
}

void CTogglePB::Update() {
  if (mStateVar) *mStateVar = mState;
}

int CTogglePB::GetState() const { return mState; }

KBL_DEFINE_COPYABLE(CAHDialogWin);
CAHDialogWin::CAHDialogWin(CWindow* parent) : CDialogWin(parent) {}
void CAHDialogWin::OnDeactivate() {
  CWindow::OnDeactivate();
  SetInvisible();
}
