add_windows_program(code-runner "Code runner" ${CMAKE_CURRENT_SOURCE_DIR}/app.ico
  start_runner.cpp
  window_record.cpp
  run_code.cpp
)
target_link_libraries(code-runner PRIVATE regex_wrapper runtime program_support)
shipped_code(code-runner)
