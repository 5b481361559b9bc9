// The library object behind a "KblVListBox" control: the control asks it
// for its lines through these five operations, each answering whether a
// line was supplied. The control's own operations join with the control.
#pragma once

#include "framework/Window.h"

class KBL_EXPORT CVListBox : public CWindow {
 public:
  explicit CVListBox(CWindow* parent) : CWindow(parent) {}

  void OnSelect() override {}
  virtual unsigned char OnInit() { return 1; }
  virtual unsigned char OnFirst() { return 1; }
  virtual unsigned char OnNext() { return 1; }
  virtual unsigned char OnPrev() { return 1; }
  virtual unsigned char OnLast() { return 1; }
};
