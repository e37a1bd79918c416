#include "dialogs/expiration_dialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

#include "dialogs/reminder_pickers.h"
#include "reminders/expiration.h"
#include "reminders/reminder_texts.h"

namespace kd {

namespace rt = reminder_texts;

namespace {
constexpr int kRadioToControlGap = 4;
}  // namespace

ExpirationDialog::ExpirationDialog(const std::string& value, const std::string& date_format,
                                   const Clock& clock, QWidget* parent)
    : QDialog(parent), clock_(clock), value_(value) {
    setWindowTitle(QString::fromStdString(expiration_dialog_caption(value, date_format)));
    setWindowIcon(reminder_dialog_icon(NotePicture::Expiration));
    build();
    periods_->setCurrentIndex(rt::kDefaultPeriodIndex);
    date_->setDate(clock_today(clock_));
    take(value);
}

void ExpirationDialog::build() {
    auto* frame = new QGroupBox(this);
    never_ = new QRadioButton(rt::kNeverExpire, frame);
    period_ = new QRadioButton(frame);
    periods_ = new QComboBox(frame);
    for (const char* item : rt::kPeriodItems) {
        periods_->addItem(item);
    }
    end_of_day_ = new QRadioButton(rt::kExpireEndOfDay, frame);
    date_ = make_short_date_picker(frame);
    // Each radio stands right before the control it chooses: the one without text would
    // otherwise sit alone in a column as wide as the longest radio's text.
    auto* rows = new QVBoxLayout(frame);
    rows->addWidget(never_);
    for (auto [radio, control] : {std::pair<QWidget*, QWidget*>{period_, periods_},
                                  std::pair<QWidget*, QWidget*>{end_of_day_, date_}}) {
        auto* row = new QHBoxLayout;
        row->setSpacing(kRadioToControlGap);
        row->addWidget(radio);
        row->addWidget(control);
        row->addStretch(1);
        rows->addLayout(row);
    }

    apply_ = new QPushButton(rt::kApply, this);
    apply_->setDefault(true);
    cancel_ = new QPushButton(rt::kCancel, this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(apply_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    never_->setToolTip(rt::kTipNeverExpire);
    period_->setToolTip(rt::kTipExpirePeriod);
    periods_->setToolTip(rt::kTipExpirePeriod);
    end_of_day_->setToolTip(rt::kTipExpireEndOfDay);
    date_->setToolTip(rt::kTipExpireEndOfDay);
    apply_->setToolTip(rt::kTipExpirationApply);
    cancel_->setToolTip(rt::kTipExpirationCancel);

    periods_->installEventFilter(this);
    date_->installEventFilter(this);
    connect(apply_, &QPushButton::clicked, this, [this] { apply(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

bool ExpirationDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == periods_) {
            period_->setChecked(true);
        } else if (watched == date_) {
            end_of_day_->setChecked(true);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ExpirationDialog::take(const std::string& value) {
    // A value the note cannot read never expires, and is shown so.
    const auto expiration = parse_expiration(value);
    if (!expiration) {
        never_->setChecked(true);
    } else if (expiration->mode == ExpiryMode::EndOfDay) {
        end_of_day_->setChecked(true);
        date_->setDate(stamp_date(expiration->moment));
    } else {
        // The list tells the period; the moment it gave is not shown.
        period_->setChecked(true);
        periods_->setCurrentIndex(static_cast<int>(expiration->mode));
    }
}

void ExpirationDialog::apply() {
    if (never_->isChecked()) {
        value_.clear();
    } else if (period_->isChecked()) {
        value_ = make_period_expiration(static_cast<ExpiryMode>(periods_->currentIndex()), clock_);
    } else if (end_of_day_->isChecked()) {
        value_ = make_end_of_day_expiration(stamp_of(date_->date(), QTime(0, 0)));
    } else {
        return;
    }
    accept();
}

}  // namespace kd
