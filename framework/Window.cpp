#include "framework/Window.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "framework/LibraryState.h"
#include "framework/WinApp.h"
#include "framework/WindowProcedures.h"

namespace {

HBRUSH InputBackground() {
  static HBRUSH brush = CreateSolidBrush(0xC0FFFF);
  return brush;
}

LONG StyleOf(HWND window) { return GetWindowLongA(window, GWL_STYLE); }

// The list box and combo box messages that mean the same thing.
struct ItemMessages {
  UINT selectString, getCount, setCurSel, getCurSel, getText, getTextLen, deleteString, resetContent,
      addString, insertString;
};
const ItemMessages kListBoxMessages = {LB_SELECTSTRING, LB_GETCOUNT,      LB_SETCURSEL,    LB_GETCURSEL,
                                       LB_GETTEXT,      LB_GETTEXTLEN,    LB_DELETESTRING, LB_RESETCONTENT,
                                       LB_ADDSTRING,    LB_INSERTSTRING};
const ItemMessages kComboBoxMessages = {CB_SELECTSTRING, CB_GETCOUNT,       CB_SETCURSEL,    CB_GETCURSEL,
                                        CB_GETLBTEXT,    CB_GETLBTEXTLEN,   CB_DELETESTRING, CB_RESETCONTENT,
                                        CB_ADDSTRING,    CB_INSERTSTRING};

const ItemMessages* ItemMessagesOf(HWND window) {
  if (HasClassName(window, kListBoxClassName)) return &kListBoxMessages;
  if (HasClassName(window, kComboBoxClassName)) return &kComboBoxMessages;
  return nullptr;
}

// Windows whose own text is being set, by any thread: the change that text
// causes is no user change. Kept apart from mCallback, which the window's
// thread may replace meanwhile.
std::mutex settingTextLock;
std::vector<const CWindow*> settingText;

bool IsSettingText(const CWindow* window) {
  std::lock_guard<std::mutex> hold(settingTextLock);
  return std::find(settingText.begin(), settingText.end(), window) != settingText.end();
}

class SettingText {
 public:
  explicit SettingText(const CWindow* window) : window_(window) {
    std::lock_guard<std::mutex> hold(settingTextLock);
    settingText.push_back(window_);
  }
  ~SettingText() {
    std::lock_guard<std::mutex> hold(settingTextLock);
    settingText.erase(std::find(settingText.begin(), settingText.end(), window_));
  }

 private:
  const CWindow* window_;
};

bool IsMultipleSelectionList(HWND window) {
  return HasClassName(window, kListBoxClassName) && (StyleOf(window) & LBS_MULTIPLESEL);
}

// The releases registered by derived objects. Objects live on the window's
// thread only, so the table needs no lock; each entry goes with its object.
std::map<const CWindow*, void (*)(CWindow*)>& OwnedReleases() {
  static std::map<const CWindow*, void (*)(CWindow*)> releases;
  return releases;
}

}  // namespace

const char* AcceptedText(const char* text) {
  if (!text) return "";
  return strnlen(text, kTextBufferSize) < kTextBufferSize ? text : nullptr;
}

CWindow::CWindow(CWindow* parent)
    : CObject(parent),
      mHwndContainer(nullptr),
      mHwnd(nullptr),
      mHMenu(nullptr),
      mOldWndProc(nullptr),
      mItemCount(0),
      mCallback(nullptr),
      mLines(nullptr) {}

CWindow::CWindow(const CWindow& other) = default;

CWindow& CWindow::operator=(const CWindow& other) {
  CObject::operator=(other);
  mCallback = other.mCallback;
  return *this;
}

CWindow::~CWindow() {
  ReleaseOwned();
  if (IsCopy()) return;
  while (mFirstChild) {
    // Only the CWindow part of a child is destroyed, as the library always
    // did; what a derived child owns it registered for release.
    CWindow* child = static_cast<CWindow*>(mFirstChild);
    child->CWindow::~CWindow();
    ::operator delete(child);
  }
  if (mHwnd && !mHMenu) {
    // A button pressed at this moment ends its press while the library still
    // sees it, so that no other button takes the next move or release.
    if (GetCapture() == mHwnd) ReleaseCapture();
    SetWindowLongPtrA(mHwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DyingProcedure()));
    TObjectDestruction destruction;
    DestroyWindow(mHwnd);
  }
}

void CWindow::ReleaseOnDestroy(TRelease release) {
  ReleaseOwned();
  if (release) OwnedReleases()[this] = release;
}

void CWindow::ReleaseOwned() {
  auto entry = OwnedReleases().find(this);
  if (entry == OwnedReleases().end()) return;
  TRelease release = entry->second;
  OwnedReleases().erase(entry);
  release(this);
}

// No message of the dying window may reach this object any more, but the
// window's own class must see it go, or an edit control keeps its text and
// a push button the mouse. A top-level window goes to the default
// procedure: the main procedure would end the message loop.
WNDPROC CWindow::DyingProcedure() const {
  if (IsOwnContainer()) return DefWindowProcA;
  WNDPROC current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(mHwnd, GWLP_WNDPROC));
  if (current != ControlWndProc && current != BitmapWndProc) return current ? current : DefWindowProcA;
  return mOldWndProc ? mOldWndProc : DefWindowProcA;
}

void CWindow::Create(const char* text, int x, int y, int width, int height, const char* className,
                     unsigned long style) {
  const char* caption = AcceptedText(text);
  if (!caption) caption = "";
  CWindow* parent = ParentWindow();
  mHwndContainer = parent ? parent->mHwndContainer : nullptr;
  HMENU controlId = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(mId)) : nullptr;
  mHwnd = CreateWindowExA(0, className, caption, style | WS_VISIBLE, x, y, width, height, mHwndContainer,
                          controlId, CWinApp::hInstance, nullptr);
  if (!mHwnd) ErrorMessageBox("CreateWindow");
  // An object without an id cannot be found from its window, so it is left
  // a plain control rather than one whose procedure could not be chained.
  if ((style & WS_CHILD) && mHwnd && mId)
    mOldWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(mHwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlWndProc)));
  OnCreate();
  if (width && height) SetPosition(x, y, width, height);
  SetNormalBackground();
}

void CWindow::CreateTopLevel(const char* text, unsigned long style, HWND owner) {
  const char* caption = AcceptedText(text);
  mHwnd = CreateWindowExA(0, kMainClassName, caption ? caption : "", style, 0, 0, 0, 0, owner, nullptr,
                          CWinApp::hInstance, nullptr);
  mHwndContainer = mHwnd;
  if (!mHwnd) {
    ErrorMessageBox("CreateWindow");
    return;
  }
  SetWindowLongPtrA(mHwnd, kExtraObject, reinterpret_cast<LONG_PTR>(this));
  if (!CWinApp::hwndMain) CWinApp::hwndMain = mHwnd;
}

void CWindow::DefineAccelerator(int key, int flags) {
  BYTE virt = static_cast<BYTE>(flags & 0xFF);
  // The library's callers say 0x08 for Alt; the system's bit for it is FALT.
  if (virt & 0x08) virt = static_cast<BYTE>((virt & ~0x08) | FALT);
  int count = CWinApp::hAccel ? CopyAcceleratorTableA(CWinApp::hAccel, nullptr, 0) : 0;
  ACCEL* entries = static_cast<ACCEL*>(LocalAlloc(LMEM_ZEROINIT, (count + 1) * sizeof(ACCEL)));
  if (!entries) return;
  if (count) CopyAcceleratorTableA(CWinApp::hAccel, entries, count);
  entries[count].fVirt = virt;
  entries[count].key = static_cast<WORD>(key);
  entries[count].cmd = static_cast<WORD>(mId & 0xFFFF);
  if (CWinApp::hAccel) DestroyAcceleratorTable(CWinApp::hAccel);
  CWinApp::hAccel = CreateAcceleratorTableA(entries, count + 1);
  LocalFree(entries);
}

void CWindow::SetText(const char* text) {
  const char* accepted = AcceptedText(text);
  if (!accepted) return;
  SettingText setting(this);
  if (IsMenuBar())
    return;
  else if (IsPopupMenu())
    ModifyMenuA(mHMenu, mItemCount, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(mHwnd),
                accepted);
  else if (IsMenuEntry())
    ModifyMenuA(mHMenu, mId, MF_BYCOMMAND | MF_STRING, mId, accepted);
  else
    SetWindowTextA(mHwnd, accepted);
}

// The text goes straight into the caller's buffer: no storage is shared
// between threads that exchange texts at the same time.
char* CWindow::GetText(char* buffer, unsigned int maximum) {
  if (!buffer || !maximum) return buffer;
  buffer[0] = '\0';
  int limit = static_cast<int>(maximum < kTextBufferSize ? maximum : kTextBufferSize);
  if (IsMenuBar())
    return buffer;
  if (IsPopupMenu())
    GetMenuStringA(mHMenu, mItemCount, buffer, limit, MF_BYPOSITION);
  else if (IsMenuEntry())
    GetMenuStringA(mHMenu, mId, buffer, limit, MF_BYCOMMAND);
  else if (mHwnd)
    GetWindowTextA(mHwnd, buffer, limit);
  return buffer;
}

void CWindow::Select() {
  // A null window would take the focus from whichever window has it.
  if (!mHwnd || mHMenu) return;
  ::SetFocus(mHwnd);
  SendMessageA(mHwnd, EM_SETSEL, 0, 99999);
}

// A popup owned by the container, such as a note, is placed on the screen
// although its positions are relative to the container like a control's.
bool CWindow::IsPlacedOnScreen() const {
  return mHwnd && !IsOwnContainer() && mHwndContainer && !(StyleOf(mHwnd) & WS_CHILD);
}

POINT CWindow::ParentOffset() const {
  POINT offset = {0, 0};
  CWindow* parent = ParentWindow();
  if (!parent || !parent->mHwnd || parent->mHMenu) return offset;
  if (parent->mHwnd == mHwndContainer) {
    if (IsPlacedOnScreen()) ClientToScreen(mHwndContainer, &offset);
    return offset;
  }
  RECT outer;
  if (!GetWindowRect(parent->mHwnd, &outer)) return offset;
  offset.x = outer.left;
  offset.y = outer.top;
  // A dialog of a window is placed in screen coordinates; a control under a
  // group box or frame in the client coordinates of their common container.
  if (!IsOwnContainer() && mHwndContainer && !IsPlacedOnScreen()) ScreenToClient(mHwndContainer, &offset);
  return offset;
}

void CWindow::SetPosition(int x, int y, int width, int height) {
  if (!mHwnd) return;
  POINT offset = ParentOffset();
  if (!SetWindowPos(mHwnd, nullptr, UnitsToPixels(x) + offset.x, UnitsToPixels(y) + offset.y,
                    UnitsToPixels(width), UnitsToPixels(height), SWP_NOZORDER))
    ErrorMessageBox("SetWindowPos");
}

void CWindow::SetSize(int width, int height) {
  if (!mHwnd) return;
  if (!SetWindowPos(mHwnd, nullptr, 0, 0, UnitsToPixels(width), UnitsToPixels(height), SWP_NOMOVE | SWP_NOZORDER))
    ErrorMessageBox("SetWindowPos");
}

void CWindow::GetPosition(int* x, int* y, int* width, int* height) {
  RECT outer = {0, 0, 0, 0};
  if (!mHwnd || mHMenu || !GetWindowRect(mHwnd, &outer)) {
    *x = *y = *width = *height = 0;
    return;
  }
  POINT topLeft = {outer.left, outer.top};
  if (!IsOwnContainer() && mHwndContainer && !IsPlacedOnScreen()) ScreenToClient(mHwndContainer, &topLeft);
  POINT offset = ParentOffset();
  *x = PixelsToUnits(topLeft.x - offset.x);
  *y = PixelsToUnits(topLeft.y - offset.y);
  *width = PixelsToUnits(outer.right - outer.left);
  *height = PixelsToUnits(outer.bottom - outer.top);
}

namespace {

// Text metrics of the window's own font; top-level windows use the
// device context's default font.
bool MeasureFont(HWND window, bool ownFont, TEXTMETRICA* metrics) {
  if (!window) return false;
  HDC dc = GetDC(window);
  if (!dc) return false;
  HGDIOBJ previous = nullptr;
  if (ownFont) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    if (font) previous = SelectObject(dc, font);
  }
  bool measured = GetTextMetricsA(dc, metrics) != 0;
  if (previous) SelectObject(dc, previous);
  ReleaseDC(window, dc);
  return measured;
}

}  // namespace

int CWindow::GetFontHeight() {
  TEXTMETRICA metrics;
  if (!MeasureFont(mHwnd, !IsOwnContainer(), &metrics)) return 0;
  return metrics.tmHeight + metrics.tmExternalLeading;
}

int CWindow::GetFontWidth() {
  TEXTMETRICA metrics;
  if (!MeasureFont(mHwnd, !IsOwnContainer(), &metrics)) return 0;
  return metrics.tmAveCharWidth;
}

void CWindow::SetFont(const char* faceName, long height) {
  if (!mHwnd) return;
  HFONT current = reinterpret_cast<HFONT>(SendMessageA(mHwnd, WM_GETFONT, 0, 0));
  if (current) DeleteObject(current);
  LOGFONTA font = {};
  font.lfHeight = height;
  lstrcpynA(font.lfFaceName, faceName ? faceName : "", LF_FACESIZE);
  HFONT created = CreateFontIndirectA(&font);
  if (created) SetFont(created);
}

// A popup menu is an entry of its parent menu at its position; its own
// handle is a menu, never a window.
void CWindow::Enable() {
  if (IsMenuEntry()) {
    EnableMenuItem(mHMenu, mId, MF_BYCOMMAND | MF_ENABLED);
  } else if (IsPopupMenu()) {
    EnableMenuItem(mHMenu, mItemCount, MF_BYPOSITION | MF_ENABLED);
    DrawMenuBar(mHwndContainer);
  } else if (!mHMenu) {
    EnableWindow(mHwnd, TRUE);
  }
}

void CWindow::Disable() {
  if (IsMenuEntry()) {
    EnableMenuItem(mHMenu, mId, MF_BYCOMMAND | MF_GRAYED);
    return;
  }
  if (IsPopupMenu()) {
    EnableMenuItem(mHMenu, mItemCount, MF_BYPOSITION | MF_GRAYED);
    DrawMenuBar(mHwndContainer);
    return;
  }
  if (mHMenu) return;
  EnableWindow(mHwnd, FALSE);
  // A disabled control no longer opens a group for the arrow keys.
  if (mHwnd && !IsOwnContainer()) ChangeStyle(WS_GROUP, 0);
}

void CWindow::SetChecked() {
  if (IsMenuEntry())
    CheckMenuItem(mHMenu, mId, MF_BYCOMMAND | MF_CHECKED);
  else if (IsPopupMenu())
    CheckMenuItem(mHMenu, mItemCount, MF_BYPOSITION | MF_CHECKED);
  else if (mHMenu)
    return;
  else if (IsAutoRadioButton(mHwnd))
    CheckRadioInGroup(mHwnd);
  else
    SendMessageA(mHwnd, BM_SETCHECK, BST_CHECKED, 0);
}

void CWindow::SetUnchecked() {
  if (IsMenuEntry())
    CheckMenuItem(mHMenu, mId, MF_BYCOMMAND | MF_UNCHECKED);
  else if (IsPopupMenu())
    CheckMenuItem(mHMenu, mItemCount, MF_BYPOSITION | MF_UNCHECKED);
  else if (!mHMenu)
    SendMessageA(mHwnd, BM_SETCHECK, BST_UNCHECKED, 0);
}

unsigned char CWindow::IsChecked() {
  if (IsMenuEntry() || IsPopupMenu()) {
    UINT state = IsMenuEntry() ? GetMenuState(mHMenu, mId, MF_BYCOMMAND)
                               : GetMenuState(mHMenu, mItemCount, MF_BYPOSITION);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) ? 1 : 0;
  }
  if (mHMenu) return 0;
  if (HasClassName(mHwnd, kButtonClassName)) return SendMessageA(mHwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  return 0;
}

void CWindow::EnableSysClose(unsigned char enable) {
  HMENU system = GetSystemMenu(mHwnd, FALSE);
  if (system) EnableMenuItem(system, SC_CLOSE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

CWindow* CWindow::GetFocus() { return WindowFromHandle(::GetFocus()); }

void CWindow::SetDefault() {
  if (!IsLibraryPushButton(mHwnd)) return;
  SetWindowLongPtrA(mHwndContainer, kExtraHomeDefault, reinterpret_cast<LONG_PTR>(mHwnd));
  UpdateDefaultButton(mHwnd);
}

void CWindow::UnsetDefault() {
  HWND home = reinterpret_cast<HWND>(GetWindowLongPtrA(mHwndContainer, kExtraHomeDefault));
  SetWindowLongPtrA(mHwndContainer, kExtraHomeDefault, 0);
  if (!home) return;
  SendMessageA(home, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  // Enter presses the button in the current slot: one that no longer looks
  // like the default must not stay there.
  if (reinterpret_cast<HWND>(GetWindowLongPtrA(mHwndContainer, kExtraDefaultButton)) == home)
    SetWindowLongPtrA(mHwndContainer, kExtraDefaultButton, 0);
}

unsigned char CWindow::IsDefault() {
  return IsClass(kPushButtonClassName) && (StyleOf(mHwnd) & kButtonTypeMask) == BS_DEFPUSHBUTTON ? 1 : 0;
}

bool CWindow::IsClass(const char* className) const { return mHwnd && !mHMenu && HasClassName(mHwnd, className); }

void CWindow::ChangeStyle(LONG clear, LONG add) {
  if (mHwnd) SetWindowLongA(mHwnd, GWL_STYLE, (StyleOf(mHwnd) & ~clear) | add);
}

void CWindow::JustifyRight() {
  if (IsClass(kEditClassName))
    RemakeWithStyle(ES_CENTER, ES_RIGHT);
  else if (IsClass(kStaticClassName))
    ChangeStyle(0xC, SS_RIGHT);
  else if (IsClass(kPushButtonClassName))
    AddStyle(kButtonRightAligned);
}

void CWindow::JustifyLeft() {
  if (IsClass(kPushButtonClassName)) AddStyle(kButtonLeftAligned);
}

void CWindow::SetUnreadable() {
  if (!IsClass(kEditClassName)) return;
  AddStyle(ES_PASSWORD);
  SendMessageA(mHwnd, EM_SETPASSWORDCHAR, '*', 0);
}

void CWindow::SetUpperCase() {
  if (IsClass(kEditClassName)) ChangeStyle(0x30, ES_UPPERCASE);
}

void CWindow::SetLowerCase() {
  if (IsClass(kEditClassName)) ChangeStyle(0x28, ES_LOWERCASE);
}

void CWindow::SetNumeric() {
  if (IsClass(kEditClassName)) ChangeStyle(0x38, ES_NUMBER);
}

void CWindow::SetPointerFocus() {
  if (IsClass(kPushButtonClassName)) ChangeStyle(kButtonKeepsFocus, 0);
}

void CWindow::SetNormalBackground() {
  if (!mHwnd || mHMenu) return;
  bool input = IsClass(kEditClassName) || IsClass(kFormattedEditClassName) || IsClass(kListBoxClassName);
  HBRUSH brush = input ? InputBackground() : static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  SetWindowLongPtrA(mHwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(brush));
  InvalidateRect(mHwnd, nullptr, TRUE);
}

void CWindow::SetDarkBackground() {
  if (!IsOwnContainer() && !IsLibraryPushButton(mHwnd)) return;
  SetWindowLongPtrA(mHwndContainer, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(GetStockObject(GRAY_BRUSH)));
  InvalidateRect(mHwnd, nullptr, TRUE);
}

void CWindow::SetBGColor(LONG_PTR brush) {
  if (!mHwnd) return;
  SetWindowLongPtrA(mHwnd, GWLP_USERDATA, brush);
  InvalidateRect(mHwnd, nullptr, TRUE);
}

int CWindow::SearchItem(const char* text) {
  const ItemMessages* items = ItemMessagesOf(mHwnd);
  if (!items) return 0;
  const char* accepted = AcceptedText(text);
  if (!accepted) return -1;
  return static_cast<int>(SendMessageA(mHwnd, items->selectString, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(accepted)));
}

unsigned int CWindow::GetNrOfItems() {
  const ItemMessages* items = ItemMessagesOf(mHwnd);
  if (!items) return 0;
  LRESULT count = SendMessageA(mHwnd, items->getCount, 0, 0);
  return count < 0 ? 0 : static_cast<unsigned int>(count);
}

void CWindow::SelectItem(int index) {
  if (IsMultipleSelectionList(mHwnd)) {
    SendMessageA(mHwnd, LB_SETSEL, TRUE, index);
  } else if (const ItemMessages* items = ItemMessagesOf(mHwnd)) {
    SendMessageA(mHwnd, items->setCurSel, index, 0);
  }
  OnSelect();
}

int CWindow::GetSelectedItem() {
  if (IsMultipleSelectionList(mHwnd)) {
    if (SendMessageA(mHwnd, LB_GETSELCOUNT, 0, 0) <= 0) return -1;
    int first = -1;
    SendMessageA(mHwnd, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&first));
    return first;
  }
  const ItemMessages* items = ItemMessagesOf(mHwnd);
  return items ? static_cast<int>(SendMessageA(mHwnd, items->getCurSel, 0, 0)) : -1;
}

// Per-call storage sized from the item itself: no text can run past it, and
// two threads reading items at once never share it.
void CWindow::GetItemText(int index, char* buffer, unsigned int maximum) {
  if (!buffer) return;
  buffer[0] = '\0';
  const ItemMessages* items = ItemMessagesOf(mHwnd);
  if (!items) return;
  LRESULT length = SendMessageA(mHwnd, items->getTextLen, index, 0);
  if (length < 0 || length >= static_cast<LRESULT>(kTextBufferSize)) return;
  std::string text(static_cast<size_t>(length) + 1, '\0');
  LRESULT copied = SendMessageA(mHwnd, items->getText, index, reinterpret_cast<LPARAM>(&text[0]));
  if (copied < 0) return;
  size_t kept = strnlen(text.c_str(), static_cast<size_t>(length));
  if (kept > maximum) kept = maximum;
  std::memcpy(buffer, text.data(), kept);
  buffer[kept] = '\0';
}

void CWindow::DeleteItem(int index) {
  const ItemMessages* items = ItemMessagesOf(mHwnd);
  if (!items) return;
  if (index >= -1)
    SendMessageA(mHwnd, items->deleteString, static_cast<WPARAM>(index), 0);
  else
    SendMessageA(mHwnd, items->resetContent, 0, 0);
}

void CWindow::InsertItem(int index, const char* text) {
  const ItemMessages* items = ItemMessagesOf(mHwnd);
  const char* accepted = AcceptedText(text);
  if (!items || !accepted) return;
  LRESULT position;
  if (index == -1)
    position = SendMessageA(mHwnd, items->addString, 0, reinterpret_cast<LPARAM>(accepted));
  else
    position = SendMessageA(mHwnd, items->insertString, index > 20000 ? static_cast<WPARAM>(-1) : index,
                            reinterpret_cast<LPARAM>(accepted));
  if (position < 0) return;
  if (IsMultipleSelectionList(mHwnd)) {
    // Such a list ignores LB_SETCURSEL: the new item becomes its only selection.
    SendMessageA(mHwnd, LB_SETSEL, FALSE, -1);
    SendMessageA(mHwnd, LB_SETSEL, TRUE, position);
    SendMessageA(mHwnd, LB_SETCARETINDEX, static_cast<WPARAM>(position), FALSE);
  } else {
    SendMessageA(mHwnd, items->setCurSel, static_cast<WPARAM>(position), 0);
  }
}

void CWindow::AppendSeparator() {}
void CWindow::AppendItem(const char* /*text*/) {}
void CWindow::LoadResource(unsigned int /*id*/) {}
void CWindow::OnActivate() {}
void CWindow::OnDeactivate() {}
void CWindow::OnChange() {
  if (!IsSettingText(this)) Notify(MsgChange);
}
void CWindow::OnCommand() { Notify(MsgCommand); }
void CWindow::OnRightButton() { Notify(MsgRightButton); }
void CWindow::OnLeftDoubleClick() { Notify(MsgCommand); }
void CWindow::OnRightDoubleClick() { Notify(MsgRightButton); }
void CWindow::OnCreate() {}
void CWindow::OnFocusSet() { Notify(MsgFocusSet); }
void CWindow::OnFocusLost() { Notify(MsgFocusLost); }
void CWindow::OnEscape() { Notify(MsgEscape); }
void CWindow::OnClose() { Notify(MsgClose); }
void CWindow::OnHelp() { Notify(MsgHelp); }
void CWindow::OnContextMenu() { Notify(MsgContextMenu); }
void CWindow::OnSelect() { Notify(MsgSelect); }
void CWindow::OnChar(int /*key*/) {}
void CWindow::AttachCallback(TCallback callback) { mCallback = callback; }
void CWindow::SetTextLimit(unsigned int maximum) { SendMessageA(mHwnd, EM_LIMITTEXT, maximum, 0); }
int CWindow::GetItemHeight() { return static_cast<int>(SendMessageA(mHwnd, LB_GETITEMHEIGHT, 0, 0)) + 4; }
void CWindow::SetFont(HFONT font) { SendMessageA(mHwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }
void CWindow::SetVisible() { ShowWindow(mHwnd, SW_SHOW); }
void CWindow::SetInvisible() { ShowWindow(mHwnd, SW_HIDE); }
unsigned char CWindow::IsVisible() { return IsWindowVisible(mHwnd) ? 1 : 0; }
unsigned char CWindow::IsEnabled() { return IsWindowEnabled(mHwnd) ? 1 : 0; }
unsigned char CWindow::IsIconic() { return ::IsIconic(mHwnd) ? 1 : 0; }
void CWindow::SetIndeterminate() { if (mHwnd) SendMessageA(mHwnd, BM_SETCHECK, BST_INDETERMINATE, 0); }
void CWindow::SetIconic() { SendMessageA(mHwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0); }
void CWindow::SetActive() {
  if (mHwnd && mHwndContainer) SetActiveWindow(mHwndContainer);
}
void CWindow::SetModal() { SetWindowPos(mHwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE); }
void CWindow::SetFocus() {
  if (mHwnd && !mHMenu) ::SetFocus(mHwnd);
}
unsigned char CWindow::HasFocus() { return mHwnd && ::GetFocus() == mHwnd ? 1 : 0; }
void CWindow::SetGroup() { AddStyle(WS_GROUP); }
void CWindow::SetInactive() {}
void CWindow::SetNonModal() {}
void CWindow::SetNoScroll() {}
void CWindow::SetEscape() {}
void CWindow::SetFirst() {}
void CWindow::SetPrev() {}
void CWindow::SetNext() {}
void CWindow::SetLast() {}
HWND CWindow::GetHwnd() const { return mHwnd; }
HWND CWindow::GetContainer() const { return mHwndContainer; }
HMENU CWindow::GetMenuHandle() const { return mHMenu; }
WNDPROC CWindow::GetOldWndProc() const { return mOldWndProc; }
int CWindow::GetItemCount() const { return mItemCount; }
TCallback CWindow::GetCallback() const { return mCallback; }
CLine* CWindow::GetLines() const { return mLines; }

void CWindow::RemakeWithStyle(LONG clear, LONG add) {
  HWND old = mHwnd;
  LONG style = (StyleOf(old) & ~clear) | add;
  if (style == StyleOf(old)) return;
  char className[32] = "";
  GetClassNameA(old, className, sizeof className);
  HWND parent = ::GetParent(old);
  RECT place;
  GetWindowRect(old, &place);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&place), 2);
  HWND fresh = CreateWindowExA(GetWindowLongA(old, GWL_EXSTYLE), className, "", style, place.left, place.top,
                               place.right - place.left, place.bottom - place.top, parent,
                               reinterpret_cast<HMENU>(GetWindowLongPtrA(old, GWLP_ID)), CWinApp::hInstance, nullptr);
  if (!fresh) {
    ErrorMessageBox("CreateWindow");
    return;
  }
  WNDPROC current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(old, GWLP_WNDPROC));
  if (current == ControlWndProc) SetWindowLongPtrA(fresh, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlWndProc));
  SetWindowLongPtrA(fresh, GWLP_USERDATA, GetWindowLongPtrA(old, GWLP_USERDATA));
  SendMessageA(fresh, WM_SETFONT, static_cast<WPARAM>(SendMessageA(old, WM_GETFONT, 0, 0)), FALSE);
  SendMessageA(fresh, EM_LIMITTEXT, static_cast<WPARAM>(SendMessageA(old, EM_GETLIMITTEXT, 0, 0)), 0);
  if (WPARAM password = static_cast<WPARAM>(SendMessageA(old, EM_GETPASSWORDCHAR, 0, 0)))
    SendMessageA(fresh, EM_SETPASSWORDCHAR, password, 0);
  // Right after the old window, so that the Tab order stays.
  SetWindowPos(fresh, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  int length = GetWindowTextLengthA(old);
  std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  GetWindowTextA(old, &text[0], length + 1);
  bool focused = ::GetFocus() == old;
  mHwnd = fresh;
  {
    SettingText setting(this);
    SetWindowTextA(fresh, text.c_str());
  }
  if (focused) ::SetFocus(fresh);
  if (HasClassName(parent, kMainClassName) &&
      GetWindowLongPtrA(parent, kExtraLastFocus) == reinterpret_cast<LONG_PTR>(old))
    SetWindowLongPtrA(parent, kExtraLastFocus, reinterpret_cast<LONG_PTR>(fresh));
  SetWindowLongPtrA(old, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mOldWndProc ? mOldWndProc : DefWindowProcA));
  DestroyWindow(old);
}
