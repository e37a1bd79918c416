kd_add_bench(bench_net_send SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/net_send.cpp LIBS kd_net)
