// The note menus' file commands: "Open ...", "Save note as ...", "Save note as picture" and
// "Print note". Made once by the application; it enables the menu items and carries them out
// when a note asks.
#pragma once

#include <QObject>

#include <memory>
#include <optional>
#include <string>

namespace kd {

class NoteFileDialogs;
class NoteServices;
class NoteWindow;

class NoteFileCommands : public QObject {
    Q_OBJECT
public:
    explicit NoteFileCommands(NoteServices& services, QObject* parent = nullptr);
    ~NoteFileCommands() override;

    void set_dialogs(std::unique_ptr<NoteFileDialogs> dialogs);

    void open_file(NoteWindow& note);
    void save_note_as(NoteWindow& note);
    void save_as_picture(NoteWindow& note);
    void print_note(NoteWindow& note);

private:
    void run(int id, NoteWindow* note);
    // The save dialog until the chosen file may be written; nothing when the user stopped.
    // `append` tells whether the text goes after the file's content.
    std::optional<std::string> choose_save_file(NoteWindow& note, bool& append);
    void tell(NoteWindow& note, const std::string& text);

    NoteServices& services_;
    std::unique_ptr<NoteFileDialogs> dialogs_;
};

}  // namespace kd
