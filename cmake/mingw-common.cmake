# Cross build for Windows with Debian's mingw-w64, shared by mingw-i686.cmake (the
# product) and mingw-x86_64.cmake (its tests on machines that run only 64-bit Wine),
# which set ICOFORGE_MINGW_ARCH before including this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ICOFORGE_MINGW_ARCH})
set(_icoforge_triplet ${ICOFORGE_MINGW_ARCH}-w64-mingw32)
# The posix thread model: GoogleTest and std::mutex need it; -static links winpthread in.
set(CMAKE_C_COMPILER ${_icoforge_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_icoforge_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_icoforge_triplet}-windres)
# ICOFORGE_WINDOWS_PREFIX: the static libjpeg, libpng, libtiff and libwebp decoder that
# scripts/build-windows-deps.sh builds and prints. try_compile projects get it too, so
# checks that link those libraries search the same place.
set(CMAKE_FIND_ROOT_PATH /usr/${_icoforge_triplet} ${ICOFORGE_WINDOWS_PREFIX})
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
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh --arch=${ICOFORGE_MINGW_ARCH})
