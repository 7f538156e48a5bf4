# dalmiro_add_test(NAME SOURCES a.cpp b.cpp LIBS x y)
# One test binary is one ctest entry; it runs headless on the offscreen platform.
function(dalmiro_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config"
    TIMEOUT 600
    # A binary that ends early without an error (the program's own ending called by mistake) must not
    # count as passed: only gtest's summary line does, and no failure or sanitizer report may come with it.
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ tests?\\."
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]|ERROR: [A-Za-z]+Sanitizer|runtime error:")
endfunction()

# dalmiro_add_bench(NAME SOURCES a.cpp LIBS x): built only with DALMIRO_BENCH, run by `make bench`.
function(dalmiro_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT DALMIRO_BENCH)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
