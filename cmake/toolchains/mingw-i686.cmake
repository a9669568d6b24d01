# Cross-builds for Windows (i686) with Debian's mingw-w64.
set(SUMVANE_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
