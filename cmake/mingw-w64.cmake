# Cross-build for 64-bit Windows with Debian's MinGW-w64 compilers (the
# -posix ones, whose C++ library has std::thread), tests run under Wine:
#
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KIVO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KIVO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KIVO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KIVO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KIVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One executable that needs no DLL beyond those of Windows itself: the C++
# library, libgcc and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CTest runs the Windows programs under Wine.
find_program(KIVO_WINE NAMES wine wine64)
if(KIVO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KIVO_WINE})
endif()
