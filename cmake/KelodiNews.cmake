# SPDX-License-Identifier: GPL-3.0-or-later
# KELODI_NEWS_PAGE: the address the news window asks for, as the programs of
# this build ask for it, for configure's summary and the manual page. The
# server is the one the build gives (KELODI_NEWS_SERVER) or the built-in one
# of src/core/desktop/product_config.h; path and query are those of
# src/core/news/news_page.h. Both files stay the one place of each value.

function(kelodi_source_string file pattern out)
  file(STRINGS ${PROJECT_SOURCE_DIR}/${file} line REGEX "${pattern} *\"[^\"]*\"")
  if(NOT line MATCHES "${pattern} *\"([^\"]*)\"")
    message(FATAL_ERROR "${file} no longer holds ${pattern}")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

if(KELODI_NEWS_SERVER)
  set(server "${KELODI_NEWS_SERVER}")
else()
  kelodi_source_string(src/core/desktop/product_config.h "#define KELODI_NEWS_SERVER" server)
endif()
kelodi_source_string(src/core/news/news_page.h "NewsPagePath =" path)
kelodi_source_string(src/core/news/news_page.h "NewsPageQuery =" query)
# As newsPageAddress() joins them: a trailing slash of the server is dropped.
string(REGEX REPLACE "/$" "" server "${server}")
set(KELODI_NEWS_PAGE "${server}${path}?${query}")
unset(server)
unset(path)
unset(query)
