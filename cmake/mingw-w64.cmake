# Cross-builds for 64-bit Windows with Debian's mingw-w64 compilers. The
# posix flavour is the one whose libstdc++ has std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DZ_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DZ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DZ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DZ_MINGW_TRIPLE}-windres)

# Libraries and headers come from the mingw sysroot only, never from Linux.
set(CMAKE_FIND_ROOT_PATH /usr/${DZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program is one self-contained .exe: no libstdc++, libgcc or
# winpthread DLL has to travel with it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests and discovery run the programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)

# GCC 12 reports std::string code it has inlined at -O2 as overlapping or
# out-of-bounds copies (GCC bugs 105329 and 105651); they are not faults of
# this code, and the Linux build keeps both warnings.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict -Wno-array-bounds")
