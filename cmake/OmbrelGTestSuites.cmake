# ombrel_gtest_suites(<target> [WORKING_DIRECTORY <dir>] [PROPERTIES <prop> <value>...]
#                     [LONG_SUITES <suite>...]):
# registers a GoogleTest program with CTest one test per GoogleTest suite, named
# `<target>:<Suite>` (`Suite`, `Prefix/Suite` or `Suite/0` as the program lists it), each
# running `<program> --gtest_filter=<Suite>.*`. A suite passes when the program exits 0, so a
# failing case is never hidden behind a skipped one; DISABLED_ cases stay unrun as GoogleTest
# leaves them, and a suite with nothing but DISABLED_ cases is registered as a disabled test.
#
# The program's name keeps test names unique: several programs have a suite of the same name
# (Screenshots), and CTest gives the properties set for a name, and the time it recorded for
# it, to every test of that name.
#
# LONG_SUITES are suites that take minutes under the sanitizers; CTest starts them first
# (COST), so that none of them, started last, holds the end of a parallel run while the other
# jobs sit idle. A fresh clone has no recorded times to order the tests by.
#
# Why per suite: one process per case meant about 1,700 program starts a pass, and a GUI test
# program under the sanitizers costs about a second of CPU to start and end. Cases of a suite
# now share a process, so each case must leave nothing behind for the next.
#
# Like gtest_discover_tests' PRE_TEST mode, the cases are listed at ctest time
# (`--gtest_list_tests`), and the list is kept until the program is rebuilt.

set(_OMBREL_GTEST_SUITES_MODULE "${CMAKE_CURRENT_LIST_FILE}")

function(ombrel_gtest_suites target)
  cmake_parse_arguments(ARG "" "WORKING_DIRECTORY" "PROPERTIES;LONG_SUITES" ${ARGN})
  if(NOT ARG_WORKING_DIRECTORY)
    set(ARG_WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")
  endif()
  set(base "${CMAKE_CURRENT_BINARY_DIR}/${target}")
  set(tests_file "${base}_suites.cmake")
  set(exe "$<TARGET_FILE:${target}>")
  string(CONCAT content
    "if(EXISTS [==[${exe}]==])\n"
    "  if(NOT EXISTS [==[${tests_file}]==] OR\n"
    "     NOT [==[${tests_file}]==] IS_NEWER_THAN [==[${exe}]==] OR\n"
    "     NOT [==[${tests_file}]==] IS_NEWER_THAN \"\${CMAKE_CURRENT_LIST_FILE}\" OR\n"
    "     NOT [==[${tests_file}]==] IS_NEWER_THAN [==[${_OMBREL_GTEST_SUITES_MODULE}]==])\n"
    "    include([==[${_OMBREL_GTEST_SUITES_MODULE}]==])\n"
    "    _ombrel_gtest_suites_write([==[${exe}]==] [==[${ARG_WORKING_DIRECTORY}]==]\n"
    "                               [==[${tests_file}]==] [==[${ARG_PROPERTIES}]==]\n"
    "                               ${target} [==[${ARG_LONG_SUITES}]==])\n"
    "  endif()\n"
    "  include([==[${tests_file}]==])\n"
    "else()\n"
    "  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)\n"
    "endif()\n")
  file(GENERATE OUTPUT "${base}_suites_include.cmake" CONTENT "${content}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${base}_suites_include.cmake")
endfunction()

# ctest time: list the program's cases and write one add_test per suite into <tests_file>.
function(_ombrel_gtest_suites_write exe workdir tests_file properties target long_suites)
  execute_process(COMMAND "${exe}" --gtest_list_tests
                  WORKING_DIRECTORY "${workdir}" TIMEOUT 60
                  OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Listing the tests of ${exe} failed (${rc}):\n${out}")
  endif()
  # Only the names matter; the comments after them (a parameter's value) may hold characters a
  # CMake list takes apart.
  foreach(c "[" "]" ";" "\\")
    string(REPLACE "${c}" "_" out "${out}")
  endforeach()
  string(REPLACE "\n" ";" lines "${out}")

  set(suites "")
  set(suite "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Za-z0-9_/]+)\\.( +#.*)?$")
      set(suite "${CMAKE_MATCH_1}")
      list(APPEND suites "${suite}")
      set(enabled_${suite} 0)
    elseif(suite AND line MATCHES "^  ([A-Za-z0-9_/]+)( +#.*)?$")
      if(NOT CMAKE_MATCH_1 MATCHES "^DISABLED_" AND NOT suite MATCHES "^DISABLED_")
        math(EXPR enabled_${suite} "${enabled_${suite}} + 1")
      endif()
    endif()
  endforeach()

  # Property values are written as bracket arguments so that spaces and semicolons survive.
  set(props "")
  foreach(p IN LISTS properties)
    string(APPEND props " [==[${p}]==]")
  endforeach()
  set(script "")
  foreach(suite IN LISTS suites)
    set(name "${target}:${suite}")
    string(APPEND script "add_test([==[${name}]==] [==[${exe}]==] [==[--gtest_filter=${suite}.*]==])\n"
                         "set_tests_properties([==[${name}]==] PROPERTIES WORKING_DIRECTORY [==[${workdir}]==]${props})\n")
    if(enabled_${suite} EQUAL 0)
      string(APPEND script "set_tests_properties([==[${name}]==] PROPERTIES DISABLED TRUE)\n")
    endif()
    list(FIND long_suites "${suite}" long)  # IN_LIST needs a policy ctest's scripts lack
    if(long GREATER -1)
      string(APPEND script "set_tests_properties([==[${name}]==] PROPERTIES COST 1000)\n")
    endif()
  endforeach()
  foreach(suite IN LISTS long_suites)
    list(FIND suites "${suite}" found)
    if(found EQUAL -1)
      message(WARNING "${target} has no suite ${suite} to start first")
    endif()
  endforeach()
  file(WRITE "${tests_file}" "${script}")
endfunction()
