// The fixed texts of the program shell: tray tip, captions and messages.
#pragma once

#include "app/app_texts.h"

namespace kd {

// kAppName and kVersionLabel joined as "%s %s"; the tray tip holds at most 63 characters.
inline constexpr const char* kTrayTip = "Korvadesk 5.lan";
inline constexpr int kTrayTipMax = 63;
// The title by which a second copy finds this one.
inline constexpr const char* kMainWindowTitle = kAppName;

inline constexpr const char* kCaptionNewNote = "New note          Alt+N";
inline constexpr const char* kCaptionShowAll = "Show all notes";
inline constexpr const char* kCaptionHideAll = "Hide all notes";
inline constexpr const char* kCaptionFindNotes = "Find in notes ...";
inline constexpr const char* kCaptionNotesMenu = "Notes";
inline constexpr const char* kCaptionExport = "Export note(s)";
inline constexpr const char* kCaptionImport = "Import note(s)";
inline constexpr const char* kCaptionCheckEmail = "Check for Email notes";
inline constexpr const char* kCaptionSettings = "Settings";
inline constexpr const char* kCaptionAbout = "About";
inline constexpr const char* kCaptionExit = "Exit Korvadesk ...";

// The "Find in notes" window and the lists of notes (the window's results, the Notes submenu).
inline constexpr const char* kFindNotesTitle = "Find in notes";
inline constexpr const char* kFindNotesPrompt = "Words to find in the notes' titles and text";
inline constexpr const char* kFindNotesNoMatch = "No note holds these words.";
// A title in a list is cut to this many characters, "..." after it.
inline constexpr int kNoteListTitleMax = 48;
inline constexpr const char* kNoteListUntitled = "(no title)";
inline constexpr const char* kNoteListHiddenSuffix = "  (hidden)";
inline constexpr const char* kNoteListRolledSuffix = "  (rolled up)";
inline constexpr const char* kNotesMenuEmpty = "(no notes)";

// The desktop notification of a ringing alarm: what a service that shows actions writes on
// its click, and the icon and desktop entry it is shown with.
inline constexpr const char* kAlarmNoticeAction = "Show note";
inline constexpr const char* kAppIconName = "korvadesk";
inline constexpr const char* kDesktopEntryName = "korvadesk";

inline constexpr const char* kMsgCannotWriteIni =
    "Sorry but Korvadesk program is not working properly and it will be closed.\n"
    "Please check if you have rights to write on disk because program can't write data to "
    "main ini file.";
inline constexpr const char* kMsgWrongPassword = "Sorry wrong password entered.";
inline constexpr const char* kMsgAttack =
    "Possible silent flood or buffer-overflow attack !\n"
    "Receiving notes is now disabled because of security reasons !\n"
    "Restart program if you want to enable receiving notes feature.";
// Said once, at the first start on a desktop that offers no notification area, as a desktop
// notification (else in a message box) and on standard error.
inline constexpr const char* kNoTrayNoticeSummary = "Korvadesk runs without a tray icon";
inline constexpr const char* kMsgNoTray =
    "Korvadesk: this desktop has no notification area (system tray); the program runs "
    "without its tray icon. Press Alt+N or run 'korvadesk --new-note' for a new note, and "
    "'korvadesk --show-all' for hidden notes.";
// Said on standard error when the stored note count cannot be one ("%s" the stored text): every
// note record present was restored instead.
inline constexpr const char* kMsgCountRepaired =
    "Korvadesk: NumberOfNotes \"%s\" is not a count of the stored notes; restored every note "
    "record present instead: %d note(s), the highest was NOTE_ID_%d.";
inline constexpr const char* kMsgCountRepairedNoNotes =
    "Korvadesk: NumberOfNotes \"%s\" is not a count of the stored notes; no note records are "
    "stored.";

}  // namespace kd
