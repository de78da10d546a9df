# quorvane_add_test(<target> SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s])
# One GoogleTest executable per layer; each test case becomes a CTest test
# carrying the layer's labels and a time limit, so a hang ends as a failure.
# Tests are listed right after linking: CMake 3.25 names the PRE_TEST include
# file after itself, so that mode recurses without end.
find_package(GTest REQUIRED)
include(GoogleTest)

function(quorvane_add_test target)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE quorvane_options ${ARG_LIBS})
  target_include_directories(${target} PRIVATE "${PROJECT_SOURCE_DIR}")
  target_compile_definitions(${target} PRIVATE
    QUORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QUORVANE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # gtest_discover_tests (CMake 3.25) splits a list-valued property into
  # separate arguments, so several labels travel as one joined label:
  # "ftp-slow" still matches both "ctest -L ftp" and "ctest -LE slow".
  list(JOIN ARG_LABELS "-" labels)
  # Sort orders and system error texts follow the locale: every test runs in
  # the C locale, whatever the machine's is.
  gtest_discover_tests(${target}
    DISCOVERY_MODE POST_BUILD
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${labels}" ENVIRONMENT "LC_ALL=C.UTF-8")
endfunction()
