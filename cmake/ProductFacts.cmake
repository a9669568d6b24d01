# The product's facts, each written here and nowhere else. The build reads them (project(),
# packaging/Product.h for the code, the packages and Windows resources); scripts, which run
# before any build exists, ask for them with
#   cmake -P cmake/ProductFacts.cmake       a NAME=VALUE line each, on standard output
set(SUMVANE_VERSION 1.0.0.0)
# The tool's web page: Label8's caption, the address it opens, and every package's homepage.
set(SUMVANE_HOMEPAGE_URL "http://sumvane.io/lrc.html")
# The PCRE2 the Windows programs link statically: the version Debian 12 ships, from Debian's
# own source package, so that both platforms match patterns alike.
set(SUMVANE_PCRE2_VERSION 10.42)
set(SUMVANE_PCRE2_DEBIAN_VERSION 10.42-1)

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  foreach(name SUMVANE_VERSION SUMVANE_HOMEPAGE_URL SUMVANE_PCRE2_VERSION SUMVANE_PCRE2_DEBIAN_VERSION)
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${name}=${${name}}")
  endforeach()
endif()
