# The same program for 64-bit Windows, run by Wine's 64-bit loader; also the
# build that runs the Windows tests on hosts that execute no 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZQ_MINGW_TRIPLE x86_64-w64-mingw32)
set(ZQ_WINE_LOADER /usr/lib/wine/wine64)
set(ZQ_WINE_SERVER /usr/lib/wine/wineserver64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
