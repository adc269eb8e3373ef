# The Windows tests on a machine whose kernel runs no 32-bit programs: the
# build's own overlay_win32_* tests, their loader swapped for a 32-bit
# executable that this kernel refuses, run by CTest in a folder of their
# own. Every one that needs the loader must be reported as skipped, with the
# reason, and the export tables, which need no loader, must still be read.
# cmake -DBUILD=<build> -DLOADER=<the build's 32-bit loader> -DSOURCE=<tree> -DWORK=<folder> -P skip_test.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(fake ${WORK}/wine)
# An i386 ELF header without program headers: no kernel can run it, and it
# says "Exec format error" as for any 32-bit program where those cannot run.
execute_process(COMMAND sh -c
  "printf '\\177ELF\\1\\1\\1\\0\\0\\0\\0\\0\\0\\0\\0\\0\\2\\0\\3\\0\\1\\0\\0\\0' > '${fake}' && chmod +x '${fake}'"
  COMMAND_ERROR_IS_FATAL ANY)

execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${BUILD} --show-only=json-v1
                        -R "^overlay_win32_"
  OUTPUT_VARIABLE json COMMAND_ERROR_IS_FATAL ANY)
string(JSON count LENGTH "${json}" tests)
if(count LESS 6)
  message(FATAL_ERROR "expected the six overlay_win32_* tests, found ${count}")
endif()
set(testfile "")
math(EXPR last "${count} - 1")
set(needing 0)
foreach(i RANGE ${last})
  string(JSON name GET "${json}" tests ${i} name)
  string(JSON length LENGTH "${json}" tests ${i} command)
  math(EXPR end "${length} - 1")
  set(command "")
  foreach(k RANGE ${end})
    string(JSON word GET "${json}" tests ${i} command ${k})
    if(word STREQUAL "${LOADER}")
      set(word ${fake})
    endif()
    string(APPEND command " [==[${word}]==]")
  endforeach()
  if(NOT command MATCHES "skip-unless")
    set(exports ${name})
  else()
    math(EXPR needing "${needing} + 1")
  endif()
  string(APPEND testfile "add_test(${name}${command})\n"
                         "set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)\n")
endforeach()
if(NOT exports)
  message(FATAL_ERROR "no test reads the export tables without the loader")
endif()
file(WRITE ${WORK}/CTestTestfile.cmake "${testfile}")

execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${WORK} --output-junit ${WORK}/junit.xml
  OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE status)
message("${out}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "CTest failed where it should have skipped (status ${status})")
endif()
string(REGEX MATCHALL "\\*\\*\\*Skipped" skipped "${out}")
list(LENGTH skipped skippedCount)
if(NOT skippedCount EQUAL needing)
  message(FATAL_ERROR "${skippedCount} of the ${needing} tests that need the loader were skipped")
endif()
if(NOT out MATCHES "${exports} [.]+ +Passed")
  message(FATAL_ERROR "${exports} did not pass without the loader")
endif()

execute_process(COMMAND ${SOURCE}/tests/skipped.sh ${WORK}/junit.xml OUTPUT_VARIABLE listed
  COMMAND_ERROR_IS_FATAL ANY)
message("${listed}")
string(REGEX MATCHALL "this kernel cannot run 32-bit programs" reasons "${listed}")
list(LENGTH reasons reasonCount)
if(NOT reasonCount EQUAL needing)
  message(FATAL_ERROR "the reason is listed for ${reasonCount} of ${needing} skipped tests")
endif()
