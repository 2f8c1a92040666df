# SPDX-License-Identifier: GPL-3.0-or-later
# tipvault_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [GUI])
# One QtTest executable per area, run by ctest. GUI tests run on the offscreen
# platform; every test gets its own TMPDIR so that Work directories never meet.
function(tipvault_add_test)
  cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  tipvault_strict(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  # A program a test starts never talks to a window the developer has open.
  set(env "TIPVAULT_TEST_BIN=${TIPVAULT_BIN_DIR}" "TIPVAULT_NO_SINGLE_INSTANCE=1"
          "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1"
          "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
endfunction()
