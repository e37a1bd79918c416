kd_add_bench(bench_net_receive SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/net_receive.cpp LIBS kd_net)
