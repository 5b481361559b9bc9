#include "framework/NoteBook.h"

KBL_DEFINE_COPYABLE(CContainer);
CContainer::CContainer(CWindow* parent) : CWindow(parent) {}
void CContainer::Create(int, int, int, int) {}

KBL_DEFINE_COPYABLE(CTableWindow);
CTableWindow::CTableWindow(CWindow* parent) : CWindow(parent) {}
void CTableWindow::Create(const char*, int, int, int, int) {}
void CTableWindow::AppendColumn(const char*, int) {}
void CTableWindow::AppendLines(int, int) {}
void CTableWindow::SetText(int, int, const char*) {}
void CTableWindow::SetLineCount(int) {}
void CTableWindow::SetLine(unsigned int, unsigned int, unsigned int) {}
void CTableWindow::SelectCol(unsigned int) {}
void CTableWindow::SelectLin(unsigned int) {}

KBL_DEFINE_COPYABLE(CNoteBook);
CNoteBook::CNoteBook(CWindow* parent) : CWindow(parent) {}
void CNoteBook::Create(const char*, int, int, int, int) {}
void CNoteBook::SetMajorTabDimensions(int, int) {}
void CNoteBook::SetMinorTabDimensions(int, int) {}
CWindow* CNoteBook::GetCurrentPage() { return nullptr; }

KBL_DEFINE_COPYABLE(CNoteBookPage);
CNoteBookPage::CNoteBookPage(CWindow* parent, CWindow* notebook) : CWindow(parent), mNoteBook(notebook) {}
void CNoteBookPage::Create(const char*, int) {}
void CNoteBookPage::SetText(const char*) {}
void CNoteBookPage::SetTabText(const char*) {}
void CNoteBookPage::SetCurrentPage() {}

KBL_DEFINE_COPYABLE(CNoteBookMajorPage);
CNoteBookMajorPage::CNoteBookMajorPage(CWindow* parent, CWindow* notebook) : CNoteBookPage(parent, notebook) {}
void CNoteBookMajorPage::Create(const char*) {}

KBL_DEFINE_COPYABLE(CNoteBookMinorPage);
CNoteBookMinorPage::CNoteBookMinorPage(CWindow* parent, CWindow* notebook) : CNoteBookPage(parent, notebook) {}
void CNoteBookMinorPage::Create(const char*) {}
