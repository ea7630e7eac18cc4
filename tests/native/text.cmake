# The code runner's byte-level text routines on the host, under the sanitizers
# the native build applies everywhere, plus a bounded fuzzing run.
set(TEXT_BYTES_DIR ${PROJECT_SOURCE_DIR}/code-runner)

add_executable(text_bytes_test ${CMAKE_CURRENT_LIST_DIR}/text_bytes_test.cpp ${TEXT_BYTES_DIR}/text_bytes.cpp)
target_include_directories(text_bytes_test PRIVATE ${TEXT_BYTES_DIR})
target_link_libraries(text_bytes_test PRIVATE gtest gtest_main)
add_test(NAME text.bytes COMMAND text_bytes_test)

if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_executable(fuzz_text_bytes ${CMAKE_CURRENT_LIST_DIR}/fuzz_text_bytes.cpp ${TEXT_BYTES_DIR}/text_bytes.cpp)
  target_include_directories(fuzz_text_bytes PRIVATE ${TEXT_BYTES_DIR})
  target_compile_options(fuzz_text_bytes PRIVATE -fsanitize=fuzzer)
  target_link_options(fuzz_text_bytes PRIVATE -fsanitize=fuzzer)
  # Crash inputs, if any, are written to the working folder.
  add_test(NAME text.fuzz COMMAND fuzz_text_bytes -max_total_time=30 -max_len=512 -print_final_stats=1
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(text.fuzz PROPERTIES TIMEOUT 120)
endif()
