# Cross-builds the 32-bit Windows product.
set(PAKRILL_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
