// The library object behind a "KblVListBox" control: the control asks it
// for its lines through these five operations, each answering whether a
// line was supplied. The control's own operations join with the control.
#pragma once

#include "framework/Window.h"

class KBL_EXPORT CVListBox : public CWindow {
 public:
  explicit CVListBox(CWindow* parent);

  void OnSelect() override;
  virtual unsigned char OnInit();
  virtual unsigned char OnFirst();
  virtual unsigned char OnNext();
  virtual unsigned char OnPrev();
  virtual unsigned char OnLast();
};
