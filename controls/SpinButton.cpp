#include "controls/SpinButton.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "framework/WinApp.h"
#include "framework/WindowProcedures.h"
#include "spinctl/MicroScroll.h"

namespace {

// The arrows take the right 15 units; 2 more separate them from the field.
const int kArrowsWidth = 15;
const int kFieldGap = 2;
const unsigned long kArrowsStyle = WS_CHILD | WS_VISIBLE | 0x19;

const char kFieldProcedure[] = "KblSpinFieldProc";
const char kFieldArrows[] = "KblSpinArrows";

// Up and Down in the field step the value as the arrows beside it do; the
// library would move the focus with them.
LRESULT CALLBACK SpinFieldWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = reinterpret_cast<WNDPROC>(GetPropA(window, kFieldProcedure));
  HWND arrows = static_cast<HWND>(GetPropA(window, kFieldArrows));
  if ((message == WM_KEYDOWN || message == WM_KEYUP) && (wParam == VK_UP || wParam == VK_DOWN) && arrows) {
    if (message == WM_KEYDOWN)
      MicroScrollSetPosition(arrows, MicroScrollGetPosition(arrows) + (wParam == VK_UP ? 1 : -1));
    return 0;
  }
  if (message == WM_NCDESTROY) {
    RemovePropA(window, kFieldProcedure);
    RemovePropA(window, kFieldArrows);
  }
  return previous ? CallWindowProcA(previous, window, message, wParam, lParam)
                  : DefWindowProcA(window, message, wParam, lParam);
}

void StepWithKeys(HWND field, HWND arrows) {
  if (!field || !arrows || GetPropA(field, kFieldProcedure)) return;
  SetPropA(field, kFieldArrows, arrows);
  SetPropA(field, kFieldProcedure, reinterpret_cast<HANDLE>(GetWindowLongPtrA(field, GWLP_WNDPROC)));
  SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SpinFieldWndProc));
}

// Private copies of the first count entries, or null for an empty list; a
// null entry, or one that could not be copied, is kept as null.
char** DuplicateList(char* const* list, int count, int* kept) {
  *kept = 0;
  if (!list || count < 1) return nullptr;
  char** copies = static_cast<char**>(std::calloc(static_cast<size_t>(count), sizeof(char*)));
  if (!copies) return nullptr;
  for (int i = 0; i < count; ++i) copies[i] = list[i] ? _strdup(list[i]) : nullptr;
  *kept = count;
  return copies;
}

}  // namespace

// Nothing is erased: the painting is the main procedure's.
const TWindowClass kSpinButtonClass = {kSpinButtonClassName, SpinButtonWndProc, 0, NULL_BRUSH, nullptr, nullptr, nullptr};

void RegisterSpinButtonClass() { RegisterWindowClass(kSpinButtonClass, CWinApp::hInstance); }

LRESULT CALLBACK SpinButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (CWindow* object = WindowFromHandle(window)) {
    if (message == WM_VSCROLL) {
      object->OnChange();
      return 0;
    }
    if (message == WM_COMMAND) {
      CSpinButton* spin = dynamic_cast<CSpinButton*>(object);
      HWND arrows = spin ? spin->SpinWindow() : nullptr;
      if (arrows && reinterpret_cast<HWND>(lParam) == arrows) return 0;
    }
  }
  return CallWindowProcA(MainWndProc, window, message, wParam, lParam);
}

// ---- CSpinButton ----

CSpinButton::CSpinButton(CWindow* parent) : CWindow(parent), mEdit(nullptr), mSpin(nullptr) {}
CSpinButton::CSpinButton(const CSpinButton& other) = default;
// The parts are this object's children: it keeps its own.
CSpinButton& CSpinButton::operator=(const CSpinButton& other) {
  CWindow::operator=(other);
  return *this;
}
// The parts are children: the window base deletes them.
CSpinButton::~CSpinButton() {}

void CSpinButton::Create(int x, int y, int width, int height, unsigned long style) {
  CWindow::Create(nullptr, x, y, width, height, kSpinButtonClassName, style);
  if (mHwnd) EnableWindow(mHwnd, FALSE);
}

void CSpinButton::CreateParts(int width, int height) {
  if (!mHwnd) return;
  mEdit = new (std::nothrow) CEntryField(this);
  if (!mEdit) return;
  mEdit->Create("", 0, 0, width - kArrowsWidth - kFieldGap, height, nullptr);
  mSpin = new (std::nothrow) CWindow(this);
  if (!mSpin) return;
  mSpin->Create("", width - kArrowsWidth, 0, kArrowsWidth, height, kMicroScrollClass, kArrowsStyle);
  MicroScrollSetReceiver(mSpin->GetHwnd(), mHwnd);
  // Made first, the container lies above its parts: once enabled it would
  // take their clicks, and its grey painting would cover them. It goes
  // beneath them and leaves them out of what it paints.
  HWND arrows = mSpin->GetHwnd();
  if (!arrows) return;
  StepWithKeys(mEdit->GetHwnd(), arrows);
  SetWindowLongA(mHwnd, GWL_STYLE, GetWindowLongA(mHwnd, GWL_STYLE) | WS_CLIPSIBLINGS);
  SetWindowPos(mHwnd, arrows, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HWND CSpinButton::SpinWindow() const { return mSpin ? mSpin->GetHwnd() : nullptr; }
int CSpinButton::EditId() const { return mEdit ? static_cast<int>(mEdit->GetId()) : 0; }

void CSpinButton::SetVisible() {
  if (mSpin) mSpin->SetVisible();
  if (mEdit) mEdit->SetVisible();
  CWindow::SetVisible();
}

void CSpinButton::SetInvisible() {
  if (mSpin) mSpin->SetInvisible();
  if (mEdit) mEdit->SetInvisible();
  CWindow::SetInvisible();
}

void CSpinButton::Enable() {
  if (mSpin) mSpin->Enable();
  if (mEdit) mEdit->Enable();
  CWindow::Enable();
}

void CSpinButton::Disable() {
  if (mSpin) mSpin->Disable();
  if (mEdit) mEdit->Disable();
  CWindow::Disable();
}

// ---- CNSpinButton ----

CNSpinButton::CNSpinButton(CWindow* parent) : CSpinButton(parent), mMin(0), mMax(0) {}
CNSpinButton::CNSpinButton(const CNSpinButton& other) = default;
// Takes the other's limits, for its own arrows too unless it is a copy.
CNSpinButton& CNSpinButton::operator=(const CNSpinButton& other) {
  CSpinButton::operator=(other);
  mMin = other.mMin;
  mMax = other.mMax;
  if (!IsCopy()) SetLimits(mMin, mMax);
  return *this;
}
CNSpinButton::~CNSpinButton() {}

CNSpinButton& CNSpinButton::Create(int min, int max, int x, int y, int width, int height) {
  CSpinButton::Create(x, y, width, height, WS_CHILD);
  CreateParts(width, height);
  SetLimits(min, max);
  SetValue(min);
  return *this;
}

void CNSpinButton::SetLimits(int min, int max) {
  mMin = min;
  mMax = max;
  MicroScrollSetRange(SpinWindow(), min, max);
}

void CNSpinButton::SetValue(int value) { MicroScrollSetPosition(SpinWindow(), value); }

int CNSpinButton::GetValue() {
  if (!mEdit) return 0;
  return static_cast<int>(GetDlgItemInt(mHwndContainer, EditId(), nullptr, TRUE));
}

// The field is made anew right-aligned: an edit control reads its alignment
// only when it is made.
CNSpinButton& CNSpinButton::JustifyRight() {
  if (mEdit) mEdit->JustifyRight();
  // A field made anew has the library's procedure only.
  if (mEdit) StepWithKeys(mEdit->GetHwnd(), SpinWindow());
  return *this;
}

void CNSpinButton::OnChange() {
  if (!mEdit) return;
  SetDlgItemInt(mHwndContainer, EditId(), static_cast<UINT>(MicroScrollGetPosition(SpinWindow())), TRUE);
}

// ---- CLSpinButton ----

CLSpinButton::CLSpinButton(CWindow* parent) : CSpinButton(parent), mCount(0), mList(nullptr) {
  ReleaseOnDestroy(Release);
}

CLSpinButton::CLSpinButton(const CLSpinButton& other) : CSpinButton(other), mCount(0), mList(nullptr) {
  mList = DuplicateList(other.mList, other.mCount, &mCount);
  ReleaseOnDestroy(Release);
}

// Copies of the other's strings, and the range of its own arrows to match;
// a copy's arrows are its original's, which it leaves alone.
CLSpinButton& CLSpinButton::operator=(const CLSpinButton& other) {
  if (this == &other) return *this;
  CSpinButton::operator=(other);
  int count = 0;
  char** copies = DuplicateList(other.mList, other.mCount, &count);
  ReleaseList();
  mList = copies;
  mCount = count;
  if (!IsCopy()) MicroScrollSetRange(SpinWindow(), 0, mCount > 0 ? mCount - 1 : 0);
  return *this;
}

CLSpinButton::~CLSpinButton() { ReleaseOwned(); }

void CLSpinButton::Release(CWindow* window) { static_cast<CLSpinButton*>(window)->ReleaseList(); }

void CLSpinButton::ReleaseList() {
  if (mList)
    for (int i = 0; i < mCount; ++i) std::free(mList[i]);
  std::free(mList);
  mList = nullptr;
  mCount = 0;
}

CLSpinButton& CLSpinButton::Create(char** list, int count, int x, int y, int width, int height) {
  CSpinButton::Create(x, y, width, height, WS_CHILD);
  CreateParts(width, height);
  SetList(list, count);
  SetIndex(0);
  return *this;
}

// Copied before the old list goes, in case the caller hands back our own strings.
void CLSpinButton::SetList(char** list, int count) {
  int kept = 0;
  char** copies = DuplicateList(list, count, &kept);
  ReleaseList();
  mList = copies;
  mCount = kept;
  MicroScrollSetRange(SpinWindow(), 0, mCount > 0 ? mCount - 1 : 0);
}

void CLSpinButton::SetIndex(int index) { MicroScrollSetPosition(SpinWindow(), index); }
int CLSpinButton::GetIndex() { return MicroScrollGetPosition(SpinWindow()); }

void CLSpinButton::OnChange() {
  if (!mEdit) return;
  int position = MicroScrollGetPosition(SpinWindow());
  const char* entry = position >= 0 && position < mCount ? mList[position] : nullptr;
  SetDlgItemTextA(mHwndContainer, EditId(), entry ? entry : "");
}
