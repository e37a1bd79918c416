#include "dialogs/settings_widgets.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>

#include "dialogs/settings_texts.h"

namespace kd {

SettingsPage::SettingsPage(QWidget* parent) : QWidget(parent) {}

void SettingsPage::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

YesNoPair::YesNoPair(QWidget* parent)
    : QWidget(parent),
      yes_(new QRadioButton(QString::fromUtf8(settings_texts::kYes), this)),
      no_(new QRadioButton(QString::fromUtf8(settings_texts::kNo), this)) {
    auto* group = new QButtonGroup(this);
    group->addButton(yes_);
    group->addButton(no_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(yes_);
    row->addWidget(no_);
    row->addStretch(1);
}

void YesNoPair::set_yes(bool yes) {
    (yes ? yes_ : no_)->setChecked(true);
}

bool YesNoPair::is_yes() const {
    return yes_->isChecked();
}

void YesNoPair::set_tip(const QString& tip) {
    yes_->setToolTip(tip);
    no_->setToolTip(tip);
}

SampleBox::SampleBox(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setCursor(Qt::PointingHandCursor);
    setMinimumHeight(26);
}

void SampleBox::set_colour(const QColor& fill) {
    fill_ = fill;
    update();
}

void SampleBox::set_text(const QString& text, const QFont& font, const QColor& ink) {
    text_ = text;
    text_font_ = font;
    ink_ = ink;
    update();
}

void SampleBox::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        p.fillRect(contentsRect(), fill_);
        if (!text_.isEmpty()) {
            p.setFont(text_font_);
            p.setPen(ink_);
            p.drawText(contentsRect().adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       text_);
        }
    }
    QFrame::paintEvent(event);
}

void SampleBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QFrame::mouseReleaseEvent(event);
}

}  // namespace kd
