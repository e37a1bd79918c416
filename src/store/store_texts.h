// Section names, key names, fixed values and messages of the settings file, in one place.
#pragma once

#include <string_view>

namespace kd::store_texts {

// Sections.
inline constexpr std::string_view kMainSection = "KORVADESK";
inline constexpr std::string_view kRecordSectionPrefix = "NOTE_ID_";

// Keys of the main section.
inline constexpr std::string_view kNumberOfNotes = "NumberOfNotes";
inline constexpr std::string_view kDefaultTitle = "DefaultTitle";
inline constexpr std::string_view kDefaultDateFormat = "DefaultDateFormat";
inline constexpr std::string_view kDefaultWidth = "DefaultWidth";
inline constexpr std::string_view kDefaultHeight = "DefaultHeight";
inline constexpr std::string_view kReadNetworkOnStart = "ReadNetworkOnStart";
inline constexpr std::string_view kVersion = "Version";
inline constexpr std::string_view kShowScrollBar = "ShowScrollBar";
inline constexpr std::string_view kShowTaskBar = "ShowTaskBar";
inline constexpr std::string_view kShowCloseButton = "ShowCloseButton";
inline constexpr std::string_view kAfterSend = "AfterSend";
inline constexpr std::string_view kSentFrom = "SentFrom";
inline constexpr std::string_view kReadNetworkInterval = "ReadNetworkInterval";
inline constexpr std::string_view kDisableHotkey = "DisableHotkey";
inline constexpr std::string_view kAskBeforeDelete = "AskBeforeDelete";
inline constexpr std::string_view kDisableCloseMenu = "DisableCloseMenu";
inline constexpr std::string_view kShowSendErrorMessage = "ShowSendErrorMessage";
inline constexpr std::string_view kAskWhenReply = "AskWhenReply";
inline constexpr std::string_view kIniUpdate = "IniUpdate";
inline constexpr std::string_view kCheckEmailInterval = "CheckEmailInterval";
inline constexpr std::string_view kDefaultPictureFormat = "DefaultPictureFormat";
inline constexpr std::string_view kCheckEmailOnStart = "CheckEmailOnStart";
inline constexpr std::string_view kIncludePictureAttachment = "IncludePictureAttachment";
inline constexpr std::string_view kRandomThemes = "RandomThemes";
inline constexpr std::string_view kPlaySound = "PlaySound";
inline constexpr std::string_view kOnChangeTheme = "OnChangeTheme";
inline constexpr std::string_view kCommunicationPort = "CommunicationPort";
inline constexpr std::string_view kShowAllPasswordYesNo = "ShowAllPasswordYesNo";
inline constexpr std::string_view kShowAllNotesPassword = "ShowAllNotesPassword";
inline constexpr std::string_view kLastSavedThemeNumber = "LastSavedThemeNumber";
inline constexpr std::string_view kNmbOfProgramStarts = "NmbOfProgramStarts";
// "Yes" once the person was told that the desktop has no tray (a key of this program's own).
inline constexpr std::string_view kNoTrayNoticeShown = "NoTrayNoticeShown";
inline constexpr std::string_view kMaxNotesPerComputerPerMinute = "MaxNotesPerComputerPerMinute";

// Keys of a note record, in the order they are written.
inline constexpr std::string_view kNoteID = "NoteID";
inline constexpr std::string_view kEditBackColor = "EditBackColor";
inline constexpr std::string_view kEditTextColor = "EditTextColor";
inline constexpr std::string_view kEditFont = "EditFont";
inline constexpr std::string_view kEditFontType = "EditFontType";
inline constexpr std::string_view kEditFontSize = "EditFontSize";
inline constexpr std::string_view kEditCharSet = "EditCharSet";
inline constexpr std::string_view kEditText = "EditText";
inline constexpr std::string_view kTitleBackColor = "TitleBackColor";
inline constexpr std::string_view kTitleTextColor = "TitleTextColor";
inline constexpr std::string_view kTitleFont = "TitleFont";
inline constexpr std::string_view kTitleFontType = "TitleFontType";
inline constexpr std::string_view kTitleFontSize = "TitleFontSize";
inline constexpr std::string_view kTitleText = "TitleText";
inline constexpr std::string_view kTitleCharSet = "TitleCharSet";
inline constexpr std::string_view kLeft = "Left";
inline constexpr std::string_view kTop = "Top";
inline constexpr std::string_view kHeight = "Height";
inline constexpr std::string_view kWidth = "Width";
inline constexpr std::string_view kMinimized = "Minimized";
inline constexpr std::string_view kBorder = "Border";
inline constexpr std::string_view kHidden = "Hidden";
inline constexpr std::string_view kExpiration = "Expiration";
inline constexpr std::string_view kAlarm = "Alarm";

// Values.
inline constexpr std::string_view kYes = "Yes";
inline constexpr std::string_view kNo = "No";
inline constexpr std::string_view kVersionLabel = "5.lan";
inline constexpr std::string_view kIniUpdateDone = "0111";
inline constexpr std::string_view kDateFormatDots = "DD.MM.YYYY";
inline constexpr std::string_view kDateFormatDashes = "DD-MM-YYYY";
inline constexpr std::string_view kDateFormatIso = "YYYY-MM-DD";
inline constexpr std::string_view kDateFormatUs = "MM/DD/YYYY";
inline constexpr std::string_view kAfterSendShowIcon = "ShowIcon";
inline constexpr std::string_view kAfterSendDeleteNote = "DeleteNote";
inline constexpr std::string_view kPictureJpg = "jpg";
inline constexpr std::string_view kPictureBmp = "bmp";
inline constexpr std::string_view kChangeThemeAll = "All";
inline constexpr std::string_view kChangeThemeColors = "Colors";
inline constexpr std::string_view kLastSavedThemeNone = "0";
inline constexpr int kDefaultCommunicationPort = 2000;

// Record numbers.
inline constexpr int kFirstExportRecord = 10001;
inline constexpr int kDefaultLookRecord = 90000;
inline constexpr int kFirstBuiltInThemeRecord = 90001;
inline constexpr int kLastBuiltInThemeRecord = 90011;
inline constexpr int kFirstSavedThemeRecord = 91001;
inline constexpr int kLastSavedThemeRecord = 91020;
inline constexpr int kHighestRecord = 99999;

// Messages.
inline constexpr std::string_view kErrorWritingIni = "Error writing to ini file.";
inline constexpr std::string_view kErrorWritingNote = "Error writing Note information to ini file.";
inline constexpr std::string_view kErrorDeletingNote = "Error deleting note from ini file.";
inline constexpr std::string_view kErrorDeletingOldNotes =
    "Error deleting old notes from ini file.";

}  // namespace kd::store_texts
