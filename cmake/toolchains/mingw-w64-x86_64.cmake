# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (the compilers of
# g++-mingw-w64-x86-64-posix, whose threads back std::thread and std::mutex).
#   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
#         -DCLIPSCOUT_WINDOWS_DEPS=$PWD/build-mingw/deps
# CLIPSCOUT_WINDOWS_DEPS is the prefix that tools/windows-deps.sh fills with
# GoogleTest built for Windows and the header-only libraries the lister uses.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Libraries and headers come from the MinGW-w64 tree and the dependency
# prefix only, never from the build machine's /usr; programs (pkg-config,
# the code generators) from the build machine.
set(CLIPSCOUT_WINDOWS_DEPS "" CACHE PATH "Prefix with GoogleTest and the header-only libraries for Windows")
# Prefixes named on the command line (Qt for Windows) are searched as they are.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${CLIPSCOUT_WINDOWS_DEPS} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The tests run under Wine on the build machine (ctest runs them through it).
find_program(CLIPSCOUT_WINE NAMES wine wine64)
if(CLIPSCOUT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CLIPSCOUT_WINE})
endif()
