// Spin buttons: an entry field with a pair of arrows at its right edge that
// step a position within a range. The arrows are a "MicroScroll32" control;
// a container window of the class "SpinButton" receives its notifications
// and turns them into OnChange, which rewrites the field.
#pragma once

#include <windows.h>

#include "framework/Controls.h"
#include "framework/Export.h"

// Registers "SpinButton" for the first instance; called after the library's
// own initialisation, before the first spin button is created.
KBL_EXPORT void RegisterSpinButtonClass();
KBL_EXPORT LRESULT CALLBACK SpinButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The container alone; a derived Create adds the field and the arrows. The
// parts are children in the object tree, so the window base deletes them.
class KBL_EXPORT CSpinButton : public CWindow {
 public:
  explicit CSpinButton(CWindow* parent);
  CSpinButton(const CSpinButton& other);
  CSpinButton& operator=(const CSpinButton& other);
  ~CSpinButton();

  // Created disabled; Enable enables it together with its parts.
  void Create(int x, int y, int width, int height, unsigned long style);
  // Arrows, then field, then container; parts not made yet are skipped.
  void SetVisible();
  void SetInvisible();
  void Enable();
  void Disable();

 protected:
  // The field and the arrows in the container's rectangle, the container
  // made their receiver; nothing without a container, so no part is orphaned.
  void CreateParts(int width, int height);
  HWND SpinWindow() const;
  int EditId() const;

  CEntryField* mEdit;
  CWindow* mSpin;

  friend LRESULT CALLBACK SpinButtonWndProc(HWND, UINT, WPARAM, LPARAM);
};

// Shows the position as a signed number.
class KBL_EXPORT CNSpinButton : public CSpinButton {
 public:
  explicit CNSpinButton(CWindow* parent);
  CNSpinButton(const CNSpinButton& other);
  CNSpinButton& operator=(const CNSpinButton& other);
  ~CNSpinButton();

  CNSpinButton& Create(int min, int max, int x, int y, int width, int height);
  void SetLimits(int min, int max);
  // The field follows through the spin control's notification.
  void SetValue(int value);
  // The number in the field as typed, 0 for text that is no number.
  int GetValue();
  CNSpinButton& JustifyRight();
  void OnChange() override;

 protected:
  int mMin;
  int mMax;
};

// Shows the list entry at the position. The list is held as private copies.
class KBL_EXPORT CLSpinButton : public CSpinButton {
 public:
  explicit CLSpinButton(CWindow* parent);
  // A copy holds copies of the strings, never the same ones.
  CLSpinButton(const CLSpinButton& other);
  CLSpinButton& operator=(const CLSpinButton& other);
  // The list goes also when a parent destroys the object as a plain window.
  ~CLSpinButton();

  CLSpinButton& Create(char** list, int count, int x, int y, int width, int height);
  // An empty list (no list, or a count below 1) gives the range 0..0 and an
  // empty field; a null entry is held as an empty text.
  void SetList(char** list, int count);
  void SetIndex(int index);
  int GetIndex();
  void OnChange() override;

 protected:
  void ReleaseList();

  int mCount;
  char** mList;

 private:
  static void Release(CWindow* window);
};
