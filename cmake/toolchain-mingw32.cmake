# Cross-compiling the 32-bit Windows build with Debian's MinGW-w64 (g++-mingw-w64-i686):
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake
# The posix thread model: GoogleTest needs std::mutex, which the win32 model of GCC 12
# lacks. The library starts no threads, and the runtime is linked in statically, so the DLL
# still needs nothing but the system's own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(FOLIVEX_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${FOLIVEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FOLIVEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${FOLIVEX_MINGW_PREFIX}-windres)
set(CMAKE_AR ${FOLIVEX_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${FOLIVEX_MINGW_PREFIX}-ranlib CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${FOLIVEX_MINGW_PREFIX}-objdump CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${FOLIVEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine (see scripts/test-windows.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
