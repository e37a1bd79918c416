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
class NoteView;

class NoteFileCommands : public QObject {
    Q_OBJECT
public:
    explicit NoteFileCommands(NoteServices& services, QObject* parent = nullptr);
    ~NoteFileCommands() override;

    void set_dialogs(std::unique_ptr<NoteFileDialogs> dialogs);

    void open_file(NoteView& note);
    void save_note_as(NoteView& note);
    void save_as_picture(NoteView& note);
    void print_note(NoteView& note);

private:
    void run(int id, NoteView* note);
    // The save dialog until the chosen file may be written; nothing when the user stopped.
    // `append` tells whether the text goes after the file's content.
    std::optional<std::string> choose_save_file(NoteView& note, bool& append);
    void tell(NoteView& note, const std::string& text);

    NoteServices& services_;
    std::unique_ptr<NoteFileDialogs> dialogs_;
};

}  // namespace kd
