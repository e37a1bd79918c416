# Start-up of the real program with 100 stored notes against a floor of 100 plain Qt windows.
find_library(KD_BENCH_XCB xcb)
if(KD_BENCH_XCB)
    add_executable(bench_startup_floor ${CMAKE_CURRENT_SOURCE_DIR}/startup_floor.cpp)
    target_link_libraries(bench_startup_floor PRIVATE Qt6::Widgets)
    kd_add_bench(bench_startup SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/startup.cpp
        LIBS kd_themes kd_store kd_platform ${KD_BENCH_XCB} kd_test_display)
    target_compile_definitions(bench_startup PRIVATE KD_BINARY_DIR="${CMAKE_BINARY_DIR}"
        KD_BENCH_DIR="${CMAKE_CURRENT_BINARY_DIR}")
    add_dependencies(bench_startup bench_startup_floor korvadesk)
    # Resident memory with 100 stored notes against none, and against the same floor.
    kd_add_bench(bench_memory SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/memory.cpp
        LIBS kd_themes kd_store kd_platform ${KD_BENCH_XCB} kd_test_display)
    target_compile_definitions(bench_memory PRIVATE KD_BINARY_DIR="${CMAKE_BINARY_DIR}"
        KD_BENCH_DIR="${CMAKE_CURRENT_BINARY_DIR}")
    add_dependencies(bench_memory bench_startup_floor korvadesk)
    # Send-to-acknowledgement and send-to-note-shown against the running program.
    kd_add_bench(bench_delivery SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/delivery.cpp
        LIBS kd_net kd_themes kd_store kd_platform ${KD_BENCH_XCB} kd_test_display)
    target_compile_definitions(bench_delivery PRIVATE KD_BINARY_DIR="${CMAKE_BINARY_DIR}")
    add_dependencies(bench_delivery korvadesk)
endif()
