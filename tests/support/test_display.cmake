# The private X server of the tests and of the benchmarks that start the program; either may be
# built without the other.
if(NOT TARGET kd_test_display)
    add_library(kd_test_display STATIC ${CMAKE_CURRENT_LIST_DIR}/test_display.cpp)
    target_include_directories(kd_test_display PUBLIC ${CMAKE_SOURCE_DIR}/tests)
endif()
