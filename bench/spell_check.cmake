# Spell checking a 10 KB note body: the words alone, a whole body checked again, one keystroke.
kd_add_bench(bench_spell_check SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/spell_check.cpp
    LIBS kd_note_body kd_spelling Qt6::Gui)
