# Cross build for 64-bit Windows. Only for running the Windows tests where the kernel
# cannot execute 32-bit programs and so only 64-bit Wine works.
set(ICOFORGE_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
