# Start-up of the real program with 100 stored notes against a floor of 100 plain Qt windows.
find_library(KD_BENCH_XCB xcb)
if(KD_BENCH_XCB)
    add_executable(bench_startup_floor ${CMAKE_CURRENT_SOURCE_DIR}/startup_floor.cpp)
    target_link_libraries(bench_startup_floor PRIVATE Qt6::Widgets)
    kd_add_bench(bench_startup SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/startup.cpp
        LIBS kd_themes kd_store kd_platform ${KD_BENCH_XCB})
    target_compile_definitions(bench_startup PRIVATE KD_BINARY_DIR="${CMAKE_BINARY_DIR}"
        KD_BENCH_DIR="${CMAKE_CURRENT_BINARY_DIR}")
    add_dependencies(bench_startup bench_startup_floor korvadesk)
endif()
