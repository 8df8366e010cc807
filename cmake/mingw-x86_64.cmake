# Cross-builds the 64-bit Windows exe, for hosts and Wine installations without 32-bit support.
set(PAKRILL_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
