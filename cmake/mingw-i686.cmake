# The product: 32-bit Windows, MinGW-w64's posix thread model, run by Wine's 32-bit loader.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZQ_MINGW_TRIPLE i686-w64-mingw32)
set(ZQ_WINE_LOADER /usr/lib/wine/wine)
set(ZQ_WINE_SERVER /usr/lib/wine/wineserver32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
