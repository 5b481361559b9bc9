// Process-wide state of the class library that is not part of its public
// interface: the coordinate unit, the overwrite mode and the application.
#pragma once

class CWinApp;

// 16 library units are one line of the system font.
int UnitFontHeight();
// Heights below 1 would make every conversion divide by zero; they are ignored.
void SetUnitFontHeight(int pixels);
int UnitsToPixels(int units);
int PixelsToUnits(int pixels);

unsigned char OverwriteMode();
void SetOverwriteMode(unsigned char mode);
void ToggleOverwriteMode();

CWinApp* CurrentApplication();
void SetCurrentApplication(CWinApp* application);
