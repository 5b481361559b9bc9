#include "framework/LibraryState.h"

namespace {
int unitFontHeight = 16;
unsigned char overwriteMode = 0;
CWinApp* currentApplication = nullptr;
}  // namespace

int UnitFontHeight() { return unitFontHeight; }
void SetUnitFontHeight(int pixels) {
  if (pixels > 0) unitFontHeight = pixels;
}
int UnitsToPixels(int units) { return units * unitFontHeight / 16; }
int PixelsToUnits(int pixels) { return pixels * 16 / unitFontHeight; }

unsigned char OverwriteMode() { return overwriteMode; }
void SetOverwriteMode(unsigned char mode) { overwriteMode = mode; }
void ToggleOverwriteMode() { overwriteMode = !overwriteMode; }

CWinApp* CurrentApplication() { return currentApplication; }
void SetCurrentApplication(CWinApp* application) { currentApplication = application; }
