// The texts of the settings dialog and its three pages: captions, labels, list items,
// messages and tooltips.
#pragma once

namespace kd::settings_texts {

inline constexpr const char* kCaptionPattern = "%1 %2 Settings";
inline constexpr const char* kGeneralTab = "General settings";
inline constexpr const char* kDefaultNoteTab = "Default note settings";
inline constexpr const char* kNetworkTab = "Network settings";
inline constexpr const char* kSave = "Save and Apply changes";
inline constexpr const char* kCancel = "Cancel";
inline constexpr const char* kYes = "Yes";
inline constexpr const char* kNo = "No";

// ---- General settings.
inline constexpr const char* kDateFormatBefore = "Date format (current format ";
inline constexpr const char* kDateFormatAfter = ") :";
inline constexpr const char* kDateFormats[] = {"DD.MM.YYYY", "DD-MM-YYYY", "YYYY-MM-DD",
                                               "MM/DD/YYYY"};
inline constexpr const char* kScrollBar = "Show vertical scrollbar when text doesn't fit :";
inline constexpr const char* kCloseButton = "Show close button in the note title right corner :";
inline constexpr const char* kCloseMenu = "Disable menu on note close button click :";
inline constexpr const char* kConfirmDelete = "Ask confirmation question when deleting note :";
inline constexpr const char* kTaskBar = "Show task bar window for each visible note :";
inline constexpr const char* kRandomThemes = "Randomly change themes for new note :";
inline constexpr const char* kLock = "Lock \"Show all notes\" menu item with password :";
inline constexpr const char* kHotKey = "Disable hotkey Alt+N for new note :";
inline constexpr const char* kWrongPassword = "Sorry wrong password entered.";

inline constexpr const char* kTipDateFormat =
    "Select date format which program will use to set date title.";
inline constexpr const char* kTipScrollBar =
    "Choose if you want vertical scrollbar to be visible on note if text doesn't fit in it.";
inline constexpr const char* kTipCloseButton =
    "Choose do you want Close button on note title in top right corner to be visible.";
inline constexpr const char* kTipCloseMenu =
    "If you choose Yes click on the Close button will close and delete note. No menu will be "
    "shown.";
inline constexpr const char* kTipConfirmDelete =
    "Choose do you want confirmation question when deleting note.";
inline constexpr const char* kTipTaskBar =
    "If you choose Yes all notes will have own window box on the Windows Taskbar.";
inline constexpr const char* kAutostart = "Start Korvadesk when I log in";
inline constexpr const char* kTipAutostart =
    "Select do you want Korvadesk to start by itself when you log in to the desktop.";
inline constexpr const char* kCheckSpelling = "Underline misspelt words in notes";
inline constexpr const char* kTipCheckSpelling =
    "Select do you want words that the dictionary of your language does not know to be "
    "underlined in red in notes.";
inline constexpr const char* kTipHotKey =
    "Choose do you want hot key for new note Alt+'N' to be enabled or disabled.";
inline constexpr const char* kTipRandomThemes =
    "Select do you want program to randomly choose theme for new note.";
inline constexpr const char* kTipLock =
    "Select do you want to protect main menu item 'Show all notes' with password.";
inline constexpr const char* kTipPassword =
    "Write password which locks 'Show all notes' main menu item.";

// ---- Default note settings.
inline constexpr const char* kBorder = "Default note border :";
inline constexpr const char* kTitle = "Default note title :";
inline constexpr const char* kDate = "Date";
inline constexpr const char* kTitleAlign = "Default note title align :";
inline constexpr const char* kLeft = "Left";
inline constexpr const char* kCenter = "Center";
inline constexpr const char* kRight = "Right";
inline constexpr const char* kNoteColour = "Default note color :";
inline constexpr const char* kTitleColour = "Default title color :";
inline constexpr const char* kNoteFont = "Default note font :";
inline constexpr const char* kTitleFont = "Default title font :";
inline constexpr const char* kSize = "Default note size :";
inline constexpr const char* kWidth = "Width :";
inline constexpr const char* kHeight = "Height :";
inline constexpr const char* kChangeTheme = "When changing theme :";
inline constexpr const char* kChangeThemeItems[] = {"Change note colors and default font",
                                                    "Change only note colors"};
inline constexpr const char* kOrganize = "Organize saved themes";
inline constexpr const char* kTooBig =
    "Default note size is not valid because it is bigger than screen resolution.";
inline constexpr const char* kTooSmall = "Default note size is not valid because it is too small.";

inline constexpr const char* kTipBorder =
    "If you choose Yes default and new note will have border line at the edge.";
inline constexpr const char* kTipTitle =
    "Select default title for new note (date title or custom text title).";
inline constexpr const char* kTipAlign = "Select default title align for new note.";
inline constexpr const char* kTipNoteColour = "Click to choose default note color for new note.";
inline constexpr const char* kTipTitleColour = "Click to choose default title color for new note.";
inline constexpr const char* kTipNoteFont = "Click to choose default note font for new note.";
inline constexpr const char* kTipTitleFont = "Click to choose default title font for new note.";
// The font dialog offers no colour, so each font box has a colour box for its text beside it.
inline constexpr const char* kTextColour = "Text color :";
inline constexpr const char* kTipNoteTextColour =
    "Click to choose default note text color for new note.";
inline constexpr const char* kTipTitleTextColour =
    "Click to choose default title text color for new note.";
inline constexpr const char* kTipWidth = "Choose default note width in pixels.";
inline constexpr const char* kTipHeight = "Choose default note height in pixels.";
inline constexpr const char* kTipOrganize =
    "Click to organize saved note themes which are visible as items in note menu.";
inline constexpr const char* kTipChangeTheme = "Select default action when note theme is changing.";

// ---- Network settings.
inline constexpr const char* kReadOnStart = "Read network neighborhood on program start :";
inline constexpr const char* kReadInterval = "Refresh network neighborhood interval period :";
inline constexpr const char* kMinutes = "minutes";
inline constexpr const char* kAfterSend = "After sending :";
inline constexpr const char* kAfterSendItems[] = {"Show send icon in title left corner",
                                                  "Delete note after sending"};
inline constexpr const char* kSendErrors = "Show send error information message :";
inline constexpr const char* kAskReply = "Ask confirmation question when replying :";
inline constexpr const char* kSentFrom = "Default sent from :";
inline constexpr const char* kManager = "Network and group manager";
inline constexpr const char* kEmailOnStart = "Check for new email notes on program start :";
inline constexpr const char* kEmailInterval = "Check for new email notes interval period :";
inline constexpr const char* kAttachPicture = "Include picture attachment in sent note email :";
inline constexpr const char* kPictureFormat = "Picture file format created for email attachment :";
inline constexpr const char* kPictureItems[] = {"(JPEG) JPG", "(Bitmap) BMP"};
inline constexpr const char* kPort = "Korvadesk default network communication port :";
inline constexpr const char* kPlaySound = "Play sound when note is received :";

inline constexpr const char* kIpInvalid =
    "IP Address in \"Default sent from:\" field is not valid ...";
inline constexpr const char* kEmailInvalid =
    "Email you have entered in \"Default sent from:\" field is not valid ...";
inline constexpr const char* kNameEmpty =
    "Name in \"Default sent from:\" field can not be empty ...";
inline constexpr const char* kPortInvalid =
    "Default network communication port is not valid. Valid port range is 1-65535.\nBut it is "
    "recommended not to use port number in range 1-1024.";
inline constexpr const char* kPortChanged =
    "You have changed default program network communication port.\nYou must do that also on "
    "other computers which uses Korvadesk (in your local network LAN or elsewhere) if you want "
    "to continue sending or receiving notes successfully. If you experience some problems in "
    "communication after changing port, put back default Korvadesk network communication port "
    "%1.";

inline constexpr const char* kTipReadOnStart =
    "Choose do you want program to read network neighborhood at start or on user request.";
inline constexpr const char* kTipReadInterval =
    "You can select refresh network interval for program to read your network neighborhood.";
inline constexpr const char* kTipAfterSend =
    "Select what do you want to do with note you sent successfully (Delete note or just put "
    "small Send OK icon in the note title).";
inline constexpr const char* kTipSendErrors =
    "If some of your note recipients did not receive note error message will appear. Choose "
    "No if you don't want that information.";
inline constexpr const char* kTipAskReply =
    "When Reply to someone confirmation question will appear. Choose No if you don't want "
    "that.";
inline constexpr const char* kTipSentFromKind =
    "Select default from value (your identifier) which will appear in recipient(s) note title. "
    "Reply to option will send note to this value.";
inline constexpr const char* kTipSentFromText =
    "Your identifier when sending note to other(s). This text will appear in received note "
    "title (except if anonymous sender is selected).";
inline constexpr const char* kTipManager =
    "Click to Manage Groups and Network. You can add items or delete items from group. Group "
    "name will appear on note menu item 'Send to'.";
inline constexpr const char* kTipEmailOnStart =
    "Choose do you want program to check for new email notes at start or on user request.";
inline constexpr const char* kTipEmailInterval =
    "You can select Check for new email notes interval period which program will use to check "
    "for new email notes.";
inline constexpr const char* kTipPictureFormat =
    "Select picture file format which will be created and attached to email when sending note "
    "to email recipient.";
inline constexpr const char* kTipAttachPicture =
    "Choose if you want program to create and attach note picture to send note email.";
inline constexpr const char* kTipPort =
    "Change default network communication port only if you are advanced user because you could "
    "experience problems with sending or receiving notes if you change it. (default program "
    "network communication port is %1)";
inline constexpr const char* kTipPlaySound =
    "Select do you want program to play sound when note is received.";

}  // namespace kd::settings_texts
