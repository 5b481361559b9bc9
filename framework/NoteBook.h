// The notebook with major and minor pages, the container and the table
// window of the class library. Their operations are declared for the
// modules that call them and change nothing yet.
#pragma once

#include "framework/Window.h"

class KBL_EXPORT CContainer : public CWindow {
 public:
  explicit CContainer(CWindow* parent);
  KBL_COPYABLE(CContainer);
  void Create(int x, int y, int width, int height);
};

class KBL_EXPORT CTableWindow : public CWindow {
 public:
  explicit CTableWindow(CWindow* parent);
  KBL_COPYABLE(CTableWindow);
  void Create(const char* text, int x, int y, int width, int height);
  void AppendColumn(const char* title, int width);
  void AppendLines(int first, int count);
  void SetText(int line, int column, const char* text);
  void SetLineCount(int count);
  virtual void SetLine(unsigned int line, unsigned int column, unsigned int value);
  virtual void SelectCol(unsigned int column);
  virtual void SelectLin(unsigned int line);
};

class KBL_EXPORT CNoteBook : public CWindow {
 public:
  explicit CNoteBook(CWindow* parent);
  KBL_COPYABLE(CNoteBook);
  void Create(const char* text, int x, int y, int width, int height);
  void SetMajorTabDimensions(int width, int height);
  void SetMinorTabDimensions(int width, int height);
  // No page is ever current.
  CWindow* GetCurrentPage();
};

class KBL_EXPORT CNoteBookPage : public CWindow {
 public:
  CNoteBookPage(CWindow* parent, CWindow* notebook);
  KBL_COPYABLE(CNoteBookPage);
  void Create(const char* text, int kind);
  void SetText(const char* text);
  void SetTabText(const char* text);
  void SetCurrentPage();

 protected:
  CWindow* mNoteBook;  // kept for the callers that pass it; not used
};

class KBL_EXPORT CNoteBookMajorPage : public CNoteBookPage {
 public:
  CNoteBookMajorPage(CWindow* parent, CWindow* notebook);
  KBL_COPYABLE(CNoteBookMajorPage);
  void Create(const char* text);
};

class KBL_EXPORT CNoteBookMinorPage : public CNoteBookPage {
 public:
  CNoteBookMinorPage(CWindow* parent, CWindow* notebook);
  KBL_COPYABLE(CNoteBookMinorPage);
  void Create(const char* text);
};
