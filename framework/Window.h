// The base of every window, control and menu object of the class library:
// one Win32 window (or menu entry) bound to one library object, created and
// placed in library units, with one flat set of operations for all kinds.
#pragma once

#include <windows.h>

#include "framework/Export.h"
#include "framework/Object.h"

// The event kinds handed to an attached callback; the values are fixed.
enum TMessage {
  MsgChange = 0,
  MsgCommand = 1,
  MsgSelect = 2,
  MsgFocusSet = 3,
  MsgFocusLost = 4,
  MsgRightButton = 7,
  MsgHelp = 9,
  MsgEscape = 10,
  MsgClose = 11,
  MsgContextMenu = 12,
};

class CWindow;
using TCallback = void (*)(CWindow* window, TMessage message);

// Every text passes Win32 in a buffer of this size, terminating zero included;
// longer texts are refused.
const unsigned int kTextBufferSize = 60000;

class CLine;

// Null stands for the empty text; a text that does not fit the library's
// text buffer with its terminating zero is refused (null result).
const char* AcceptedText(const char* text);

class KBL_EXPORT CWindow : public CObject {
 public:
  explicit CWindow(CWindow* parent);
  CWindow(const CWindow& other);
  // Takes the other's callback only: the window, the id and the place in
  // the tree stay this object's own.
  CWindow& operator=(const CWindow& other);
  // Not virtual: a parent destroys its children as plain CWindow objects,
  // after running what they registered with ReleaseOnDestroy.
  ~CWindow();

  virtual void AppendSeparator();
  virtual void AppendItem(const char* text);
  virtual void LoadResource(unsigned int id);
  virtual int SearchItem(const char* text);
  virtual unsigned int GetNrOfItems();
  virtual void SelectItem(int index);
  virtual int GetSelectedItem();
  virtual void GetItemText(int index, char* buffer, unsigned int maximum);
  virtual void DeleteItem(int index);
  virtual void InsertItem(int index, const char* text);
  virtual void OnActivate();
  virtual void OnDeactivate();
  virtual void OnChange();
  virtual void OnCommand();
  virtual void OnRightButton();
  virtual void OnLeftDoubleClick();
  virtual void OnRightDoubleClick();
  virtual void OnCreate();
  virtual void OnFocusSet();
  virtual void OnFocusLost();
  virtual void OnEscape();
  virtual void OnClose();
  virtual void OnHelp();
  virtual void OnContextMenu();
  virtual void OnSelect();
  virtual void OnChar(int key);

  void Create(const char* text, int x, int y, int width, int height, const char* className,
              unsigned long style);
  void AttachCallback(TCallback callback);
  void DefineAccelerator(int key, int flags);

  void SetText(const char* text);
  char* GetText(char* buffer, unsigned int maximum);
  void SetTextLimit(unsigned int maximum);
  void Select();

  void SetPosition(int x, int y, int width, int height);
  void SetSize(int width, int height);
  void GetPosition(int* x, int* y, int* width, int* height);
  int GetFontHeight();
  int GetFontWidth();
  int GetItemHeight();

  void SetFont(HFONT font);
  void SetFont(const char* faceName, long height);

  void SetVisible();
  void SetInvisible();
  unsigned char IsVisible();
  unsigned char IsEnabled();
  unsigned char IsIconic();
  void Enable();
  void Disable();
  void SetChecked();
  void SetUnchecked();
  void SetIndeterminate();
  unsigned char IsChecked();
  void SetIconic();
  void EnableSysClose(unsigned char enable);
  void SetActive();
  void SetModal();
  void SetFocus();
  CWindow* GetFocus();
  unsigned char HasFocus();
  void SetGroup();
  void SetDefault();
  void UnsetDefault();
  unsigned char IsDefault();
  // Escape, Tab and the arrows are handled by the dispatch for every control.
  void SetInactive();
  void SetNonModal();
  void SetNoScroll();
  void SetEscape();
  void SetFirst();
  void SetPrev();
  void SetNext();
  void SetLast();

  void JustifyRight();
  void JustifyLeft();
  void SetUnreadable();
  void SetUpperCase();
  void SetLowerCase();
  void SetNumeric();
  void SetPointerFocus();

  void SetNormalBackground();
  void SetDarkBackground();
  // The value is used as a brush handle wherever the background is painted.
  void SetBGColor(LONG_PTR brush);

  HWND GetHwnd() const;
  HWND GetContainer() const;
  HMENU GetMenuHandle() const;
  WNDPROC GetOldWndProc() const;
  int GetItemCount() const;
  TCallback GetCallback() const;
  CLine* GetLines() const;

 protected:
  void Notify(TMessage message) {
    if (mCallback) mCallback(this, message);
  }
  // Class name of the own window, empty before Create.
  bool IsClass(const char* className) const;
  void AddStyle(LONG bits) { ChangeStyle(0, bits); }
  void ChangeStyle(LONG clear, LONG add);
  bool IsMenuEntry() const { return mHMenu && !mHwnd; }
  // mHMenu of a menu bar is the window it hangs in, not a menu.
  bool IsPopupMenu() const { return mHMenu && mHwnd && reinterpret_cast<HWND>(mHMenu) != mHwndContainer; }
  bool IsOwnContainer() const { return mHwnd && mHwnd == mHwndContainer; }
  // A hidden "KBLMAIN" window that is its own container and knows this object.
  void CreateTopLevel(const char* text, unsigned long style, HWND owner);
  // Pixel offset of positions given relative to the parent object.
  POINT ParentOffset() const;
  bool IsPlacedOnScreen() const;
  CWindow* ParentWindow() const { return static_cast<CWindow*>(mParent); }
  // A memberwise copy owns neither the window nor the children it points to.
  bool IsCopy() const { return mId && Lookup(mId) != this; }
  bool IsMenuBar() const { return mHMenu && mHwnd && reinterpret_cast<HWND>(mHMenu) == mHwndContainer; }

  // What a derived class owns must go however the object goes, also when a
  // parent destroys it as a plain CWindow: release runs once, with this
  // object, from ReleaseOwned or from the window base's destructor.
  using TRelease = void (*)(CWindow* window);
  void ReleaseOnDestroy(TRelease release);
  void ReleaseOwned();
  // The procedure the window keeps while it is destroyed.
  WNDPROC DyingProcedure() const;
  // Styles an edit control reads only when it is made: the window is made
  // anew with them, in the old one's place, order, id, text and state.
  void RemakeWithStyle(LONG clear, LONG add);

  HWND mHwndContainer;
  HWND mHwnd;
  HMENU mHMenu;
  WNDPROC mOldWndProc;
  int mItemCount;
  TCallback mCallback;
  CLine* mLines;

  friend LRESULT CALLBACK ControlWndProc(HWND, UINT, WPARAM, LPARAM);
  friend class CLine;
};
