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
  # Each property value is one list element here (a ';' would split it), so the two
  # variables go in through two properties.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "KORVANE_BUILD_DIR=${PROJECT_BINARY_DIR}"
               ENVIRONMENT_MODIFICATION "KORVANE_SOURCE_DIR=set:${PROJECT_SOURCE_DIR}")
endfunction()

# kv_add_bench(NAME SOURCES a.cpp LIBS ...)
function(kv_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
endfunction()

# Fuzzing. -DKORVANE_FUZZ=ON (with clang) instruments the whole build for libFuzzer with
# AddressSanitizer and UndefinedBehaviorSanitizer and makes every kv_add_fuzzer target a
# fuzzer under build/fuzz/, collected in the target `kv_fuzzers`; build/fuzz/NAME.corpus
# names its seed corpus for scripts/test.sh. In other builds each fuzzer instead becomes
# a test that runs its seed corpus once.
option(KORVANE_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(KORVANE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  add_custom_target(kv_fuzzers)
endif()

# kv_add_fuzzer(NAME SOURCES a.cpp LIBS ... CORPUS_DIR dir)
# SOURCES define LLVMFuzzerTestOneInput. A fuzzer lives in tests/<area>/fuzz/<what>_fuzz.cpp
# and is named <what>_fuzz; its seed corpus is tests/<area>/fuzz/corpus/<what>/.
function(kv_add_fuzzer name)
  cmake_parse_arguments(F "" "CORPUS_DIR" "SOURCES;LIBS" ${ARGN})
  if(KORVANE_FUZZ)
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz)
    add_dependencies(kv_fuzzers ${name})
    file(WRITE ${PROJECT_BINARY_DIR}/fuzz/${name}.corpus "${F_CORPUS_DIR}")
  else()
    add_executable(${name}_replay ${F_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/fuzz_replay_main.cpp)
    target_link_libraries(${name}_replay PRIVATE ${F_LIBS})
    add_test(NAME ${name}.corpus COMMAND ${name}_replay ${F_CORPUS_DIR})
  endif()
endfunction()
