// The check-box list of notes used by export and import and by the store's size limit: one
// dialog, four modes. It only lets the user choose; the caller carries out the choice.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "files/note_list_chooser.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kd {

class MessageBoxes;

namespace note_list_texts {
inline constexpr const char* kImportOneCaption = "Import note";
inline constexpr const char* kImportCaption = "Import note(s)";
inline constexpr const char* kExportCaption = "Export note(s)";
inline constexpr const char* kDeleteCaption = "Delete note(s)";
inline constexpr const char* kImportOnePrompt =
    "Please check only one note which you want to import from file :";
inline constexpr const char* kImportPrompt =
    "Please check note(s) which you want import from file :";
inline constexpr const char* kExportPrompt = "Please check note(s) which you want export to file :";
inline constexpr const char* kDeletePrompt =
    "Please check note(s) which you want to delete. Max ini file size is reached so you need to "
    "delete some of your old notes.";
inline constexpr const char* kImport = "Import";
inline constexpr const char* kExport = "Export";
inline constexpr const char* kDelete = "Delete";
inline constexpr const char* kClose = "Close";
inline constexpr const char* kCheckAll = "Check all";
inline constexpr const char* kUncheckAll = "Uncheck all";
inline constexpr const char* kTitleColumn = "Note title";
inline constexpr const char* kDateColumn = "Exported date";
inline constexpr const char* kTimeColumn = "Exported time";
inline constexpr const char* kHiddenColumn = "Hidden";
inline constexpr const char* kNumberColumn = "Note ID";
inline constexpr const char* kMustDelete =
    "Maximum Korvadesk program main ini file size is reached !\nSorry but you must delete some "
    "of your old notes ...";
inline constexpr const char* kListTip =
    "List of notes avaiable for import, export or delete. Depending on dialog type.";
inline constexpr const char* kFirstButtonTip =
    "Import, export or delete note(s). Depending on dialog type.";
inline constexpr const char* kCloseTip = "Cancel and close dialog.";
inline constexpr const char* kCheckAllTip = "Check all note(s) in notes list.";
inline constexpr const char* kUncheckAllTip = "Uncheck all note(s) in notes list.";
}  // namespace note_list_texts

class NoteListDialog : public QDialog {
    Q_OBJECT
public:
    // `rows`: index entries of an export file (import modes) or "title~n~Yes~" rows of stored
    // notes (export and delete). `date_format` is DefaultDateFormat, for the import modes.
    NoteListDialog(NoteListMode mode, const std::vector<std::string>& rows,
                   const std::string& date_format, MessageBoxes& boxes, QWidget* parent = nullptr);

    NoteListMode mode() const { return mode_; }
    // Positions in `rows` of the checked rows, in order.
    std::vector<int> checked_rows() const;
    // Export and delete: the chosen note numbers, each followed by "~".
    std::string result_text() const { return result_; }

    // For tests and callers that look at the state.
    QTreeWidget* list() const { return list_; }
    QLabel* prompt() const { return prompt_; }
    QPushButton* first_button() const { return first_; }
    QPushButton* close_button() const { return close_; }
    QPushButton* check_all_button() const { return check_all_; }
    QPushButton* uncheck_all_button() const { return uncheck_all_; }
    // The shown row of position `row` in `rows` (nullptr when it is not shown).
    QTreeWidgetItem* item_for(int row) const;
    void set_all_checked(bool checked);

public slots:
    // The delete mode cannot be cancelled: it says why and stays open.
    void reject() override;

private:
    void build(const std::vector<std::string>& rows, const std::string& date_format);
    void build_buttons();
    void add_row(int position, const std::vector<std::string>& cells);
    void update_first_button();
    void toggle_selected();
    void accept_choice();

    NoteListMode mode_;
    MessageBoxes& boxes_;
    std::string result_;
    QLabel* prompt_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QPushButton* first_ = nullptr;
    QPushButton* close_ = nullptr;
    QPushButton* check_all_ = nullptr;
    QPushButton* uncheck_all_ = nullptr;
};

// The program's note list: the dialog, opened modally.
class DialogNoteListChooser : public NoteListChooser {
public:
    std::optional<std::vector<int>> choose(QWidget* parent, NoteListMode mode,
                                           const std::vector<std::string>& rows,
                                           const std::string& date_format,
                                           MessageBoxes& boxes) override;
};

}  // namespace kd
