include(${CMAKE_CURRENT_LIST_DIR}/OmbrelGTestSuites.cmake)

# Small helpers so that adding a source or test file needs no CMake edit:
# each module globs its own folder, and each tests/ folder becomes one GoogleTest binary.

# ombrel_glob_sources(<out-var> <dir>): the .cpp files directly in <dir>.
function(ombrel_glob_sources out dir)
  file(GLOB _srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  set(${out} ${_srcs} PARENT_SCOPE)
endfunction()

# ombrel_test_code(<target>): the tests' own code is compiled for a quick build (-Og) in the
# optimised builds, while what they test keeps the build's optimisation in its libraries:
# compiling the test files at -O2 took about twice the time and bought the tests nothing.
function(ombrel_test_code target)
  target_compile_options(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-Og>)
endfunction()

# ombrel_add_test_dir(<name> <dir> LIBS <libs...> [PROPERTIES <prop> <value>...]
#                     [LONG_SUITES <suite>...]): one test binary from <dir>/*.cpp, registered
# with CTest suite by suite (OmbrelGTestSuites.cmake). Tests run with their source folder's
# testdata/ reachable through OMBREL_TESTDATA.
function(ombrel_add_test_dir name dir)
  cmake_parse_arguments(ARG "" "" "LIBS;PROPERTIES;LONG_SUITES" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT _srcs)
    return()
  endif()
  add_executable(${name} ${_srcs})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE OMBREL_TESTDATA="${dir}/testdata")
  ombrel_test_code(${name})
  ombrel_gtest_suites(${name} PROPERTIES ${ARG_PROPERTIES} LONG_SUITES ${ARG_LONG_SUITES})
endfunction()
