// A modal property sheet whose pages are made from ordinary library windows:
// each page takes its window's caption and size and holds one "OK" button.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/Window.h"

const int kMaxSheetPages = 20;

class KBL_EXPORT CPropertySheet : public CWindow {
 public:
  explicit CPropertySheet(CWindow* parent);
  CPropertySheet(const CPropertySheet& other);
  CPropertySheet& operator=(const CPropertySheet& other);
  // Pages never shown are destroyed with their templates.
  ~CPropertySheet();

  // The page window must exist already; it is only read. A page beyond the
  // twentieth, or of a window not created, is refused.
  void CreatePage(const char* title, CWindow* page);
  // Modal; returns when the user closes the sheet, which destroys its pages,
  // so the sheet is empty again afterwards and takes new pages.
  void Create(const char* caption);

  int GetPageCount() const { return mPageCount; }

 protected:
  int mPageCount;
  HPROPSHEETPAGE mPages[kMaxSheetPages];

 private:
  static void ReleasePages(CWindow* window);
};

// A dialog template in a zero-filled LocalAlloc block of at least 256 bytes,
// sized to hold the window's whole caption; null when out of memory.
KBL_EXPORT void* BuildPageTemplate(HWND window);
// Leaves every message to the system's default dialog handling.
KBL_EXPORT INT_PTR CALLBACK PageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
