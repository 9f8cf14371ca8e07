# SPDX-License-Identifier: GPL-3.0-or-later
# Cross build for 64-bit Windows with Debian's MinGW-w64 tool chain
# (g++-mingw-w64-x86-64-posix). The posix flavour is needed: it gives
# std::thread and std::mutex, which the program's threads rely on.
#
# The programs are linked statically, so a built .exe runs on its own, under
# Wine here and on any Windows machine, without the compiler's run-time DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELODI_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KELODI_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELODI_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KELODI_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KELODI_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must not hand the build machine's Linux libraries to the cross
# compiler: it only looks in the MinGW tree.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${KELODI_MINGW_TRIPLE}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Built programs run under Wine, through a wrapper that keeps a private Wine
# prefix in the build folder (see scripts/wine-run). Windows also looks for
# DLLs in the test programs' folder, where the tests' MIDI driver is built.
find_program(KELODI_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KELODI_WINE)
  get_filename_component(KELODI_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run ABSOLUTE)
  set(KELODI_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KELODI_WINE_RUN} --prefix ${KELODI_WINE_PREFIX}
      --path ${CMAKE_BINARY_DIR}/tests)
endif()
