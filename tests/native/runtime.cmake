add_executable(native.layout ${CMAKE_CURRENT_LIST_DIR}/layout_test.cpp ${PROJECT_SOURCE_DIR}/runtime/src/layout.cpp)
target_include_directories(native.layout PRIVATE ${PROJECT_SOURCE_DIR}/runtime/src ${PROJECT_SOURCE_DIR}/runtime/include)
target_link_libraries(native.layout PRIVATE gtest gtest_main)
add_test(NAME native.layout COMMAND native.layout)
