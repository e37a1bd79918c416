#include "dialogs/note_list_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "files/export_file.h"
#include "platform/message_boxes.h"

namespace kd {

namespace lt = note_list_texts;

namespace {

constexpr int kPositionRole = Qt::UserRole + 1;
constexpr int kNumberRole = Qt::UserRole + 2;

struct ModeLook {
    const char* caption;
    const char* prompt;
    const char* first;
};

ModeLook look_of(NoteListMode mode) {
    switch (mode) {
        case NoteListMode::ImportOne:
            return {lt::kImportOneCaption, lt::kImportOnePrompt, lt::kImport};
        case NoteListMode::Import:
            return {lt::kImportCaption, lt::kImportPrompt, lt::kImport};
        case NoteListMode::Export:
            return {lt::kExportCaption, lt::kExportPrompt, lt::kExport};
        case NoteListMode::Delete:
            break;
    }
    return {lt::kDeleteCaption, lt::kDeletePrompt, lt::kDelete};
}

bool lists_export_file(NoteListMode mode) {
    return mode == NoteListMode::ImportOne || mode == NoteListMode::Import;
}

// A small yellow note with its title strip: the dialog's icon and the mark of every row.
QIcon note_icon(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.fillRect(1, 1, size - 2, size - 2, QColor(255, 255, 160));
    p.fillRect(1, 1, size - 2, size / 4, QColor(230, 190, 40));
    p.setPen(QColor(120, 100, 20));
    p.drawRect(1, 1, size - 3, size - 3);
    return QIcon(picture);
}

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

NoteListDialog::NoteListDialog(NoteListMode mode, const std::vector<std::string>& rows,
                               const std::string& date_format, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), mode_(mode), boxes_(boxes) {
    build(rows, date_format);
    update_first_button();
}

void NoteListDialog::build(const std::vector<std::string>& rows, const std::string& date_format) {
    const ModeLook look = look_of(mode_);
    setWindowTitle(QString::fromUtf8(look.caption));
    setWindowIcon(note_icon(32));
    prompt_ = new QLabel(QString::fromUtf8(look.prompt), this);
    prompt_->setWordWrap(true);
    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAllColumnsShowFocus(true);
    list_->setStyleSheet(QStringLiteral("QTreeView::item { border: 1px solid #d0d0d0; }"));
    list_->setToolTip(QString::fromUtf8(lt::kListTip));
    const bool file_rows = lists_export_file(mode_);
    if (file_rows) {
        list_->setHeaderLabels({lt::kTitleColumn, lt::kDateColumn, lt::kTimeColumn});
        list_->setColumnWidth(0, 201);
        list_->setColumnWidth(1, 80);
        list_->setColumnWidth(2, 80);
    } else {
        list_->setHeaderLabels({lt::kTitleColumn, lt::kHiddenColumn, lt::kNumberColumn});
        list_->setColumnWidth(0, 287);
        list_->setColumnWidth(1, 61);
        list_->setColumnHidden(2, true);
    }
    for (int k = 0; k < static_cast<int>(rows.size()); ++k) {
        if (file_rows) {
            const ExportEntry entry = parse_export_entry(rows[k]);
            add_row(k, {entry.title, export_date_cell(entry.stamp, date_format),
                        export_time_cell(entry.stamp)});
        } else {
            const NoteRowParts parts = parse_note_row(rows[k]);
            if (!parts.number.empty() && !parts.hidden.empty()) {
                add_row(k, {parts.title, parts.hidden, parts.number});
            }
        }
    }
    connect(list_, &QTreeWidget::itemChanged, this, &NoteListDialog::update_first_button);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &NoteListDialog::toggle_selected);

    build_buttons();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(check_all_);
    buttons->addWidget(uncheck_all_);
    buttons->addStretch(1);
    buttons->addWidget(first_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    resize(420, 320);
}

void NoteListDialog::build_buttons() {
    first_ = new QPushButton(QString::fromUtf8(look_of(mode_).first), this);
    first_->setToolTip(QString::fromUtf8(lt::kFirstButtonTip));
    first_->setDefault(true);
    close_ = new QPushButton(QString::fromUtf8(lt::kClose), this);
    close_->setToolTip(QString::fromUtf8(lt::kCloseTip));
    close_->setEnabled(mode_ != NoteListMode::Delete);
    check_all_ = new QPushButton(QString::fromUtf8(lt::kCheckAll), this);
    check_all_->setToolTip(QString::fromUtf8(lt::kCheckAllTip));
    uncheck_all_ = new QPushButton(QString::fromUtf8(lt::kUncheckAll), this);
    uncheck_all_->setToolTip(QString::fromUtf8(lt::kUncheckAllTip));
    check_all_->setVisible(mode_ != NoteListMode::ImportOne);
    uncheck_all_->setVisible(mode_ != NoteListMode::ImportOne);
    connect(first_, &QPushButton::clicked, this, &NoteListDialog::accept_choice);
    connect(close_, &QPushButton::clicked, this, &NoteListDialog::reject);
    connect(check_all_, &QPushButton::clicked, this, [this] { set_all_checked(true); });
    connect(uncheck_all_, &QPushButton::clicked, this, [this] { set_all_checked(false); });
}

void NoteListDialog::add_row(int position, const std::vector<std::string>& cells) {
    auto* item = new QTreeWidgetItem(list_);
    for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
        item->setText(c, text(cells[c]));
    }
    item->setIcon(0, note_icon(16));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    item->setData(0, kPositionRole, position);
    if (!lists_export_file(mode_)) {
        item->setData(0, kNumberRole, text(cells[2]));
    }
}

QTreeWidgetItem* NoteListDialog::item_for(int row) const {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->data(0, kPositionRole).toInt() == row) {
            return item;
        }
    }
    return nullptr;
}

std::vector<int> NoteListDialog::checked_rows() const {
    std::vector<int> out;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->checkState(0) == Qt::Checked) {
            out.push_back(item->data(0, kPositionRole).toInt());
        }
    }
    return out;
}

void NoteListDialog::set_all_checked(bool checked) {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        list_->topLevelItem(i)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    }
}

void NoteListDialog::update_first_button() {
    const std::size_t checked = checked_rows().size();
    first_->setEnabled(mode_ == NoteListMode::ImportOne ? checked == 1 : checked >= 1);
}

void NoteListDialog::toggle_selected() {
    QTreeWidgetItem* item = list_->currentItem();
    if (item != nullptr) {
        item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
}

void NoteListDialog::accept_choice() {
    if (!first_->isEnabled()) {
        return;
    }
    hide();
    result_.clear();
    if (!lists_export_file(mode_)) {
        for (int i = 0; i < list_->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list_->topLevelItem(i);
            if (item->checkState(0) == Qt::Checked) {
                result_ += item->data(0, kNumberRole).toString().toStdString() + "~";
            }
        }
    }
    accept();
}

void NoteListDialog::reject() {
    if (mode_ == NoteListMode::Delete) {
        boxes_.tell(this, QMessageBox::Warning, QString::fromUtf8(lt::kMustDelete));
        return;
    }
    QDialog::reject();
}

std::optional<std::vector<int>> NoteListChooser::choose(QWidget* parent, NoteListMode mode,
                                                        const std::vector<std::string>& rows,
                                                        const std::string& date_format,
                                                        MessageBoxes& boxes) {
    // On the heap: the note it was opened over may go while it is open, and takes it along.
    QPointer<NoteListDialog> dialog = new NoteListDialog(mode, rows, date_format, boxes, parent);
    const int result = dialog->exec();
    if (!dialog) {
        return std::nullopt;
    }
    std::vector<int> chosen = dialog->checked_rows();
    delete dialog.data();
    if (result != QDialog::Accepted) {
        return std::nullopt;
    }
    return chosen;
}

}  // namespace kd
