# Cross build for 32-bit Windows, the product icoforge.exe.
set(ICOFORGE_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
