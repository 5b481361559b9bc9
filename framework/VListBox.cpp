#include "framework/VListBox.h"

CVListBox::CVListBox(CWindow* parent) : CWindow(parent) {}
void CVListBox::OnSelect() {}
unsigned char CVListBox::OnInit() { return 1; }
unsigned char CVListBox::OnFirst() { return 1; }
unsigned char CVListBox::OnNext() { return 1; }
unsigned char CVListBox::OnPrev() { return 1; }
unsigned char CVListBox::OnLast() { return 1; }
