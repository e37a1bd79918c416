// The windowless rules of the note file commands: extensions, proposed names, the questions
// and messages, the text written on save, reading and writing the files, and the
// temporary note pictures.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace kd {

// A text file larger than this is read only this far; no note body holds nearly as much.
inline constexpr std::size_t kLongestOpenedFile = 16 * 1024 * 1024;

// The extension of the file name, lower-cased, without the dot ("" when there is none).
std::string file_extension(const std::string& path);

// The proposed name of a text file: the title without ":", which file names cannot hold
// everywhere.
std::string proposed_text_file_name(const std::string& title);

// "Can not open file ''path''" and the like: `what` and the path, the path in doubled single
// quotes.
std::string path_message(const char* what, const std::string& path);

// Only a text file may be appended to.
bool offers_append(const std::string& extension);
// The question for an existing file (with or without the append choice).
std::string existing_file_question(const std::string& file_name, bool append_offered);

enum class OpenedAs { RichText, PlainText, Ignored };
OpenedAs opened_as(const std::string& extension);
// ".rtf" and ".doc" are saved as rich text, everything else as plain text.
bool saves_rich_text(const std::string& extension);

// The plain text as written: no carriage returns, and an empty line before it when it is
// appended to a file.
std::string text_to_save(const std::string& plain, bool append);

// The whole file as a text file is read (line ends CR LF become LF), at most
// kLongestOpenedFile bytes. False when it cannot be opened or read.
bool read_text_file(const std::string& path, std::string& text);
// Creates, truncates or appends; false when the file cannot be opened or written whole.
bool write_text_file(const std::string& path, const std::string& text, bool append);

// Copies `from` over `to` (replacing it without asking); false when either side fails.
bool copy_file(const std::string& from, const std::string& to);

// A "|"-separated filter ("Text (*.txt)|*.txt|...") as a file dialog's name filter list
// ("Text (*.txt);;...").
std::string dialog_name_filter(const std::string& bar_filter);

// Where the file dialogs start: the folder of the file last chosen for the same kind of file
// (note files, text files, pictures) while it still exists, else the home folder. The folder
// the program was started from means nothing to a program started from a desktop menu.
class RecentFolders {
public:
    std::string start_folder(const std::string& kind, const std::string& home) const;
    // `path` was chosen for `kind`; its folder is where the next dialog of that kind starts.
    void chose(const std::string& kind, const std::string& path);

private:
    std::map<std::string, std::string> folders_;
};

// "<folder>/<name>".
std::string picture_path(const std::string& folder, const char* name);
// Removes the temporary note pictures that exist; gives the names of those that could
// not be removed, each followed by one blank ("" when all are gone).
std::string delete_picture_files(const std::string& folder);
// The message for names that delete_picture_files could not remove.
std::string pictures_not_deleted_message(const std::string& names);

}  // namespace kd
