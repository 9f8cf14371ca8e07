# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` and the Debian package (`make package`, from the preset
# `release`). The shipped data, the desktop files, the manual pages and the
# licence and changelog are installed by resources/CMakeLists.txt.

install(TARGETS kelodi-dzq RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(KELODI_BUILD_GUI)
  install(TARGETS kelodi RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# A stripped install (the package) drops the compilers' version notes as well,
# as Debian's own packages do (dh_strip).
if(CMAKE_OBJCOPY AND NOT WIN32)
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      foreach(program kelodi kelodi-dzq)
        set(file \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\")
        if(EXISTS \"\${file}\")
          execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note \"\${file}\"
                          COMMAND_ERROR_IS_FATAL ANY)
        endif()
      endforeach()
    endif()")
endif()

set(CPACK_PACKAGE_NAME kelodi)
set(CPACK_PACKAGE_VERSION ${KELODI_DISPLAY_VERSION})
set(CPACK_PACKAGE_VENDOR "Kelodi Software Studio")
set(CPACK_PACKAGE_CONTACT "Kelodi Software Studio <support@kelodi.cn>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "electronic keyboard: play, record and replay through General MIDI")
set(CPACK_PACKAGE_DESCRIPTION
    "Kelodi turns the computer keyboard and the mouse into a 44-key piano that
sounds through General MIDI: an embedded FluidSynth synthesizer, or any MIDI
output port. Every key plays a single note or one of ten chords, on 16
channels. Performances are recorded as .dzq files and played back, together
with hand-written jianpu scores. The user interface is in Simplified Chinese.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_FILE_NAME "kelodi_${KELODI_DISPLAY_VERSION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.kelodi.cn/")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries come from the programs themselves (dpkg-shlibdeps); what they
# open at run time is named here: a General MIDI SoundFont for the embedded
# synthesizer, Qt's Chinese texts, xdg-open for the help text and the links,
# and a font with Chinese characters.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fluid-soundfont-gm | sf2-soundfont-gm, qt6-translations-l10n, xdg-utils, fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# Run by cpack itself: every time in the package is SOURCE_DATE_EPOCH, taken
# from the last commit when it is not set; cpack must run in a UTF-8 locale.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/KelodiCPackSetup.cmake)
set(CPACK_KELODI_SOURCE_DIR ${PROJECT_SOURCE_DIR})
include(CPack)
