// The note's three menus: the body menu (right button released over the body), the title
// menu (right button released over the title strip) and the close-button menu. Each menu is
// built once with the note and prepared each time it opens; the commands that belong to the
// note window itself are carried out here, the others go to the body or through hooks to the
// parts of the program that do the work.
#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace kd {

class NoteWindow;

// What other parts of the program do for the note menus, set once for the whole program. An
// empty hook leaves its items greyed.
struct NoteMenuHooks {
    // The common sending procedure: it marks the note, applies AfterSend and reports errors.
    // `sender` is the SentFrom setting as stored.
    std::function<void(NoteWindow& note, const std::vector<std::string>& recipients,
                       const std::string& sender)>
        send_note;
    // The send dialog for this note ("Other ..."): nothing when cancelled, else whether every
    // recipient got the note.
    std::function<std::optional<bool>(NoteWindow& note)> send_dialog;
    // Commands carried out elsewhere (themes, alarm, expiration, files, printing), by id;
    // an item is enabled while its id has one. The saved-theme items 32919.. run through here
    // too.
    std::map<int, std::function<void(NoteWindow& note)>> commands;
    // Puts the saved themes into the "Theme" submenu each time the body menu opens (their
    // placeholders are hidden before); it has the last word on those items.
    std::function<void(NoteWindow& note, QMenu& theme_menu)> prepare_theme_items;

    // Dialogs, replaceable so tests can answer them. Each gives nothing on Cancel.
    std::function<std::optional<QFont>(QWidget* parent, const QFont& initial)> choose_font;
    std::function<std::optional<QColor>(QWidget* parent, const QColor& initial)> choose_colour;
    std::function<std::optional<std::string>(QWidget* parent, const std::string& initial)>
        edit_title;
    // A Yes/No question; true for Yes.
    std::function<bool(QWidget* parent, const QString& question)> ask;
};

// The process-wide hooks, with the standard dialogs filled in.
NoteMenuHooks& note_menu_hooks();

class NoteMenus : public QObject {
    Q_OBJECT

public:
    explicit NoteMenus(NoteWindow& note);
    ~NoteMenus() override;

    QMenu* body_menu() const { return built().body_menu_; }
    QMenu* title_menu() const { return built().title_menu_; }
    QMenu* close_menu() const { return built().close_menu_; }
    QMenu* send_menu() const { return built().send_menu_; }
    QMenu* theme_menu() const { return built().theme_menu_; }

    // The action of a command id in one menu; null when the menu does not hold it now.
    QAction* body_action(int id) const;
    QAction* title_action(int id) const;
    QAction* close_action(int id) const;

    // Preparing steps of each menu, without showing it (the note saves itself first).
    void prepare_body_menu();
    void prepare_title_menu();
    void prepare_close_menu();

    // Prepares and shows a menu at `global_pos`, then carries out the chosen command.
    void open_body_menu(const QPoint& global_pos);
    void open_title_menu(const QPoint& global_pos);
    // Left click on the close button.
    void close_button_clicked(const QPoint& global_pos);

    // Carries out one command of any of the three menus. Group items send to the group they
    // were given by the last prepare_body_menu.
    void run_command(int id);

private:
    // The menus are built when first needed: a start with many notes builds none.
    const NoteMenus& built() const;
    void build_body_menu();
    void build_title_menu();
    void build_close_menu();
    void rebuild_group_items();
    void prepare_roll_item(QAction* item);
    QAction* add(QMenu* menu, QHash<int, QAction*>& table, int id, const char* text);
    void exec_menu(QMenu* menu, const QPoint& global_pos);

    void send_to_group(const std::string& name);
    void send_other();
    void reply();
    void save_size_as_default();
    void title_font();
    void title_text_colour();
    void title_back_colour();
    void toggle_title_letter(char letter);
    void title_regular();
    void title_case(bool upper);
    void edit_title();
    bool dispatch_body_command(int id);
    bool dispatch_title_command(int id);

    NoteWindow& note_;
    QMenu* body_menu_ = nullptr;
    QMenu* title_menu_ = nullptr;
    QMenu* close_menu_ = nullptr;
    QMenu* send_menu_ = nullptr;
    QMenu* theme_menu_ = nullptr;
    QHash<int, QAction*> body_;
    QHash<int, QAction*> title_;
    QHash<int, QAction*> close_;
    bool built_ = false;
};

}  // namespace kd
