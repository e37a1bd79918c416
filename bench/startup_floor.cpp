// The floor that the start of korvadesk is measured against: a small Qt program of ours that
// shows plain frameless windows with a text field each, as fast as Qt can. The number of
// windows is the first argument (100 when none is given).
#include <QApplication>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 100;
    QApplication app(argc, argv);
    std::vector<QWidget*> windows;
    for (int i = 0; i < count; ++i) {
        auto* w = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint);
        auto* layout = new QVBoxLayout(w);
        layout->setContentsMargins(0, 20, 0, 0);
        layout->addWidget(new QTextEdit(QStringLiteral("note %1").arg(i), w));
        w->setGeometry(10 + 9 * i, 10 + 7 * i, 200, 150);
        w->show();
        windows.push_back(w);
    }
    const int code = app.exec();
    for (QWidget* w : windows) {
        delete w;
    }
    return code;
}
