# SPDX-License-Identifier: GPL-3.0-or-later
# KELODI_HARDENING: every target is built with the flags a Debian package is
# built with, those `dpkg-buildflags` gives with all hardening features on
# (stack protector, fortified functions, format checks, read-only relocations,
# immediate binding, PIE), plus what dpkg of Debian 12 does not add itself:
# stack-clash protection and control-flow protection (-fcf-protection).
#
# dpkg-buildflags runs in the source folder, so its -ffile-prefix-map turns the
# folder's name into "." in whatever the compiler writes into the objects:
# the same sources build to the same programs wherever they are checked out.
#
# Control-flow protection: the compiler marks each object it builds as ready
# for indirect branch tracking and shadow stacks, and the linker marks a
# program only when every object in it is. Debian 12's C library ships its
# start-up objects (Scrt1.o, crti.o, crtn.o) without that mark, so the linker
# is told to mark the programs (-z ibt, -z shstk). Those objects only enter
# and leave the program, and Debian 12's C library enforces neither feature;
# the check below keeps the linker's word for everything Kelodi's own code.

if(NOT KELODI_HARDENING)
  return()
endif()
if(MSVC OR WIN32)
  message(FATAL_ERROR "KELODI_HARDENING takes the flags of Debian's dpkg-buildflags; it is for Linux builds")
endif()

find_program(KELODI_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT KELODI_DPKG_BUILDFLAGS)
  message(FATAL_ERROR "KELODI_HARDENING needs dpkg-buildflags (Debian package dpkg-dev)")
endif()

# One kind of flags, as a list.
function(kelodi_dpkg_buildflags kind out)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${KELODI_DPKG_BUILDFLAGS} --get ${kind}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE flags
    OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

kelodi_dpkg_buildflags(CPPFLAGS cppflags)
kelodi_dpkg_buildflags(CXXFLAGS cxxflags)
kelodi_dpkg_buildflags(LDFLAGS ldflags)

include(CheckCXXCompilerFlag)
foreach(flag -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "KELODI_HAS${flag}" supported)
  check_cxx_compiler_flag(${flag} ${supported})
  if(${supported} AND NOT "${flag}" IN_LIST cxxflags)
    list(APPEND cxxflags ${flag})
  endif()
endforeach()
if(KELODI_HAS_fcf_protection AND CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|i.86")
  list(APPEND ldflags -Wl,-z,ibt -Wl,-z,shstk)
endif()

add_compile_options(${cppflags} ${cxxflags})
add_link_options(${ldflags})
list(JOIN cppflags " " KELODI_HARDENING_CPPFLAGS)
list(JOIN cxxflags " " KELODI_HARDENING_CXXFLAGS)
list(JOIN ldflags " " KELODI_HARDENING_LDFLAGS)
