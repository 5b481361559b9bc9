// MUSCRL32.dll loaded and freed at run time: the class comes and goes with
// the module, and each entry sits at its fixed ordinal.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

using SetReceiver = int(WINAPI*)(HWND, HWND);
using SetRange = int(WINAPI*)(HWND, int, int);
using SetPosition = int(WINAPI*)(HWND, int);
using GetPosition = int(WINAPI*)(HWND);

// Through void (*)(), which any function pointer may become without a warning.
template <typename Function>
Function Entry(HMODULE module, int ordinal) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
}

// Asked through this program's instance, so only a class of the whole process answers.
bool ClassKnown() {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  return GetClassInfoExA(GetModuleHandleA(nullptr), "MicroScroll32", &wc) && (wc.style & CS_GLOBALCLASS);
}

HWND CreateControl() {
  return CreateWindowExA(0, "MicroScroll32", "", WS_POPUP, 0, 0, 15, 24, nullptr, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

LRESULT CALLBACK Receiver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_VSCROLL) SetWindowLongPtrA(window, GWLP_USERDATA, GetWindowLongPtrA(window, GWLP_USERDATA) + 1);
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(MicroScrollModule, LoadingRegistersTheClassForTheProcessAndFreeingRemovesIt) {
  ASSERT_FALSE(ClassKnown());
  HMODULE module = LoadLibraryA("MUSCRL32.dll");
  ASSERT_TRUE(module);
  EXPECT_TRUE(ClassKnown());
  HWND control = CreateControl();
  EXPECT_TRUE(control);
  DestroyWindow(control);
  FreeLibrary(module);
  EXPECT_FALSE(ClassKnown());
  EXPECT_FALSE(CreateControl());

  module = LoadLibraryA("MUSCRL32.dll");
  ASSERT_TRUE(module);
  EXPECT_TRUE(ClassKnown());
  FreeLibrary(module);
}

TEST(MicroScrollModule, EachEntryIsAtItsOrdinalAndNoneHasAName) {
  HMODULE module = LoadLibraryA("MUSCRL32.dll");
  ASSERT_TRUE(module);
  auto setReceiver = Entry<SetReceiver>(module, 7);
  auto setRange = Entry<SetRange>(module, 9);
  auto setPosition = Entry<SetPosition>(module, 11);
  auto getPosition = Entry<GetPosition>(module, 12);
  ASSERT_TRUE(setReceiver && setRange && setPosition && getPosition);
  EXPECT_FALSE(GetProcAddress(module, "MicroScrollSetRange"));
  EXPECT_FALSE(GetProcAddress(module, "MicroScrollSetRange@12"));

  WNDCLASSA wc = {};
  wc.lpfnWndProc = Receiver;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "OrdinalReceiver";
  RegisterClassA(&wc);
  HWND receiver = CreateWindowExA(0, "OrdinalReceiver", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
  HWND control = CreateControl();
  ASSERT_TRUE(control);
  EXPECT_EQ(setReceiver(control, receiver), 1);
  EXPECT_EQ(setRange(control, 1, 64), 1);
  EXPECT_EQ(setPosition(control, 500), 1);
  EXPECT_EQ(getPosition(control), 64);
  EXPECT_EQ(GetWindowLongPtrA(receiver, GWLP_USERDATA), 2);  // moved into the range, then set
  DestroyWindow(control);
  DestroyWindow(receiver);
  FreeLibrary(module);
}

TEST(MicroScrollModule, LoadingFailsWhileAnotherModuleHoldsTheClassName) {
  WNDCLASSA wc = {};
  wc.style = CS_GLOBALCLASS;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "MicroScroll32";
  ASSERT_TRUE(RegisterClassA(&wc));
  EXPECT_FALSE(LoadLibraryA("MUSCRL32.dll"));
  UnregisterClassA("MicroScroll32", GetModuleHandleA(nullptr));
  HMODULE module = LoadLibraryA("MUSCRL32.dll");
  EXPECT_TRUE(module);
  if (module) FreeLibrary(module);
}

}  // namespace
