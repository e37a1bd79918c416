#include "dialogs/paragraph_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/small_dialog_pictures.h"
#include "platform/message_boxes.h"

namespace kd {

namespace sdl = small_dialogs;

namespace {

QRadioButton* make_radio(QWidget* parent, const char* text, int alignment, const char* tip) {
    auto* radio = new QRadioButton(QString::fromUtf8(text), parent);
    radio->setIcon(alignment_picture(alignment));
    radio->setToolTip(QString::fromUtf8(tip));
    return radio;
}

QLineEdit* make_indent(QWidget* parent, int twips, const char* tip) {
    auto* edit = new QLineEdit(QString::number(sdl::twips_to_shown_mm(twips)), parent);
    edit->setToolTip(QString::fromUtf8(tip));
    edit->setMaximumWidth(70);
    return edit;
}

}  // namespace

ParagraphDialog::ParagraphDialog(const sdl::ParagraphFormat& format, MessageBoxes& boxes,
                                 QWidget* parent)
    : QDialog(parent), format_(format), boxes_(boxes) {
    setWindowTitle(QString::fromUtf8(sdl::kParagraphCaption));
    build();
    left_->setChecked(format.alignment == sdl::kAlignLeft);
    center_->setChecked(format.alignment == sdl::kAlignCenter);
    right_->setChecked(format.alignment == sdl::kAlignRight);
    bullet_->setChecked(format.bullet);
}

void ParagraphDialog::build() {
    auto* alignment = new QGroupBox(QString::fromUtf8(sdl::kAlignmentGroup), this);
    left_ = make_radio(alignment, sdl::kLeft, sdl::kAlignLeft, sdl::kTipLeft);
    center_ = make_radio(alignment, sdl::kCenter, sdl::kAlignCenter, sdl::kTipCenter);
    right_ = make_radio(alignment, sdl::kRight, sdl::kAlignRight, sdl::kTipRight);
    auto* radios = new QVBoxLayout(alignment);
    radios->addWidget(left_);
    radios->addWidget(center_);
    radios->addWidget(right_);
    auto* group = new QButtonGroup(this);
    group->addButton(left_);
    group->addButton(center_);
    group->addButton(right_);

    auto* indentation = new QGroupBox(QString::fromUtf8(sdl::kIndentationGroup), this);
    left_indent_ = make_indent(indentation, format_.start_indent, sdl::kTipLeftIndent);
    right_indent_ = make_indent(indentation, format_.right_indent, sdl::kTipRightIndent);
    auto* fields = new QFormLayout(indentation);
    fields->addRow(QString::fromUtf8(sdl::kLeftIndentLabel), left_indent_);
    fields->addRow(QString::fromUtf8(sdl::kRightIndentLabel), right_indent_);

    bullet_ = new QCheckBox(QString::fromUtf8(sdl::kBulletStyle), this);
    bullet_->setToolTip(QString::fromUtf8(sdl::kTipBullet));
    ok_ = new QPushButton(tr("OK"), this);
    ok_->setDefault(true);
    ok_->setToolTip(QString::fromUtf8(sdl::kTipOk));
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setToolTip(QString::fromUtf8(sdl::kTipCancel));
    connect(ok_, &QPushButton::clicked, this, &ParagraphDialog::press_ok);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(alignment);
    groups->addWidget(indentation);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bullet_);
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* page = new QVBoxLayout(this);
    page->addLayout(groups);
    page->addLayout(buttons);
}

void ParagraphDialog::press_ok() {
    // The fields are read in order; the first that is not an integer is reported and stops
    // the reading, so it and the ones after it keep their values from the opening.
    int left_mm = sdl::twips_to_shown_mm(format_.start_indent);
    int right_mm = sdl::twips_to_shown_mm(format_.right_indent);
    const auto left = sdl::read_integer(left_indent_->text().toStdString());
    const auto right =
        left ? sdl::read_integer(right_indent_->text().toStdString()) : std::optional<int>();
    if (left) {
        left_mm = *left;
    }
    if (right) {
        right_mm = *right;
    }
    if (!left || !right) {
        boxes_.tell(this, QMessageBox::Warning, QString::fromUtf8(sdl::kNotAnInteger));
    }
    if (left_->isChecked()) {
        format_.alignment = sdl::kAlignLeft;
    } else if (center_->isChecked()) {
        format_.alignment = sdl::kAlignCenter;
    } else if (right_->isChecked()) {
        format_.alignment = sdl::kAlignRight;
    }
    format_.start_indent = sdl::mm_to_twips(left_mm);
    format_.right_indent = sdl::mm_to_twips(right_mm);
    format_.bullet = bullet_->isChecked();
    accept();
}

}  // namespace kd
