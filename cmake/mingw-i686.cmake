# Cross-compiles for 32-bit Windows with MinGW-w64. The -posix compilers give
# std::thread and std::mutex, which GoogleTest needs; the launcher alone is
# built with the -win32 ones (SETUP_MINGW_THREADS=win32), whose runtime has no
# POSIX-threads layer to link in.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

if(NOT DEFINED SETUP_MINGW_THREADS)
  set(SETUP_MINGW_THREADS posix)
endif()
# CMake's own test builds read this file again and must pick the same compilers.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SETUP_MINGW_THREADS)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${SETUP_MINGW_THREADS})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${SETUP_MINGW_THREADS})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
