# SPDX-License-Identifier: GPL-3.0-or-later
# Read by cpack before it packs (CPACK_PROJECT_CONFIG_FILE).
#
# The package holds file names in Chinese (Kelodi说明.txt, 录制/). cpack reads
# them through the locale it starts in, and in a POSIX locale it cannot: it
# stops with "Can't lstat". Said plainly here instead (`make package` packs in
# C.UTF-8 whatever the user's locale).
#
# The members of the .deb (debian-binary, control.tar, data.tar) take their
# modes from the umask: with another umask than 022 the package works but is
# not the same file as everyone else's (`make package` packs with 022).
#
# The DEB generator gives every file, folder and member of the package the
# time SOURCE_DATE_EPOCH holds, so the same sources give the same package.
# When it is not set, the time of the last commit stands in; outside a git
# checkout (a source archive), the date of the newest entry of
# packaging/changelog.

set(kelodi_locale "$ENV{LC_ALL}")
if(kelodi_locale STREQUAL "")
  set(kelodi_locale "$ENV{LC_CTYPE}")
endif()
if(kelodi_locale STREQUAL "")
  set(kelodi_locale "$ENV{LANG}")
endif()
if(NOT kelodi_locale MATCHES "[Uu][Tt][Ff]-?8")
  message(FATAL_ERROR "cpack needs a UTF-8 locale for the package's Chinese file names; "
                      "the locale is '${kelodi_locale}'. Run it as: LC_ALL=C.UTF-8 cpack ...")
endif()

execute_process(COMMAND sh -c umask OUTPUT_VARIABLE kelodi_umask OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT kelodi_umask STREQUAL "0022")
  message(WARNING "umask ${kelodi_umask}: the package's members get other modes than with umask 022, "
                  "so the package differs from one made with it (make package packs with 022)")
endif()

if(NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  return()
endif()
execute_process(
  COMMAND git -C "${CPACK_KELODI_SOURCE_DIR}" log -1 --format=%ct
  OUTPUT_VARIABLE kelodi_epoch OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE kelodi_git_status ERROR_QUIET)
if(NOT kelodi_git_status EQUAL 0 OR NOT kelodi_epoch MATCHES "^[0-9]+$")
  execute_process(
    COMMAND dpkg-parsechangelog -l "${CPACK_KELODI_SOURCE_DIR}/packaging/changelog" -S Timestamp
    OUTPUT_VARIABLE kelodi_epoch OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
endif()
set(ENV{SOURCE_DATE_EPOCH} "${kelodi_epoch}")
