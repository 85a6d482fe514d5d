# Helpers shared by every area of the build.

# The two products live at fixed places so that scripts and users find them:
# build/korvane.so and build/korvane-host.
function(kv_output_at_top target)
  set_target_properties(${target} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endfunction()

# kv_add_test(NAME SOURCES a.cpp b.cpp LIBS kv_engine ...)
# One GoogleTest executable; its cases are discovered and run by ctest.
function(kv_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "KORVANE_BUILD_DIR=${PROJECT_BINARY_DIR};KORVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# kv_add_bench(NAME SOURCES a.cpp LIBS ...)
function(kv_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
endfunction()
