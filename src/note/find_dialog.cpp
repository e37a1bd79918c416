#include "note/find_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kd {

namespace {
namespace texts {
constexpr const char* kFindTitle = "Find";
constexpr const char* kFindWhat = "Fi&nd what:";
constexpr const char* kWholeWord = "Match &whole word only";
constexpr const char* kMatchCase = "Match &case";
constexpr const char* kDirection = "Direction";
constexpr const char* kUp = "&Up";
constexpr const char* kDown = "&Down";
constexpr const char* kFindNext = "&Find Next";
constexpr const char* kCancel = "Cancel";
}  // namespace texts
}  // namespace

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(texts::kFindTitle);
    setModal(false);

    auto* label = new QLabel(texts::kFindWhat, this);
    what_ = new QLineEdit(this);
    label->setBuddy(what_);
    whole_word_ = new QCheckBox(texts::kWholeWord, this);
    match_case_ = new QCheckBox(texts::kMatchCase, this);
    auto* direction = new QGroupBox(texts::kDirection, this);
    up_ = new QRadioButton(texts::kUp, direction);
    down_ = new QRadioButton(texts::kDown, direction);
    down_->setChecked(true);
    auto* dir_layout = new QHBoxLayout(direction);
    dir_layout->addWidget(up_);
    dir_layout->addWidget(down_);

    auto* find_next_button = new QPushButton(texts::kFindNext, this);
    find_next_button->setDefault(true);
    auto* cancel = new QPushButton(texts::kCancel, this);

    auto* left = new QVBoxLayout;
    auto* what_row = new QHBoxLayout;
    what_row->addWidget(label);
    what_row->addWidget(what_);
    left->addLayout(what_row);
    auto* options = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    checks->addWidget(whole_word_);
    checks->addWidget(match_case_);
    options->addLayout(checks);
    options->addWidget(direction);
    left->addLayout(options);
    auto* right = new QVBoxLayout;
    right->addWidget(find_next_button);
    right->addWidget(cancel);
    right->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right);

    connect(find_next_button, &QPushButton::clicked, this, &FindDialog::find_next);
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
    auto enable = [this, find_next_button] {
        find_next_button->setEnabled(!what_->text().isEmpty());
    };
    connect(what_, &QLineEdit::textChanged, this, enable);
    enable();
}

void FindDialog::set_text(const QString& text) {
    what_->setText(text);
}
QString FindDialog::text() const {
    return what_->text();
}
bool FindDialog::whole_word() const {
    return whole_word_->isChecked();
}
bool FindDialog::match_case() const {
    return match_case_->isChecked();
}
bool FindDialog::down() const {
    return down_->isChecked();
}
void FindDialog::set_down(bool down) {
    (down ? down_ : up_)->setChecked(true);
}

}  // namespace kd
