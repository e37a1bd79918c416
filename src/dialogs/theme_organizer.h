// The modal "Organize themes" dialog: lists the saved themes in their menu order and lets the
// user rename, move, sort and delete them. Deletions are stored at once; names and order are
// stored when the dialog closes, however it closes.
#pragma once

#include <QDialog>
#include <vector>

#include "themes/saved_themes.h"

class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace kd {

class MessageBoxes;
class NoteStore;

namespace organizer_texts {
inline constexpr const char* kCaption = "Organize themes";
inline constexpr const char* kNameColumn = "Saved themes";
inline constexpr const char* kNumberColumn = "Note ID";
inline constexpr const char* kRename = "Rename";
inline constexpr const char* kDelete = "Delete";
inline constexpr const char* kSort = "Sort";
inline constexpr const char* kClose = "Close";
inline constexpr const char* kDeleteQuestionPattern = "Delete selected saved theme(s). %s  ";
inline constexpr const char* kAreYouSure = "Are you sure ? ";
inline constexpr const char* kRenameTip = "Rename selected theme.";
inline constexpr const char* kDeleteTip = "Delete selected theme(s) from ini file and note menu.";
inline constexpr const char* kSortTip = "Sort saved themes. Also it will be sorted in note menu.";
inline constexpr const char* kUpTip = "Move selected theme up in the themes list.";
inline constexpr const char* kDownTip = "Move selected theme down in the themes list.";
inline constexpr const char* kCloseTip = "Close organize themes dialog.";
inline constexpr const char* kListTip =
    "List of saved note themes. In same order themes will be visible in note menu.";
}  // namespace organizer_texts

class ThemeOrganizer : public QDialog {
    Q_OBJECT
public:
    // Control ids, kept for code that refers to the controls by number.
    static constexpr int kIdList = 1093;
    static constexpr int kIdRename = 1094;
    static constexpr int kIdDelete = 1095;
    static constexpr int kIdUp = 1096;
    static constexpr int kIdDown = 1097;
    static constexpr int kIdSort = 1098;
    static constexpr int kIdClose = 1;

    // `sort_state` outlives the dialog (one per program run).
    ThemeOrganizer(const NoteStore& store, MessageBoxes& boxes, ThemeSortState& sort_state,
                   QWidget* parent = nullptr);
    ~ThemeOrganizer() override;

    // For tests and callers that look at the state.
    QTableWidget* list() const { return list_; }
    QPushButton* button(int id) const;
    const std::vector<ThemeRow>& rows() const { return rows_; }

    void rename_selected();
    void delete_selected();
    void move_up();
    void move_down();
    void sort();

public slots:
    // Stores the names and order, then closes.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void fill_list();
    void set_buttons();
    std::vector<int> selected_rows() const;
    void select_only(int row);
    void name_edited(QTableWidgetItem* item);
    void sort_by(int column);

    const NoteStore& store_;
    MessageBoxes& boxes_;
    ThemeSortState& sort_state_;
    std::vector<ThemeRow> rows_;
    QTableWidget* list_ = nullptr;
    QPushButton* rename_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* up_ = nullptr;
    QPushButton* down_ = nullptr;
    QPushButton* sort_ = nullptr;
    QPushButton* close_ = nullptr;
    bool filling_ = false;
    bool stored_ = false;
};

}  // namespace kd
