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
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace kd {

class NoteWindow;

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
    // The title menu's line that names where a received note came from (hidden for others).
    QAction* received_from_item() const { return built().received_from_; }

    // Preparing steps of each menu, without showing it (the note saves itself first).
    void prepare_body_menu();
    // Puts the spelling items for the word at `text_position` at the top of the body menu
    // (after removing earlier ones); none when no misspelt word is there.
    void prepare_spelling_items(int text_position);
    // The spelling items the body menu holds now, top down.
    const std::vector<QAction*>& spelling_items() const { return spelling_items_; }
    void prepare_title_menu();
    void prepare_close_menu();

    // Prepares and shows a menu at `global_pos`, then carries out the chosen command. The body
    // menu opened over a misspelt word at `text_position` (-1: none) offers its suggestions and
    // "Add to dictionary" first.
    void open_body_menu(const QPoint& global_pos, int text_position = -1);
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
    void build_theme_menu(QMenu* body_menu);
    void build_send_menu(QMenu* body_menu);
    QAction* add(QMenu* menu, QHash<int, QAction*>& table, int id, const char* text);
    // One item of a menu built from a list; kSeparatorEntry stands for a separator.
    struct MenuEntry {
        int id;
        const char* text;
    };
    static constexpr int kSeparatorEntry = 0;
    void add_items(QMenu* menu, QHash<int, QAction*>& table,
                   std::initializer_list<MenuEntry> entries);
    void exec_menu(QMenu* menu, const QPoint& global_pos);

    void send_to_group(const std::string& name);
    void send_other();
    void reply();
    void save_size_as_default();
    void title_font();
    void title_text_colour();
    void title_back_colour();
    void title_size(int (*step)(int));
    void toggle_title_letter(char letter);
    void title_regular();
    void title_case(bool upper);
    void edit_title();
    void roll_up_or_down();  // without the saves of NoteWindow::toggle_roll
    bool dispatch_body_command(int id);
    void remove_spelling_items();
    // Carries out a chosen spelling item; false when `chosen` is none.
    bool run_spelling_item(QAction* chosen);
    bool dispatch_note_command(int id);
    // In note_title_commands.cpp.
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
    QAction* received_from_ = nullptr;
    QAction* received_from_separator_ = nullptr;
    bool built_ = false;
    // The word the spelling items are about, and the items (the separator last).
    QString spelling_word_;
    int spelling_start_ = 0;
    int spelling_length_ = 0;
    std::vector<QAction*> spelling_items_;
};

}  // namespace kd
