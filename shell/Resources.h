// Ids of the program's pictures. Plain macros, for the resource script too.
#pragma once

#define kIconMain 6001
#define kBitmapAbout 5001
