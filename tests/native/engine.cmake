# The built-in regular-expression engine of code-runner (standard C++ only),
# built for the host under the sanitizers: its tests and its fuzz target.
set(REGEX_ENGINE_DIR ${PROJECT_SOURCE_DIR}/code-runner/regex_engine)
set(REGEX_ENGINE_SOURCES
  ${REGEX_ENGINE_DIR}/case_fold.cpp
  ${REGEX_ENGINE_DIR}/char_class.cpp
  ${REGEX_ENGINE_DIR}/compiler.cpp
  ${REGEX_ENGINE_DIR}/engine.cpp
  ${REGEX_ENGINE_DIR}/parser.cpp
  ${REGEX_ENGINE_DIR}/replace.cpp
  ${REGEX_ENGINE_DIR}/vm.cpp
)

add_library(native_regex_engine STATIC ${REGEX_ENGINE_SOURCES})
target_include_directories(native_regex_engine PUBLIC ${REGEX_ENGINE_DIR})

add_executable(native.engine
  ${CMAKE_CURRENT_LIST_DIR}/engine_case_fold_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_compile_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_linear_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_match_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_reference.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_reference_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_replace_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_test_support.cpp
)
target_link_libraries(native.engine PRIVATE native_regex_engine gtest gtest_main)
add_test(NAME native.engine COMMAND native.engine)

# libFuzzer comes with clang only. The engine sources are compiled into the
# target itself so that they carry the fuzzer's coverage instrumentation.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_executable(native.engine.fuzz
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_engine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_reference.cpp
    ${REGEX_ENGINE_SOURCES}
  )
  target_include_directories(native.engine.fuzz PRIVATE ${REGEX_ENGINE_DIR})
  target_compile_options(native.engine.fuzz PRIVATE -fsanitize=fuzzer)
  target_link_options(native.engine.fuzz PRIVATE -fsanitize=fuzzer)
  # New inputs go to a corpus in the build folder; the checked-in seeds are
  # only read.
  set(ENGINE_FUZZ_CORPUS ${CMAKE_CURRENT_BINARY_DIR}/engine_fuzz_corpus)
  file(MAKE_DIRECTORY ${ENGINE_FUZZ_CORPUS})
  add_test(NAME native.engine.fuzz
    COMMAND native.engine.fuzz ${ENGINE_FUZZ_CORPUS} ${CMAKE_CURRENT_LIST_DIR}/engine_fuzz_seeds
            -max_total_time=20 -rss_limit_mb=2048 -timeout=10 -print_final_stats=1)
  set_tests_properties(native.engine.fuzz PROPERTIES TIMEOUT 120)
endif()
