kd_add_bench(bench_store SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/store_bench.cpp LIBS kd_store)
