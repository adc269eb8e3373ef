# The Windows DLLs, cross-built with every Linux build: <build>/win64 and
# <build>/win32 are builds of this tree with cmake/mingw-w64-x86_64.cmake
# and cmake/mingw-w64-i686.cmake, configured and built as external projects
# (rebuilt whenever the Linux build is), and their tests are tests of the
# Linux build: the 64-bit ones run under wine64, the 32-bit build's export
# table is checked with objdump.
option(DRAVIK_WINDOWS "Cross-build Dravik.dll for Windows and test it under wine64" ON)
if(NOT DRAVIK_WINDOWS)
  return()
endif()
find_program(DRAVIK_MINGW_X86_64 x86_64-w64-mingw32-g++-posix)
find_program(DRAVIK_MINGW_I686 i686-w64-mingw32-g++-posix)
if(NOT DRAVIK_MINGW_X86_64 OR NOT DRAVIK_MINGW_I686)
  message(STATUS "mingw-w64 not found: no Windows build (scripts/setup installs it)")
  return()
endif()

include(ExternalProject)
foreach(arch x86_64 i686)
  if(arch STREQUAL x86_64)
    set(bits 64)
  else()
    set(bits 32)
  endif()
  ExternalProject_Add(dravik_win${bits}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${PROJECT_BINARY_DIR}/win${bits}
    PREFIX ${PROJECT_BINARY_DIR}/win${bits}-steps
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-${arch}.cmake
      -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      -DRECOGSTAT_TESTS=${RECOGSTAT_TESTS}
    BUILD_ALWAYS ON
    INSTALL_COMMAND "")
endforeach()

if(NOT RECOGSTAT_TESTS)
  return()
endif()
# One test of the Linux build for each test of a Windows build, run by that
# build's own CTest.
function(add_windows_test bits name)
  string(REGEX REPLACE "^overlay_" "" short ${name})
  add_test(NAME overlay_win${bits}_${short}
    COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${PROJECT_BINARY_DIR}/win${bits}
            -R "^${name}$" --output-on-failure --no-tests=error)
endfunction()
add_windows_test(32 overlay_exports)
if(EXISTS /usr/lib/wine/wine64)
  foreach(name overlay_c_api_test overlay_raster_test overlay_word_test
               overlay_dc_strokes_test overlay_gdi_test)
    add_windows_test(64 ${name})
  endforeach()
else()
  message(STATUS "wine64 not found: the Windows tests do not run (scripts/setup installs it)")
endif()
