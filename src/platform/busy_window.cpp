#include "platform/busy_window.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/app_identity.h"

namespace kd {

namespace {

constexpr int kWheelSpokes = 12;
constexpr int kWheelStepMs = 80;
constexpr int kMinWindowWidth = 300;

}  // namespace

BusyWheel::BusyWheel(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
    setFixedSize(sizeHint());
    connect(timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % kWheelSpokes;
        update();
    });
    timer_->start(kWheelStepMs);
}

void BusyWheel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(width() / 2.0, height() / 2.0);
    const double radius = std::min(width(), height()) / 2.0 - 2;
    for (int i = 0; i < kWheelSpokes; ++i) {
        // The spoke at the current step is darkest; the ones behind it fade out.
        const int age = (step_ - i + kWheelSpokes) % kWheelSpokes;
        QColor colour = palette().color(QPalette::WindowText);
        colour.setAlphaF(1.0 - age / static_cast<double>(kWheelSpokes));
        p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, -radius / 2), QPointF(0, -radius));
        p.rotate(360.0 / kWheelSpokes);
    }
}

BusyWindow::BusyWindow(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      first_(new QLabel(this)),
      second_(new QLabel(this)),
      cancel_(new QPushButton(this)),
      wheel_(new BusyWheel(this)) {
    setWindowTitle(QStringLiteral(" %1 %2").arg(kAppName, kVersionLabel));
    auto* lines = new QVBoxLayout;
    lines->addWidget(first_);
    lines->addWidget(second_);
    lines->addWidget(cancel_, 0, Qt::AlignRight);
    cancel_->hide();
    connect(cancel_, &QPushButton::clicked, this, [this] {
        cancel_->setEnabled(false);
        emit cancel_clicked();
    });
    auto* row = new QHBoxLayout(this);
    row->addWidget(wheel_, 0, Qt::AlignVCenter);
    row->addSpacing(8);
    row->addLayout(lines, 1);
    setMinimumWidth(kMinWindowWidth);
}

void BusyWindow::set_texts(const QString& first, const QString& second) {
    first_->setText(first);
    second_->setText(second);
}

QString BusyWindow::first_line() const {
    return first_->text();
}

QString BusyWindow::second_line() const {
    return second_->text();
}

void BusyWindow::offer_cancel(const QString& text) {
    cancel_->setText(text);
    cancel_->setEnabled(true);
    cancel_->show();
}

void BusyWindow::show_at_work_area_corner(int inset) {
    adjustSize();
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    show();
    if (screen != nullptr) {
        // The frame is known once shown; without a window manager it is the window itself.
        const QRect area = screen->availableGeometry();
        const QRect frame = frameGeometry();
        move(pos() + (area.bottomRight() - QPoint(inset, inset) - frame.bottomRight()));
    }
    repaint();
}

}  // namespace kd
