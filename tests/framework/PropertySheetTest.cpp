// The property sheet on real windows: page templates read back word by word,
// a sheet of two pages shown, switched and closed by a helper thread, the
// page limit; and the notebook, container and table window as callers see them.
#include "framework/PropertySheet.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "framework/LibraryState.h"
#include "framework/NoteBook.h"
#include "tests/framework/GuiSupport.h"

namespace {

// Reads a template back as the system does.
struct ReadTemplate {
  DWORD style = 0, exStyle = 0;
  WORD items = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring title;
  DWORD itemStyle = 0;
  short ix = 0, iy = 0, icx = 0, icy = 0;
  WORD id = 0, classMark = 0, classValue = 0;
  std::wstring itemText;
  WORD creationBytes = 0xFFFF;
  size_t endOffset = 0;
};

ReadTemplate Read(const void* block) {
  const WORD* at = static_cast<const WORD*>(block);
  auto longAt = [&] {
    DWORD value = at[0] | (static_cast<DWORD>(at[1]) << 16);
    at += 2;
    return value;
  };
  ReadTemplate t;
  t.style = longAt();
  t.exStyle = longAt();
  t.items = *at++;
  t.x = static_cast<short>(*at++);
  t.y = static_cast<short>(*at++);
  t.cx = static_cast<short>(*at++);
  t.cy = static_cast<short>(*at++);
  EXPECT_EQ(*at++, 0);  // menu
  EXPECT_EQ(*at++, 0);  // class
  while (*at) t.title += static_cast<wchar_t>(*at++);
  ++at;
  const BYTE* base = static_cast<const BYTE*>(block);
  size_t offset = reinterpret_cast<const BYTE*>(at) - base;
  EXPECT_LE(offset % 4, 2u);
  at = reinterpret_cast<const WORD*>(base + ((offset + 3) & ~size_t{3}));
  t.itemStyle = longAt();
  longAt();
  t.ix = static_cast<short>(*at++);
  t.iy = static_cast<short>(*at++);
  t.icx = static_cast<short>(*at++);
  t.icy = static_cast<short>(*at++);
  t.id = *at++;
  t.classMark = *at++;
  t.classValue = *at++;
  while (*at) t.itemText += static_cast<wchar_t>(*at++);
  ++at;
  t.creationBytes = *at++;
  t.endOffset = reinterpret_cast<const BYTE*>(at) - base;
  return t;
}

class Sheets : public MainWindowTest {
 protected:
  Sheets() : MainWindowTest("Sheet owner", 40, 40, 400, 300) {}
  // A library top-level window to build pages from.
  TestDialog* Source(const char* text) {
    auto* source = new TestDialog(main_);
    source->CreateTop(text, 10, 8, 150, 100);
    return source;
  }
};

TEST_F(Sheets, PageTemplateHoldsCaptionSizeAndOneOkButton) {
  TestDialog* source = Source("General");
  RECT place;
  GetWindowRect(source->GetHwnd(), &place);
  ASSERT_GT(place.right - place.left, 100);
  void* block = BuildPageTemplate(source->GetHwnd());
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(LocalSize(block), 256u);
  ReadTemplate t = Read(block);
  EXPECT_EQ(t.style, 0x10C80080u);
  EXPECT_EQ(t.exStyle, 0u);
  EXPECT_EQ(t.items, 1);
  EXPECT_EQ(t.x, place.left);
  EXPECT_EQ(t.y, place.top);
  EXPECT_EQ(t.cx, place.right - place.left);
  EXPECT_EQ(t.cy, place.bottom - place.top);
  EXPECT_EQ(t.title, L"General");
  EXPECT_EQ(t.itemStyle, static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
  EXPECT_EQ(t.ix, 10);
  EXPECT_EQ(t.iy, 10);
  EXPECT_EQ(t.icx, 75);
  EXPECT_EQ(t.icy, 25);
  EXPECT_EQ(t.id, IDOK);
  EXPECT_EQ(t.classMark, 0xFFFF);
  EXPECT_EQ(t.classValue, 0x0080);
  EXPECT_EQ(t.itemText, L"OK");
  EXPECT_EQ(t.creationBytes, 0);
  LocalFree(block);
}

TEST_F(Sheets, LongAndForeignCaptionsFitTheirBlock) {
  // 159 characters, the most a caption gives, need more than 256 bytes.
  std::string caption(159, 'x');
  caption[0] = static_cast<char>(0xE4);  // a-umlaut in the Western code page
  TestDialog* source = Source(caption.c_str());
  void* block = BuildPageTemplate(source->GetHwnd());
  ASSERT_NE(block, nullptr);
  ReadTemplate t = Read(block);
  EXPECT_EQ(t.title.size(), 159u);
  EXPECT_EQ(t.title[0], L'\u00E4');
  EXPECT_EQ(t.itemText, L"OK");
  EXPECT_LE(t.endOffset, LocalSize(block));
  EXPECT_GT(LocalSize(block), 256u);
  LocalFree(block);
  // No text at all: an empty title, the button still in place.
  TestDialog* bare = Source("");
  block = BuildPageTemplate(bare->GetHwnd());
  ASSERT_NE(block, nullptr);
  t = Read(block);
  EXPECT_TRUE(t.title.empty());
  EXPECT_EQ(t.id, IDOK);
  LocalFree(block);
}

// Waits for the sheet, looks at it, switches pages, then cancels it.
struct SheetVisit {
  std::atomic<bool> found{false};
  HWND owner = nullptr;
  std::string caption;
  std::vector<std::string> tabs;
  int pageAfterSwitch = -1;
  bool okOnEachPage = true;
  RECT okPlace = {};  // left, top, width, height
  RECT expectedPlace = {};

  static BOOL CALLBACK FindSheet(HWND window, LPARAM result) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::string(name) == "#32770" &&
        FindWindowExA(window, nullptr, "SysTabControl32", nullptr)) {
      *reinterpret_cast<HWND*>(result) = window;
      return FALSE;
    }
    return TRUE;
  }

  void Visit() {
    HWND sheet = nullptr;
    for (int waited = 0; !sheet && waited < 10000; waited += 20) {
      EnumWindows(FindSheet, reinterpret_cast<LPARAM>(&sheet));
      if (!sheet) Sleep(20);
    }
    if (!sheet) return;
    Sleep(100);
    found = true;
    owner = GetWindow(sheet, GW_OWNER);
    char text[128] = "";
    GetWindowTextA(sheet, text, sizeof text);
    caption = text;
    HWND tab = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    int count = static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      char label[64] = "";
      TCITEMA item = {};
      item.mask = TCIF_TEXT;
      item.pszText = label;
      item.cchTextMax = sizeof label;
      SendMessageA(tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
      tabs.push_back(label);
    }
    for (int i = 0; i < count; ++i) {
      SendMessageA(sheet, PSM_SETCURSEL, i, 0);
      HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
      HWND ok = page ? GetDlgItem(page, IDOK) : nullptr;
      if (!ok) {
        okOnEachPage = false;
        continue;
      }
      GetWindowRect(ok, &okPlace);
      MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&okPlace), 2);
      // Each value mapped alone, as the dialog manager does.
      expectedPlace = {10, 10, 75, 25};
      MapDialogRect(page, &expectedPlace);
      okPlace.right -= okPlace.left;
      okPlace.bottom -= okPlace.top;
    }
    pageAfterSwitch = TabCtrl_GetCurSel(tab);
    SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    // The sheet's loop notices its end only at its next posted message.
    PostMessageA(sheet, WM_NULL, 0, 0);
  }
};

TEST_F(Sheets, TwoPagesShownSwitchedAndClosed) {
  TestDialog* general = Source("General");
  TestDialog* advanced = Source("Advanced");
  CPropertySheet sheet(main_);
  sheet.CreatePage("General", general);
  sheet.CreatePage("Advanced", advanced);
  EXPECT_EQ(sheet.GetPageCount(), 2);
  SheetVisit visit;
  std::thread helper([&] { visit.Visit(); });
  sheet.Create("Settings");
  helper.join();
  ASSERT_TRUE(visit.found);
  EXPECT_EQ(visit.caption.find("Settings"), 0u);
  EXPECT_EQ(visit.owner, main_->GetHwnd());
  EXPECT_EQ(sheet.GetContainer(), main_->GetHwnd());
  EXPECT_EQ(visit.tabs, (std::vector<std::string>{"General", "Advanced"}));
  EXPECT_EQ(visit.pageAfterSwitch, 1);
  EXPECT_TRUE(visit.okOnEachPage);
  EXPECT_EQ(visit.okPlace.left, visit.expectedPlace.left);
  EXPECT_EQ(visit.okPlace.top, visit.expectedPlace.top);
  EXPECT_EQ(visit.okPlace.right, visit.expectedPlace.right);
  EXPECT_EQ(visit.okPlace.bottom, visit.expectedPlace.bottom);
  // The system destroyed the pages: the sheet is empty and a second show
  // returns at once instead of opening an empty window.
  EXPECT_EQ(sheet.GetPageCount(), 0);
  sheet.Create("Again");
}

TEST_F(Sheets, WithoutAParentTheActiveWindowOwnsTheSheet) {
  TestDialog* page = Source("Only");
  SetForegroundWindow(main_->GetHwnd());
  SetActiveWindow(main_->GetHwnd());
  Pump();
  ASSERT_EQ(GetActiveWindow(), main_->GetHwnd());
  CPropertySheet sheet(nullptr);
  sheet.CreatePage("Only", page);
  SheetVisit visit;
  std::thread helper([&] { visit.Visit(); });
  sheet.Create("Orphan");
  helper.join();
  ASSERT_TRUE(visit.found);
  EXPECT_EQ(visit.owner, main_->GetHwnd());
  EXPECT_EQ(visit.tabs, (std::vector<std::string>{"Only"}));
}

TEST_F(Sheets, TwentyPagesAtMostAndNoneFromAMissingWindow) {
  TestDialog* source = Source("Page");
  CWindow notCreated(nullptr);
  CPropertySheet other(nullptr);
  other.CreatePage("None", &notCreated);
  other.CreatePage("None", nullptr);
  EXPECT_EQ(other.GetPageCount(), 0);
  // Pages never shown go with the sheet; its copy frees nothing twice.
  CPropertySheet sheet(nullptr);
  for (int i = 0; i < 25; ++i) sheet.CreatePage("Page", source);
  EXPECT_EQ(sheet.GetPageCount(), kMaxSheetPages);
  CPropertySheet copy(sheet);
}

TEST_F(Sheets, NotebookContainerAndTableWindowChangeNothing) {
  CNoteBook notebook(main_);
  EXPECT_EQ(notebook.GetCurrentPage(), nullptr);
  notebook.Create("Book", 0, 0, 100, 100);
  notebook.SetMajorTabDimensions(10, 10);
  notebook.SetMinorTabDimensions(10, 10);
  CNoteBookMajorPage major(main_, &notebook);
  major.Create("Major");
  major.SetTabText("Tab");
  major.SetCurrentPage();
  CNoteBookMinorPage minor(main_, &notebook);
  minor.Create("Minor");
  EXPECT_EQ(notebook.GetCurrentPage(), nullptr);
  EXPECT_EQ(notebook.GetHwnd(), nullptr);
  EXPECT_EQ(major.GetHwnd(), nullptr);

  // The table window's text call leaves the window it stands on alone.
  CTableWindow table(main_);
  table.Create("Table", 0, 0, 100, 100);
  table.AppendColumn("A", 10);
  table.AppendLines(0, 5);
  table.SetLineCount(5);
  table.SetText(0, 0, "changed");
  CTableWindow* asBase = &table;
  asBase->SetLine(1, 2, 3);
  asBase->SelectCol(1);
  asBase->SelectLin(1);
  EXPECT_EQ(table.GetHwnd(), nullptr);
  char caption[32];
  GetWindowTextA(main_->GetHwnd(), caption, sizeof caption);
  EXPECT_STREQ(caption, "Sheet owner");
  CContainer container(main_);
  container.Create(0, 0, 10, 10);
  EXPECT_EQ(container.GetHwnd(), nullptr);
}

}  // namespace
