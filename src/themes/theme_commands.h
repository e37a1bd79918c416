// The Theme submenu's work on a note: applying the default, built-in and saved themes, saving
// a note's look as the default or as a new saved theme, the random theme of a new note, and
// the saved themes shown in the submenu each time it opens. One ThemeCommands serves every
// note through the NoteServices it is given.
#pragma once

#include <QIcon>
#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "themes/saved_themes.h"

class QMenu;
class QWidget;

namespace kd {

class Note;
class NoteServices;
class NoteView;

namespace theme_texts {
inline constexpr const char* kSaveThemeAsCaption = "Save note theme as";
}

// Asks for the name of a new saved theme; nothing for Cancel. Tests give their own.
class ThemeNameEntry {
public:
    virtual ~ThemeNameEntry() = default;
    virtual std::optional<std::string> ask(QWidget* parent);
};

// Applies the stored theme `number` to the note: the body takes its colours and font, the title
// its colours and (unless OnChangeTheme is "Colors") its font, the border its flag. A theme
// that cannot be read changes nothing and gives false.
bool apply_theme(const NoteStore& store, Note& note, int number);
// Writes the note's look as the theme record `number`.
bool save_note_theme(const NoteStore& store, const Note& note, int number);
// Shows the saved themes with a name in the Theme submenu (their items were hidden).
void rebuild_theme_menu(const NoteStore& store, QMenu* theme_menu);
// The picture beside saved themes in menus and lists.
QIcon theme_picture();

class ThemeCommands : public QObject {
    Q_OBJECT
public:
    // Enables the Theme submenu's items in `services` and carries them out.
    explicit ThemeCommands(NoteServices& services, QObject* parent = nullptr);
    ~ThemeCommands() override;

    void set_name_entry(std::unique_ptr<ThemeNameEntry> entry);

    // "Save theme as ...": asks for a name and stores the note's look as the next saved theme.
    void save_theme_as(NoteView& note);

    // The organise-themes dialog's sort state, kept for every opening while the program runs.
    ThemeSortState& sort_state() { return sort_state_; }

public slots:
    // A new note's random look (the caller has checked RandomThemes).
    void random_theme(kd::NoteView* note);

signals:
    // "Organize themes" was chosen in `note`'s menu.
    void organize_requested(QWidget* parent);

private:
    void run(int id, NoteView* note);

    NoteServices& services_;
    std::unique_ptr<ThemeNameEntry> name_entry_;
    ThemeSortState sort_state_;
};

}  // namespace kd
