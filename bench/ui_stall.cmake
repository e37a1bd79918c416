# The longest stall of the interface while ten notes with the costliest bodies arrive.
find_library(KD_BENCH_STALL_XCB xcb)
if(KD_BENCH_STALL_XCB)
    kd_add_bench(bench_ui_stall SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ui_stall.cpp
        LIBS kd_net kd_themes kd_store kd_platform ${KD_BENCH_STALL_XCB} kd_test_display)
    target_compile_definitions(bench_ui_stall PRIVATE KD_BINARY_DIR="${CMAKE_BINARY_DIR}")
    add_dependencies(bench_ui_stall korvadesk)
endif()
