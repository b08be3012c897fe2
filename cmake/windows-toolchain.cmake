# Cross-building for 64-bit Windows with Debian's MinGW-w64 (posix thread model, which Qt needs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# Libraries, headers and CMake packages come from MinGW's root and from the prefix the Windows
# libraries were installed into (FENBAN_WINDOWS_PREFIX), never from the host; programs come from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
if(DEFINED ENV{FENBAN_WINDOWS_PREFIX})
    list(APPEND CMAKE_FIND_ROOT_PATH $ENV{FENBAN_WINDOWS_PREFIX})
endif()
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
