# Cross build for 32-bit Windows with Debian's mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
# The posix thread model: GoogleTest and std::mutex need it; -static links winpthread in.
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
# ICOFORGE_WINDOWS_PREFIX: the static libjpeg, libpng and libtiff that
# scripts/build-windows-deps.sh builds and prints. try_compile projects get it too, so
# checks that link those libraries search the same place.
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32 ${ICOFORGE_WINDOWS_PREFIX})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ICOFORGE_WINDOWS_PREFIX)
# The prefix moves whenever that script changes. An existing build folder would keep
# linking the old prefix's libraries, which find_library() cached, so forget them.
if(ICOFORGE_WINDOWS_PREFIX_USED AND NOT ICOFORGE_WINDOWS_PREFIX_USED STREQUAL "${ICOFORGE_WINDOWS_PREFIX}")
  get_property(_icoforge_cached DIRECTORY PROPERTY CACHE_VARIABLES)
  foreach(_icoforge_var IN LISTS _icoforge_cached)
    string(FIND "$CACHE{${_icoforge_var}}" "${ICOFORGE_WINDOWS_PREFIX_USED}/" _icoforge_at)
    if(_icoforge_at EQUAL 0)
      unset(${_icoforge_var} CACHE)
    endif()
  endforeach()
endif()
set(ICOFORGE_WINDOWS_PREFIX_USED "${ICOFORGE_WINDOWS_PREFIX}" CACHE INTERNAL "")
# The sysroot holds both libz.a and the import library libz.dll.a; the import library
# would make every program need zlib1.dll beside it.
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
