# The Windows DLLs, cross-built with every Linux build: <build>/win32 and
# <build>/win64 are builds of this tree with cmake/mingw-w64-i686.cmake and
# cmake/mingw-w64-x86_64.cmake, configured and built as external projects
# (rebuilt whenever the Linux build is), and their tests are tests of the
# Linux build, overlay_win32_* and overlay_win64_*: each Windows test runs on
# both, under Wine's 32-bit and 64-bit loaders.
option(DRAVIK_WINDOWS "Cross-build Dravik.dll for Windows and test it under Wine" ON)
if(NOT DRAVIK_WINDOWS)
  return()
endif()
find_program(DRAVIK_MINGW_X86_64 x86_64-w64-mingw32-g++-posix)
find_program(DRAVIK_MINGW_I686 i686-w64-mingw32-g++-posix)
if(NOT DRAVIK_MINGW_X86_64 OR NOT DRAVIK_MINGW_I686)
  message(STATUS "mingw-w64 not found: no Windows build (scripts/setup installs it)")
  return()
endif()

# What the Windows tests need: GoogleTest's sources (Debian's googletest
# keeps them in <prefix>/src/googletest), built for the target, and Wine's
# loaders (Debian's wine32 and wine64 install them off PATH, beside their
# wineserver).
set(tests ${RECOGSTAT_TESTS})
find_path(DRAVIK_GOOGLETEST_DIR googletest/src/gtest-all.cc
  PATHS ${CMAKE_SYSTEM_PREFIX_PATH} PATH_SUFFIXES src/googletest
  DOC "GoogleTest's sources, built for the Windows tests")
# Where a loader is missing, or the kernel cannot run it (no 32-bit
# programs on some virtual machines), the tests that need it are reported as
# skipped, with the reason, when they start (tests/skip-unless.sh).
set(DRAVIK_WINE32 /usr/lib/wine/wine CACHE FILEPATH "Wine's loader for 32-bit programs")
set(DRAVIK_WINE64 /usr/lib/wine/wine64 CACHE FILEPATH "Wine's loader for 64-bit programs")
if(tests AND NOT DRAVIK_GOOGLETEST_DIR)
  message(STATUS "GoogleTest's sources not found: no Windows tests (scripts/setup installs them)")
  set(tests OFF)
endif()

include(ExternalProject)
foreach(bits 32 64)
  if(bits EQUAL 32)
    set(arch i686)
  else()
    set(arch x86_64)
  endif()
  set(wine ${DRAVIK_WINE${bits}})
  ExternalProject_Add(dravik_win${bits}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${PROJECT_BINARY_DIR}/win${bits}
    PREFIX ${PROJECT_BINARY_DIR}/win${bits}-steps
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-${arch}.cmake
      -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      -DRECOGSTAT_TESTS=${tests}
      -DDRAVIK_GOOGLETEST_DIR=${DRAVIK_GOOGLETEST_DIR}
      -DDRAVIK_WINE=${wine}
    BUILD_ALWAYS ON
    INSTALL_COMMAND "")

  if(NOT tests)
    continue()
  endif()
  # One test of the Linux build for each test of the Windows build, run by
  # that build's own CTest. The export tables are read without running
  # anything; the others run under Wine's loader, where it runs.
  if(bits EQUAL 32)
    set(needs "32-bit programs")
  else()
    set(needs "Wine's 64-bit loader")
  endif()
  foreach(name overlay_exports overlay_c_api_test overlay_raster_test
               overlay_word_test overlay_dc_strokes_test overlay_dc_test)
    string(REGEX REPLACE "^overlay_" "" short ${name})
    set(probe)
    if(NOT name STREQUAL overlay_exports)
      set(probe ${PROJECT_SOURCE_DIR}/tests/skip-unless.sh ${needs} -- ${wine} --version --)
    endif()
    add_test(NAME overlay_win${bits}_${short}
      COMMAND ${probe} ${CMAKE_CTEST_COMMAND} --test-dir ${PROJECT_BINARY_DIR}/win${bits}
              -R "^${name}$" --output-on-failure --no-tests=error)
    set_tests_properties(overlay_win${bits}_${short} PROPERTIES SKIP_RETURN_CODE 77)
  endforeach()
  if(bits EQUAL 32)
    add_test(NAME overlay_windows_skip_test
      COMMAND ${CMAKE_COMMAND} -DBUILD=${PROJECT_BINARY_DIR} -DLOADER=${wine}
              -DSOURCE=${PROJECT_SOURCE_DIR} -DWORK=${PROJECT_BINARY_DIR}/windows-skip-test
              -P ${PROJECT_SOURCE_DIR}/tests/overlay/windows/skip_test.cmake)
  endif()
endforeach()
