kd_add_bench(bench_rtf SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_rtf.cpp LIBS kd_richtext)
