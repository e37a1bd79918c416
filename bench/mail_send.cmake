# The UI while a note e-mail waits on a mail server that never answers, and Cancel.
kd_add_bench(bench_mail_send SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/mail_send.cpp
    LIBS kd_test_support kd_mail_gui kd_net_gui kd_themes)
