# Find as you type over 300 notes of 10 KB: the index alone, and the search window with real
# note windows.
kd_add_bench(bench_find_notes SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/find_notes.cpp
    LIBS kd_app_gui kd_note_gui kd_themes kd_test_support kd_test_display Qt6::Widgets)
