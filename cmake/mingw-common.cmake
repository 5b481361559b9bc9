# Shared by the two Windows toolchains; ZQ_MINGW_TRIPLE, ZQ_WINE_LOADER and ZQ_WINE_SERVER are set by the caller.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${ZQ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZQ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${ZQ_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZQ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# No MinGW runtime DLL is shipped: libgcc, libstdc++ and winpthread go in statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# A pointer or handle squeezed through an int is a compile error in both widths.
# (C++ already refuses pointer-to-smaller-integer casts without -fpermissive.)
set(CMAKE_C_FLAGS_INIT   "-Werror=pointer-to-int-cast -Werror=int-to-pointer-cast")
set(CMAKE_CXX_FLAGS_INIT "-Werror=int-to-pointer-cast")

# Filled in by the top-level list once the build tree is known.
set(ZQ_WINE_EMULATOR ON)
