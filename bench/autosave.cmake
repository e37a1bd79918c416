# The autosave's writes and CPU time while typing 10 characters a second into one of 100 notes.
find_library(KD_BENCH_AUTOSAVE_XCB xcb)
if(KD_BENCH_AUTOSAVE_XCB)
    kd_add_bench(bench_autosave SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/autosave.cpp
        LIBS kd_themes kd_store kd_platform ${KD_BENCH_AUTOSAVE_XCB} kd_test_display)
    target_compile_definitions(bench_autosave PRIVATE KD_BINARY_DIR="${CMAKE_BINARY_DIR}")
    add_dependencies(bench_autosave korvadesk)
endif()
