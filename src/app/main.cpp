#include <QApplication>

#include "app/application.h"

int main(int argc, char** argv) {
    QApplication qt_app(argc, argv);
    kd::Application app;
    int exit_code = 0;
    if (!app.start(exit_code)) {
        return exit_code;
    }
    return qt_app.exec();
}
