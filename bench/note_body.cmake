# What showing the costliest received bodies costs the interface thread, body by body.
kd_add_bench(bench_note_body SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/note_body.cpp
    LIBS kd_note_body kd_net Qt6::Widgets kd_test_display)
