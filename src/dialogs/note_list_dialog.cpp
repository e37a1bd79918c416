#include "dialogs/note_list_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "files/export_file.h"
#include "platform/message_boxes.h"
#include "platform/tip_look.h"

namespace kd {

namespace lt = note_list_texts;

namespace {

constexpr int kPositionRole = Qt::UserRole + 1;
constexpr int kNumberRole = Qt::UserRole + 2;
const QColor kGridLineColour(0xd0, 0xd0, 0xd0);
// Contrast ratio of the selected row's text to its mark: that of well-readable text, with room
// for the thin strokes of small letters, which never reach the full colour.
constexpr double kReadableContrast = 7.0;
constexpr int kShadeStep = 110;
constexpr int kMostShadeSteps = 20;
constexpr int kListSideRoom = 40;

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

// The column's width, or as much as its header text needs when that is more.
void set_column_width(QTreeWidget* list, int column, int width) {
    list->setColumnWidth(column, std::max(width, list->header()->sectionSizeHint(column)));
}

double luminance(const QColor& c) {
    const auto channel = [](double v) {
        v /= 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Some styles mark the selected row in a blue that light text hardly stands out from: the
// selection is made darker (or lighter, under dark text) until the row reads well.
void make_selection_readable(QWidget* list) {
    QPalette palette = list->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        const QColor text = palette.color(group, QPalette::HighlightedText);
        QColor mark = palette.color(group, QPalette::Highlight);
        const bool light_text = luminance(text) > luminance(mark);
        for (int step = 0; step < kMostShadeSteps && contrast(text, mark) < kReadableContrast;
             ++step) {
            mark = light_text ? mark.darker(kShadeStep) : mark.lighter(kShadeStep);
        }
        palette.setColor(group, QPalette::Highlight, mark);
    }
    list->setPalette(palette);
}

class GridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(kGridLineColour);
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }
};

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
    setStyleSheet(QString::fromUtf8(kWideTipStyle));
    prompt_ = new QLabel(QString::fromUtf8(look.prompt), this);
    prompt_->setWordWrap(true);
    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAllColumnsShowFocus(true);
    // Grid lines drawn over the style's own cells, so a row reads as the style draws it when
    // selected, focused, unfocused or disabled.
    list_->setItemDelegate(new GridLineDelegate(list_));
    make_selection_readable(list_);
    list_->setToolTip(QString::fromUtf8(lt::kListTip));
    const bool file_rows = lists_export_file(mode_);
    if (file_rows) {
        list_->setHeaderLabels({lt::kTitleColumn, lt::kDateColumn, lt::kTimeColumn});
        set_column_width(list_, 0, 201);
        set_column_width(list_, 1, 80);
        set_column_width(list_, 2, 80);
    } else {
        list_->setHeaderLabels({lt::kTitleColumn, lt::kHiddenColumn, lt::kNumberColumn});
        set_column_width(list_, 0, 287);
        set_column_width(list_, 1, 61);
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
    int columns = 0;
    for (int c = 0; c < list_->columnCount(); ++c) {
        if (!list_->isColumnHidden(c)) {
            columns += list_->columnWidth(c);
        }
    }
    resize(std::max(420, columns + kListSideRoom), 320);
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

std::optional<std::vector<int>> DialogNoteListChooser::choose(QWidget* parent, NoteListMode mode,
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
