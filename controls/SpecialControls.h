// Refinements of the standard controls, each changing one thing: a text's
// alignment or font, a character limit, a fixed-pitch font, ordered list
// insertion, a two-state push button, a dialog that hides when left.
#pragma once

#include "framework/Controls.h"
#include "framework/TopWindows.h"

class KBL_EXPORT CBlackText : public CText {
 public:
  explicit CBlackText(CWindow* parent);
  KBL_COPYABLE(CBlackText);
  CBlackText& Create(const char* text, int x, int y, int width, int height);
};

// Centred and word-wrapped.
class KBL_EXPORT CCText : public CText {
 public:
  explicit CCText(CWindow* parent);
  KBL_COPYABLE(CCText);
  CCText& Create(const char* text, int x, int y, int width, int height);
};

class KBL_EXPORT CMonoText : public CBlackText {
 public:
  explicit CMonoText(CWindow* parent);
  KBL_COPYABLE(CMonoText);
  CMonoText& Create(const char* text, int x, int y, int width, int height);
};

class KBL_EXPORT CSizedEF : public CEntryField {
 public:
  explicit CSizedEF(CWindow* parent);
  KBL_COPYABLE(CSizedEF);
  void Create(const char* text, int x, int y, int width, int height, int limit);
};

class KBL_EXPORT CMonoMLE : public CMLE {
 public:
  explicit CMonoMLE(CWindow* parent);
  KBL_COPYABLE(CMonoMLE);
  void Create(const char* text, int x, int y, int width, int height);
  // The whole text with line feeds alone between lines, or null when empty;
  // the caller releases it with free.
  char* GetBuffer();
};

// Items compared byte by byte as strcmp does, whole whatever their length.

class KBL_EXPORT CSortedLB : public CListBox {
 public:
  explicit CSortedLB(CWindow* parent);
  KBL_COPYABLE(CSortedLB);
  // Before the first item the text precedes (follows); equal texts go after.
  void AppendItemAscend(const char* text);
  void AppendItemDescend(const char* text);
  // The first selected index after the given one, or -1.
  int GetNextSelectedItem(unsigned short index);
  // Replaces the item in place; the order rule is not applied.
  void SetItemText(unsigned short index, const char* text);
  void SetRefresh(int on);
  void DeleteAll();

 private:
  void InsertOrdered(const char* text, int direction);
};

class KBL_EXPORT CMonoLB : public CSortedLB {
 public:
  explicit CMonoLB(CWindow* parent);
  KBL_COPYABLE(CMonoLB);
  void Create(int x, int y, int width, int height);
};

// A push button bound to the caller's variable: each click flips the state
// and caption; the variable changes only when the owner calls Update.
class KBL_EXPORT CTogglePB : public CPushButton {
 public:
  CTogglePB(CWindow* parent, int* stateVariable);
  // A copy owns copies of the two captions.
  CTogglePB(const CTogglePB& other);
  CTogglePB& operator=(const CTogglePB& other);
  ~CTogglePB();

  // Null texts stand for "Disable" (on) and "Enable" (off).
  void Create(const char* onText, const char* offText, int x, int y, int width, int height);
  void OnCommand() override;
  virtual void Update();
  virtual void Toggle();
  virtual void SetState(int state);
  int GetState() const;

 protected:
  int mState;
  int* mStateVar;
  char* mOnText;
  char* mOffText;

 private:
  static void Release(CWindow* window);
};

// Hides itself (it is not destroyed) whenever another window becomes active.
class KBL_EXPORT CAHDialogWin : public CDialogWin {
 public:
  explicit CAHDialogWin(CWindow* parent);
  KBL_COPYABLE(CAHDialogWin);
  void OnDeactivate() override;
};
