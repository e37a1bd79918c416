# A burst of 100 received notes from 10 computers: shown after the last acknowledgement, the
# longest stall, and the acknowledgements against a floor server.
find_library(KD_BENCH_PACE_XCB xcb)
if(KD_BENCH_PACE_XCB)
    kd_add_bench(bench_receive_pace SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/receive_pace.cpp
        LIBS kd_net kd_themes kd_store kd_platform ${KD_BENCH_PACE_XCB} kd_test_display)
    target_compile_definitions(bench_receive_pace PRIVATE KD_BINARY_DIR="${CMAKE_BINARY_DIR}")
    add_dependencies(bench_receive_pace korvadesk)
endif()
