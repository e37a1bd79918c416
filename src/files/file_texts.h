// Texts, filters and file names of the note file commands, in one place.
#pragma once

namespace kd::file_texts {

// File dialogs: display texts and patterns separated by "|".
inline constexpr const char* kOpenFilter =
    "Text Document (*.txt)|*.txt|Rich Text Format (*.rtf)|*.rtf|"
    "Supported text files (*.txt;*.rtf)|*.txt;*.rtf|";
inline constexpr const char* kSaveFilter =
    "Text Document (*.txt)|*.txt|Rich Text Format (*.rtf)|*.rtf|Word Document (*.doc)|*.doc|";
inline constexpr const char* kPictureFilter = "Windows bitmap (*.bmp)|*.bmp|JPEG (*.jpg)|*.jpg|";
// Offered after the pictures above: lossless, and what most programs share.
inline constexpr const char* kPngPictureFilter = "PNG (*.png)|*.png|";
inline constexpr const char* kTextExtension = "txt";
inline constexpr const char* kPictureExtension = "bmp";

// Messages.
inline constexpr const char* kCanNotOpen = "Can not open file";
inline constexpr const char* kCanNotSave = "Can not create and save file";
inline constexpr const char* kPathMessagePattern = "%s ''%s''";
inline constexpr const char* kReplaceOrAppend =
    "Selected file \"%s\" already exist.\nIf you want to Append existing file click \"No\".\n"
    "Do you want to Replace and delete contents of the existing file ?";
inline constexpr const char* kReplace =
    "Selected file \"%s\" already exist.\nDo you want to Replace and delete contents of the "
    "existing file ?";
inline constexpr const char* kPictureFailed =
    "Error creating note picture file. Save note as picture file fails.";
inline constexpr const char* kDeletePicturesFailed =
    "Error deleting temporary note picture file(s).";

// Temporary note pictures in the start folder.
inline constexpr const char* kNoteBmp = "Note.bmp";
inline constexpr const char* kNote24Bmp = "Note24.bmp";
inline constexpr const char* kNoteJpg = "Note.jpg";
inline constexpr const char* kNotePng = "Note.png";

// Printing.
inline constexpr const char* kPrintDocumentName = "Korvadesk Print Note";

}  // namespace kd::file_texts
