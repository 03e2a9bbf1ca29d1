# Shared build rules: warnings, sanitizers and the helpers every folder uses.

set(VQ_WARNINGS -Wall -Wextra -Wpedantic -Werror -Wno-missing-field-initializers)

set(VQ_SANITIZE_FLAGS "")
if(VQ_SANITIZE)
  set(VQ_SANITIZE_FLAGS -fsanitize=${VQ_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
endif()

# Applies the project's compile rules to one of our own targets.
function(vq_target_defaults target)
  target_compile_options(${target} PRIVATE ${VQ_WARNINGS} ${VQ_SANITIZE_FLAGS})
  target_link_options(${target} PRIVATE ${VQ_SANITIZE_FLAGS})
  if(VQ_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# vq_add_library(name [STATIC|SHARED] SOURCES ... [PUBLIC_LIBS ...] [LIBS ...])
# Includes are written from the repository root: #include "protocol/RecordSet.h".
# PUBLIC_LIBS are what the library's own headers include (its users need them too); LIBS are
# used by its sources only. Which folder may use which is checked by tests/layering.
function(vq_add_library name)
  cmake_parse_arguments(A "STATIC;SHARED" "" "SOURCES;LIBS;PUBLIC_LIBS" ${ARGN})
  set(kind STATIC)
  if(A_SHARED)
    set(kind SHARED)
  endif()
  add_library(${name} ${kind} ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_PUBLIC_LIBS} PRIVATE ${A_LIBS})
  vq_target_defaults(${name})
endfunction()

# vq_add_gtest(name SOURCES ... [LIBS ...] [LABELS unit|e2e|gui ...] [TIMEOUT s] [WHOLE])
# Each test case becomes a CTest test, discovered when the tests run.
# WHOLE registers the binary as one test instead (for expensive set-up such as Qt).
function(vq_add_gtest name)
  cmake_parse_arguments(A "WHOLE" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT A_LABELS)
    set(A_LABELS unit)
  endif()
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 120)
  endif()
  add_executable(${name} ${A_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  vq_target_defaults(${name})
  set(env "VQ_SOURCE_DIR=${PROJECT_SOURCE_DIR};VQ_BINARY_DIR=${CMAKE_BINARY_DIR};VQ_RUNTIME_DIR=${VQ_RUNTIME_DIR}")
  if(A_WHOLE)
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    set_tests_properties(${name} PROPERTIES LABELS "${A_LABELS}" TIMEOUT ${A_TIMEOUT} ENVIRONMENT "${env}")
  else()
    # Discovered tests take their properties as one flat list, which would split a list-valued
    # ENVIRONMENT; the test binary is started through `cmake -E env` instead.
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;${env}")
    gtest_discover_tests(${name}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
      DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS "${A_LABELS}" TIMEOUT ${A_TIMEOUT})
  endif()
endfunction()

# vq_add_bench(name SOURCES ... [LIBS ...]): a Google Benchmark binary in build/bench.
function(vq_add_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_LIBS} benchmark::benchmark Threads::Threads)
  vq_target_defaults(${name})
endfunction()

# vq_add_fuzzer(name SOURCES ... [LIBS ...] [CORPUS dir]): a libFuzzer target in
# build/fuzz, run for a bounded time by CTest under the label "fuzz".
function(vq_add_fuzzer name)
  cmake_parse_arguments(A "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  # The fuzz build only needs its targets: `cmake --build . --target vq_fuzzers`.
  if(NOT TARGET vq_fuzzers)
    add_custom_target(vq_fuzzers)
  endif()
  add_dependencies(vq_fuzzers ${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  target_compile_options(${name} PRIVATE ${VQ_WARNINGS} -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  if(NOT DEFINED VQ_FUZZ_SECONDS)
    set(VQ_FUZZ_SECONDS 20)
  endif()
  set(corpus_args "")
  if(A_CORPUS)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz/${name}.corpus)
    set(corpus_args ${CMAKE_BINARY_DIR}/fuzz/${name}.corpus ${A_CORPUS})
  endif()
  add_test(NAME fuzz.${name}
    COMMAND ${name} -max_total_time=${VQ_FUZZ_SECONDS} -rss_limit_mb=2048 -timeout=10 ${corpus_args}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 300)
endfunction()
