# SPDX-License-Identifier: GPL-3.0-or-later
# GoogleTest built from source for a cross build, with the targets that
# find_package(GTest) would give. KELODI_GTEST_SOURCE_DIR points at the
# sources (Debian: /usr/src/googletest from the googletest package).
set(KELODI_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
if(NOT EXISTS ${KELODI_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(STATUS "No GoogleTest sources in ${KELODI_GTEST_SOURCE_DIR}: tests are not built")
  return()
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(${KELODI_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Its headers are included like a system library's, so the project's warning
# flags (and -Werror) judge only the project's own code.
foreach(target gtest gmock)
  get_target_property(dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
  set_target_properties(${target} PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${dirs}")
endforeach()

# Targets under the names find_package(GTest) gives (GoogleTest 1.11 and
# later define them itself).
foreach(target gtest gtest_main gmock)
  if(NOT TARGET GTest::${target})
    add_library(GTest::${target} ALIAS ${target})
  endif()
endforeach()
set(GTest_FOUND TRUE)
add_feature_info(GTestFromSource GTest_FOUND "GoogleTest built from ${KELODI_GTEST_SOURCE_DIR} for the target system")
