# Cross build for 32-bit Windows console programs with the i686 mingw-w64 toolchain. Its POSIX
# thread model supplies the standard mutex that the test framework needs; everything is linked
# statically, so the programs import only the system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run under wine; its own diagnostics must not mix into standard error.
find_program(LNCALC_WINE wine)
if(LNCALC_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LNCALC_WINE})
endif()
