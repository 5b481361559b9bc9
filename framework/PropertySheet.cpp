#include "framework/PropertySheet.h"

#include <map>
#include <mutex>

#include "framework/WinApp.h"

namespace {

// The system reads a page's template whenever it builds the page, so each
// block lives until the page is gone. Keyed by page, so that a memberwise
// copy of a sheet can neither free a block twice nor show a dead page.
std::mutex templatesLock;
std::map<HPROPSHEETPAGE, HLOCAL> templates;

bool IsLivePage(HPROPSHEETPAGE page) {
  std::lock_guard<std::mutex> hold(templatesLock);
  return templates.count(page) != 0;
}

void ForgetPage(HPROPSHEETPAGE page, bool destroy) {
  HLOCAL block = nullptr;
  {
    std::lock_guard<std::mutex> hold(templatesLock);
    auto found = templates.find(page);
    if (found == templates.end()) return;
    block = found->second;
    templates.erase(found);
  }
  if (destroy) DestroyPropertySheetPage(page);
  LocalFree(block);
}

const DWORD kPageStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;  // 0x10C80080
const size_t kMinTemplateBytes = 256;
// Header 22, alignment up to 2, the item with class, "OK" and creation data 30.
const size_t kTemplateFixedBytes = 22 + 2 + 30;

WORD* PutLong(WORD* at, DWORD value) {
  *at++ = LOWORD(value);
  *at++ = HIWORD(value);
  return at;
}

}  // namespace

void* BuildPageTemplate(HWND window) {
  RECT r = {0, 0, 0, 0};
  GetWindowRect(window, &r);
  char text[160] = "";
  GetWindowTextA(window, text, sizeof text);
  WCHAR title[160];
  int titleWords = MultiByteToWideChar(CP_ACP, 0, text, -1, title, 160);
  if (titleWords <= 0) {
    title[0] = 0;
    titleWords = 1;
  }

  size_t bytes = kTemplateFixedBytes + 2 * static_cast<size_t>(titleWords);
  if (bytes < kMinTemplateBytes) bytes = kMinTemplateBytes;
  BYTE* block = static_cast<BYTE*>(LocalAlloc(LMEM_ZEROINIT, bytes));
  if (!block) return nullptr;

  WORD* at = reinterpret_cast<WORD*>(block);
  at = PutLong(at, kPageStyle);
  at = PutLong(at, 0);
  *at++ = 1;  // one item
  *at++ = static_cast<WORD>(r.left);
  *at++ = static_cast<WORD>(r.top);
  *at++ = static_cast<WORD>(r.right - r.left);
  *at++ = static_cast<WORD>(r.bottom - r.top);
  *at++ = 0;  // no menu
  *at++ = 0;  // the default dialog class
  for (int i = 0; i < titleWords; ++i) *at++ = title[i];

  at = reinterpret_cast<WORD*>(block + ((reinterpret_cast<BYTE*>(at) - block + 3) & ~size_t{3}));
  at = PutLong(at, WS_CHILD | WS_VISIBLE);
  at = PutLong(at, 0);
  *at++ = 10;
  *at++ = 10;
  *at++ = 75;
  *at++ = 25;
  *at++ = IDOK;
  *at++ = 0xFFFF;
  *at++ = 0x0080;  // the system button class
  *at++ = 'O';
  *at++ = 'K';
  *at++ = 0;
  *at++ = 0;  // no creation data
  return block;
}

INT_PTR CALLBACK PageDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

CPropertySheet::CPropertySheet(CWindow* parent) : CWindow(parent), mPageCount(0), mPages() {
  ReleaseOnDestroy(ReleasePages);
}
// A copy shows the original's pages but never destroys them.
CPropertySheet::CPropertySheet(const CPropertySheet& other) = default;

// The pages belong to the sheet that made them: an assignment keeps its own.
CPropertySheet& CPropertySheet::operator=(const CPropertySheet& other) {
  CWindow::operator=(other);
  return *this;
}

CPropertySheet::~CPropertySheet() { ReleaseOwned(); }

void CPropertySheet::ReleasePages(CWindow* window) {
  CPropertySheet* sheet = static_cast<CPropertySheet*>(window);
  for (int i = 0; i < sheet->mPageCount; ++i) ForgetPage(sheet->mPages[i], true);
  sheet->mPageCount = 0;
}

void CPropertySheet::CreatePage(const char* title, CWindow* page) {
  if (mPageCount >= kMaxSheetPages || !page || !page->GetHwnd()) return;
  void* pageTemplate = BuildPageTemplate(page->GetHwnd());
  if (!pageTemplate) return;

  PROPSHEETPAGEA description = {};
  description.dwSize = PROPSHEETPAGEA_V1_SIZE;
  description.dwFlags = PSP_DLGINDIRECT;
  description.hInstance = CWinApp::hInstance;
  description.pResource = static_cast<LPCDLGTEMPLATE>(pageTemplate);
  description.pszTitle = title;
  description.pfnDlgProc = PageDialogProc;
  description.lParam = 0;
  HPROPSHEETPAGE handle = CreatePropertySheetPageA(&description);
  if (!handle) {
    LocalFree(pageTemplate);
    return;
  }
  {
    std::lock_guard<std::mutex> hold(templatesLock);
    templates[handle] = pageTemplate;
  }
  mPages[mPageCount++] = handle;
}

void CPropertySheet::Create(const char* caption) {
  CWindow* parent = ParentWindow();
  HWND owner = parent ? parent->GetContainer() : GetActiveWindow();
  mHwndContainer = owner;

  HPROPSHEETPAGE pages[kMaxSheetPages];
  UINT count = 0;
  for (int i = 0; i < mPageCount; ++i)
    if (IsLivePage(mPages[i])) pages[count++] = mPages[i];
  mPageCount = 0;
  // A sheet without pages would be an empty modal window.
  if (count == 0) return;

  PROPSHEETHEADERA header = {};
  header.dwSize = PROPSHEETHEADERA_V1_SIZE;
  header.dwFlags = 0;
  header.hwndParent = owner;
  header.hInstance = CWinApp::hInstance;
  header.pszCaption = caption;
  header.nPages = count;
  header.nStartPage = 0;
  header.phpage = pages;
  PropertySheetA(&header);
  // The system has destroyed the pages with the sheet.
  for (UINT i = 0; i < count; ++i) ForgetPage(pages[i], false);
}
