# Shared build settings and helpers for every module.

if(MSVC)
  message(FATAL_ERROR "icoforge builds with GCC, Clang or mingw-w64")
endif()

add_compile_options(-Wall -Wextra -Wshadow -Wno-missing-field-initializers)
include_directories(${CMAKE_SOURCE_DIR})

# Debian's header-only libraries (CLI11, nlohmann-json, tl-expected, stb) live in
# /usr/include, which the mingw cross compiler must not search whole: it would meet glibc's
# headers. A folder of links to just those libraries serves every toolchain alike.
set(ICOFORGE_HEADER_ONLY_DIR ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${ICOFORGE_HEADER_ONLY_DIR})
foreach(_icoforge_lib CLI nlohmann tl stb)
  if(NOT EXISTS /usr/include/${_icoforge_lib})
    message(FATAL_ERROR "/usr/include/${_icoforge_lib} is missing: run scripts/install-deps.sh build")
  endif()
  file(CREATE_LINK /usr/include/${_icoforge_lib} ${ICOFORGE_HEADER_ONLY_DIR}/${_icoforge_lib} SYMBOLIC)
endforeach()
include_directories(SYSTEM ${ICOFORGE_HEADER_ONLY_DIR})

if(WIN32)
  # One self-contained .exe: no libstdc++/libgcc DLLs beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # CMake would link every program with a dozen Windows libraries; each library here names
  # the ones it calls, so a program links only what it uses.
  set(CMAKE_C_STANDARD_LIBRARIES "-lkernel32")
  set(CMAKE_CXX_STANDARD_LIBRARIES "-lkernel32")
endif()

if(NOT WIN32)
  # As Debian hardens its own programs: the thumbnailer reads whatever file a file manager
  # meets, so an overflow the parsers let through should still end the program.
  add_compile_options(-fstack-protector-strong $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()

if(ICOFORGE_SANITIZE)
  add_compile_options(-fsanitize=${ICOFORGE_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${ICOFORGE_SANITIZE})
endif()

if(ICOFORGE_LIBFUZZER)
  # Coverage instrumentation for every library, so the fuzzer sees inside the parsers.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# GoogleTest is built from Debian's sources with the same compiler and flags as the
# code under test; that is the only way to get it for the mingw cross build.
macro(icoforge_find_gtest)
  if(EXISTS /usr/src/googletest/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  else()
    find_package(GTest REQUIRED)
    add_library(gtest ALIAS GTest::gtest)
    add_library(gtest_main ALIAS GTest::gtest_main)
    add_library(gmock ALIAS GTest::gmock)
  endif()
endmacro()

# icoforge_add_test(NAME SOURCES ... LIBS ... [CORPUS])
# One GoogleTest executable registered as one CTest test. CORPUS tests read the public
# files beside the checkout and carry the label `corpus`.
function(icoforge_add_test name)
  cmake_parse_arguments(T "CORPUS" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest_main gmock)
  target_compile_definitions(${name} PRIVATE
    ICOFORGE_CORPUS_DIR="${ICOFORGE_CORPUS_DIR}"
    ICOFORGE_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
  add_test(NAME ${name} COMMAND ${name})
  if(T_CORPUS)
    set_tests_properties(${name} PROPERTIES LABELS corpus)
  else()
    set_tests_properties(${name} PROPERTIES LABELS unit)
  endif()
endfunction()
