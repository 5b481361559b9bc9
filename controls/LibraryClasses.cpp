// The library's own window classes that the application object registers,
// in the order it registers them.
#include "controls/EditFields.h"
#include "controls/PushButton.h"
#include "controls/ROPopup.h"
#include "controls/VListBox.h"
#include "framework/WindowClasses.h"

const TWindowClass* const* LibraryWindowClasses() {
  static const TWindowClass* const classes[] = {&kROPopupClass, &kVListBoxClass, &kPushButtonClass, &kEditClass,
                                                &kFormattedEditClass, nullptr};
  return classes;
}
