# Resident memory and mapped shared libraries of a start with no stored note, against the floor
# program with one window.
find_library(KD_BENCH_XCB xcb)
if(KD_BENCH_XCB)
    kd_add_bench(bench_libraries SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/libraries.cpp
        LIBS kd_themes kd_store kd_platform ${KD_BENCH_XCB} kd_test_display)
    target_compile_definitions(bench_libraries PRIVATE KD_BENCH_DIR="${CMAKE_CURRENT_BINARY_DIR}")
    add_dependencies(bench_libraries bench_startup_floor korvadesk)
endif()
