// The standard controls of the class library: each fixes a Win32 window
// class, a style and its defaults; everything else is the window base.
#pragma once

#include "framework/Window.h"

class KBL_EXPORT CText : public CWindow {
 public:
  explicit CText(CWindow* parent);
  KBL_COPYABLE(CText);
  void Create(const char* text, int x, int y, int width, int height);
};

// Its children are siblings inside the container, placed relative to the box.
class KBL_EXPORT CGroupBox : public CWindow {
 public:
  explicit CGroupBox(CWindow* parent);
  KBL_COPYABLE(CGroupBox);
  void Create(const char* text, int x, int y, int width, int height);
};

// The "Group" window class is not the library's: an application that wants
// the window registers it; otherwise Create reports the failure.
class KBL_EXPORT CGroup : public CWindow {
 public:
  explicit CGroup(CWindow* parent);
  KBL_COPYABLE(CGroup);
  void Create(int x, int y);
};

class KBL_EXPORT CFrameWin : public CWindow {
 public:
  explicit CFrameWin(CWindow* parent);
  KBL_COPYABLE(CFrameWin);
  void Create(int x, int y, int width, int height);
};

class KBL_EXPORT CPushButton : public CWindow {
 public:
  explicit CPushButton(CWindow* parent);
  KBL_COPYABLE(CPushButton);
  void Create(const char* text, int x, int y, int width, int height);
};

class KBL_EXPORT CRadioButton : public CWindow {
 public:
  explicit CRadioButton(CWindow* parent);
  KBL_COPYABLE(CRadioButton);
  void Create(const char* text, int x, int y, int width, int height);
};

class KBL_EXPORT CCheckBox : public CWindow {
 public:
  explicit CCheckBox(CWindow* parent);
  KBL_COPYABLE(CCheckBox);
  void Create(const char* text, int x, int y, int width, int height);
};

// With an input format the field is a "KblFEdit" that keeps a pointer to the
// caller's format, which must outlive the window.
class KBL_EXPORT CEntryField : public CWindow {
 public:
  explicit CEntryField(CWindow* parent);
  KBL_COPYABLE(CEntryField);
  void Create(const char* text, int x, int y, int width, int height, const char* format = nullptr);
};

class KBL_EXPORT CMLE : public CWindow {
 public:
  explicit CMLE(CWindow* parent);
  KBL_COPYABLE(CMLE);
  void Create(const char* text, int x, int y, int width, int height);
};

// The list box's style (0x40A10909) and the strip left above it, for a list
// made with more style of its own.
constexpr unsigned long kListBoxStyle = WS_CHILD | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_EXTENDEDSEL |
                                        LBS_NOINTEGRALHEIGHT | LBS_MULTIPLESEL | LBS_NOTIFY;
constexpr int kListBoxStrip = 4;

class KBL_EXPORT CListBox : public CWindow {
 public:
  explicit CListBox(CWindow* parent);
  KBL_COPYABLE(CListBox);
  // The list starts 4 units below y, leaving a strip above it.
  void Create(int x, int y, int width, int height);
  void AppendItem(const char* text) override;
  CListBox& operator<<(const char* text);
};

class KBL_EXPORT CComboBox : public CWindow {
 public:
  explicit CComboBox(CWindow* parent);
  KBL_COPYABLE(CComboBox);
  void Create(const char* text, int x, int y, int width, int height);
  void AppendItem(const char* text) override;
  CComboBox& operator<<(const char* text);
};

// A place holder: no window is made.
class KBL_EXPORT CClientWindow : public CWindow {
 public:
  explicit CClientWindow(CWindow* parent);
  KBL_COPYABLE(CClientWindow);
  void Create(const char* text, int x, int y, int width, int height);
};

// A line remembered by its parent window (newest first); nothing paints it.
class KBL_EXPORT CLine : public CWindow {
 public:
  explicit CLine(CWindow* parent);
  // A copy is in no parent's list of lines.
  CLine(const CLine& other);
  CLine& operator=(const CLine& other);
  // Leaves the parent's list, so that it never points to a dead line.
  ~CLine();
  void Draw(int x1, int y1, int x2, int y2);
  CLine* GetNextLine() const;

 protected:
  int mX1;
  int mY1;
  int mX2;
  int mY2;
  CLine* mNextLine;
};
