#include "dialogs/about_box.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>

#include "dialogs/small_dialog_rules.h"
#include "platform/clock.h"

namespace kd {

namespace sdl = small_dialogs;

namespace {

const QColor kLinkColour(0, 0, 255);
const QColor kHomePageBack(151, 203, 255);

}  // namespace

LinkLabel::LinkLabel(const QString& text, const QUrl& target, QWidget* parent)
    : QLabel(text, parent), target_(target) {
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, kLinkColour);
    setPalette(p);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setMouseTracking(true);
}

QRect LinkLabel::text_rect() const {
    const QRect area = contentsRect();
    const QRect text = fontMetrics().boundingRect(QLabel::text());
    return QStyle::alignedRect(layoutDirection(), alignment(), text.size(), area);
}

void LinkLabel::mouseMoveEvent(QMouseEvent* event) {
    setCursor(text_rect().contains(event->position().toPoint()) ? Qt::PointingHandCursor
                                                                : Qt::ArrowCursor);
    QLabel::mouseMoveEvent(event);
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && text_rect().contains(event->position().toPoint())) {
        emit activated(target_);
        return;
    }
    QLabel::mousePressEvent(event);
}

AboutBox::AboutBox(const Clock& clock, QWidget* parent) : QDialog(parent) {
    const QString product = QString::fromStdString(sdl::product_line());
    setWindowTitle(product);
    product_ = new QLabel(product, this);
    QFont big = product_->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 4);
    product_->setFont(big);
    year_ =
        new QLabel(QString::fromStdString(sdl::year_line(clock.local_now().tm_year + 1900)), this);
    home_field_ = new QLineEdit(QString::fromUtf8(sdl::kHomePage), this);
    home_field_->setReadOnly(true);
    home_field_->setMinimumWidth(home_field_->fontMetrics().horizontalAdvance(sdl::kHomePage) + 16);
    QPalette p = home_field_->palette();
    p.setColor(QPalette::Base, kHomePageBack);
    home_field_->setPalette(p);
    home_button_ = new QPushButton(QString::fromUtf8(sdl::kHomePageButton), this);
    contact_ = new LinkLabel(QString::fromUtf8(sdl::kContactAddress),
                             QUrl(QStringLiteral("mailto:") + sdl::kContactAddress), this);
    auto* close = new QPushButton(QString::fromUtf8(sdl::kClose), this);
    close->setDefault(true);
    close->setFocus();
    icon_ = new QLabel(this);
    icon_->setPixmap(QApplication::windowIcon().pixmap(48, 48));

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon_, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(product_, 0, 1, 1, 2);
    grid->addWidget(year_, 1, 1, 1, 2);
    grid->addWidget(contact_, 2, 1, 1, 2, Qt::AlignLeft);
    grid->addWidget(home_field_, 3, 1);
    grid->addWidget(home_button_, 3, 2);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(close);
    grid->addLayout(row, 4, 0, 1, 3);

    connect(home_button_, &QPushButton::clicked, this,
            [this] { emit open_requested(QUrl(QString::fromUtf8(sdl::kHomePage))); });
    connect(contact_, &LinkLabel::activated, this, &AboutBox::open_requested);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(this, &AboutBox::open_requested, this,
            [](const QUrl& url) { QDesktopServices::openUrl(url); });
}

}  // namespace kd
