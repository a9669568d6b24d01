# The product's facts, each written here and nowhere else. The build reads them (project(),
# product/Product.h for the code, the packages and Windows resources); scripts, which run
# before any build exists, ask for them with
#   cmake -P cmake/ProductFacts.cmake       a NAME=VALUE line each, on standard output
set(SUMVANE_VERSION 1.0.0.0)
# The tool's web page: Label8's caption, the address it opens, and every package's homepage.
set(SUMVANE_HOMEPAGE_URL "http://sumvane.io/lrc.html")
# The PCRE2 the Windows programs link statically: the version Debian 12 ships, from Debian's
# own source package, so that both platforms match patterns alike.
set(SUMVANE_PCRE2_VERSION 10.42)
set(SUMVANE_PCRE2_DEBIAN_VERSION 10.42-1)

# What follows from them, for the code (product/Product.h) and the tests alike: the window's
# caption, "V" and major.minor, and the application title, the same without the blank (the error
# box's caption).
string(REGEX MATCH "^[0-9]+\\.[0-9]+" SUMVANE_VERSION_SHORT ${SUMVANE_VERSION})
set(SUMVANE_WINDOW_CAPTION "Sumvane V${SUMVANE_VERSION_SHORT}")
set(SUMVANE_APPLICATION_TITLE "SumvaneV${SUMVANE_VERSION_SHORT}")

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  foreach(name SUMVANE_VERSION SUMVANE_HOMEPAGE_URL SUMVANE_PCRE2_VERSION SUMVANE_PCRE2_DEBIAN_VERSION
               SUMVANE_WINDOW_CAPTION SUMVANE_APPLICATION_TITLE)
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${name}=${${name}}")
  endforeach()
endif()
