// Section names, key names, fixed values and messages of the settings file, in one place.
#pragma once

#include <string_view>

namespace kd::store_texts {

// Sections. The keys of the main section are in the settings table (store/settings.h).
inline constexpr std::string_view kMainSection = "KORVADESK";
inline constexpr std::string_view kRecordSectionPrefix = "NOTE_ID_";
// The mail account note e-mails use (the password is never stored).
inline constexpr std::string_view kEmailAccountSection = "EMAIL_ACCOUNT";

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
