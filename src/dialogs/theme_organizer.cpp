#include "dialogs/theme_organizer.h"

#include "store/note_store.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/message_boxes.h"
#include "themes/theme_commands.h"

namespace kd {

namespace ot = organizer_texts;

namespace {

// Tips on a pale yellow (0xAFFFFF), at most 200 pixels wide.
constexpr const char* kTipStyle =
    "QToolTip { background-color: #ffffaf; color: black; max-width: 200px; }";
// 231 by 183 dialog units of the system's dialog font.
constexpr int kWidth = 347;
constexpr int kHeight = 297;
constexpr int kNameColumnWidth = 193;

QString delete_question() {
    return QString::fromUtf8(ot::kDeleteQuestionPattern)
        .replace(QStringLiteral("%s"), QString::fromUtf8(ot::kAreYouSure));
}

}  // namespace

ThemeOrganizer::ThemeOrganizer(const NoteStore& store, MessageBoxes& boxes,
                               ThemeSortState& sort_state, QWidget* parent)
    : QDialog(parent), store_(store), boxes_(boxes), sort_state_(sort_state) {
    build();
    rows_ = read_theme_rows(store_);
    fill_list();
    set_buttons();
}

ThemeOrganizer::~ThemeOrganizer() = default;

void ThemeOrganizer::build() {
    setWindowTitle(ot::kCaption);
    setWindowIcon(theme_picture());
    setStyleSheet(kTipStyle);
    setFixedSize(kWidth, kHeight);

    list_ = new QTableWidget(0, 2, this);
    list_->setHorizontalHeaderLabels({ot::kNameColumn, ot::kNumberColumn});
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    list_->horizontalHeader()->setSectionsMovable(true);
    list_->horizontalHeader()->setStretchLastSection(false);
    list_->setColumnWidth(0, kNameColumnWidth);
    list_->setColumnHidden(1, true);
    list_->verticalHeader()->hide();
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::EditKeyPressed);
    list_->setToolTip(ot::kListTip);
    list_->installEventFilter(this);

    auto button = [this](const char* text, const char* tip) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setToolTip(QString::fromUtf8(tip));
        b->setAutoDefault(false);
        return b;
    };
    rename_ = button(ot::kRename, ot::kRenameTip);
    delete_ = button(ot::kDelete, ot::kDeleteTip);
    up_ = button("", ot::kUpTip);
    up_->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    down_ = button("", ot::kDownTip);
    down_->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    sort_ = button(ot::kSort, ot::kSortTip);
    close_ = button(ot::kClose, ot::kCloseTip);
    close_->setDefault(true);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {rename_, delete_, up_, down_, sort_}) {
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    connect(rename_, &QPushButton::clicked, this, &ThemeOrganizer::rename_selected);
    connect(delete_, &QPushButton::clicked, this, &ThemeOrganizer::delete_selected);
    connect(up_, &QPushButton::clicked, this, &ThemeOrganizer::move_up);
    connect(down_, &QPushButton::clicked, this, &ThemeOrganizer::move_down);
    connect(sort_, &QPushButton::clicked, this, &ThemeOrganizer::sort);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    connect(list_, &QTableWidget::itemSelectionChanged, this, &ThemeOrganizer::set_buttons);
    connect(list_, &QTableWidget::itemChanged, this, &ThemeOrganizer::name_edited);
    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &ThemeOrganizer::sort_by);
}

QPushButton* ThemeOrganizer::button(int id) const {
    switch (id) {
        case kIdRename:
            return rename_;
        case kIdDelete:
            return delete_;
        case kIdUp:
            return up_;
        case kIdDown:
            return down_;
        case kIdSort:
            return sort_;
        case kIdClose:
            return close_;
        default:
            return nullptr;
    }
}

void ThemeOrganizer::fill_list() {
    filling_ = true;
    list_->setRowCount(static_cast<int>(rows_.size()));
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        const ThemeRow& row = rows_[std::size_t(r)];
        auto* name = new QTableWidgetItem(theme_picture(), QString::fromStdString(row.name));
        name->setTextAlignment(Qt::AlignCenter);
        name->setData(Qt::UserRole, row.inserted);
        auto* number = new QTableWidgetItem(QString::number(row.number));
        number->setFlags(number->flags() & ~Qt::ItemIsEditable);
        list_->setItem(r, 0, name);
        list_->setItem(r, 1, number);
    }
    filling_ = false;
}

void ThemeOrganizer::set_buttons() {
    const std::size_t selected = selected_rows().size();
    rename_->setEnabled(selected == 1);
    up_->setEnabled(selected == 1);
    down_->setEnabled(selected == 1);
    delete_->setEnabled(selected >= 1);
    sort_->setEnabled(!rows_.empty());
}

std::vector<int> ThemeOrganizer::selected_rows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ThemeOrganizer::select_only(int row) {
    list_->clearSelection();
    list_->selectRow(row);
    list_->setCurrentCell(row, 0);
    list_->scrollToItem(list_->item(row, 0));
    list_->setFocus();
}

void ThemeOrganizer::rename_selected() {
    const std::vector<int> selected = selected_rows();
    if (selected.size() != 1) {
        return;
    }
    list_->setFocus();
    list_->editItem(list_->item(selected.front(), 0));
}

void ThemeOrganizer::name_edited(QTableWidgetItem* item) {
    if (filling_ || item->column() != 0) {
        return;
    }
    ThemeRow& row = rows_[std::size_t(item->row())];
    rename_theme_row(row, item->text().toStdString());
    // A name of blanks only gives the old name back.
    filling_ = true;
    item->setText(QString::fromStdString(row.name));
    filling_ = false;
}

void ThemeOrganizer::delete_selected() {
    const std::vector<int> selected = selected_rows();
    if (selected.empty()) {
        return;
    }
    if (!boxes_.ask(this, QMessageBox::Question, delete_question())) {
        return;
    }
    std::vector<int> numbers;
    numbers.reserve(selected.size());
    for (int r : selected) {
        numbers.push_back(rows_[std::size_t(r)].number);
    }
    delete_saved_themes(store_, numbers);
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        rows_.erase(rows_.begin() + *it);
    }
    fill_list();
    list_->clearSelection();
    set_buttons();
}

void ThemeOrganizer::move_up() {
    const std::vector<int> selected = selected_rows();
    if (selected.size() != 1 || !move_theme_row_up(rows_, selected.front())) {
        return;
    }
    fill_list();
    select_only(selected.front() - 1);
}

void ThemeOrganizer::move_down() {
    const std::vector<int> selected = selected_rows();
    if (selected.size() != 1 || !move_theme_row_down(rows_, selected.front())) {
        return;
    }
    fill_list();
    select_only(selected.front() + 1);
}

void ThemeOrganizer::sort() {
    sort_by(sort_state_.sort_column);
}

void ThemeOrganizer::sort_by(int column) {
    // The selection stays with its rows.
    std::vector<int> inserted;
    for (int r : selected_rows()) {
        inserted.push_back(rows_[std::size_t(r)].inserted);
    }
    sort_theme_rows_by(rows_, sort_state_, column);
    fill_list();
    list_->clearSelection();
    const auto mode = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        if (std::find(inserted.begin(), inserted.end(), rows_[std::size_t(r)].inserted) !=
            inserted.end()) {
            list_->selectionModel()->select(list_->model()->index(r, 0), mode);
        }
    }
    set_buttons();
}

void ThemeOrganizer::done(int result) {
    if (!stored_) {
        stored_ = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        store_theme_order(store_, rows_);
        QApplication::restoreOverrideCursor();
    }
    QDialog::done(result);
}

bool ThemeOrganizer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        delete_selected();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace kd
