// Every text of note alarms and note expiration, in one place: the stored formats, the texts
// shown on a note and the captions, labels, lists and tooltips of the two dialogs.
#pragma once

namespace kd::reminder_texts {

// Stored values. Alarm: day, month, year, hour, minute, "00", repeat digit, sound digit.
inline constexpr const char* kAlarmValueFormat = "%02d%02d%04d-%02d%02d%s-%d-%d";
inline constexpr const char* kAlarmSeconds = "00";
// Expiration after a period: day, month, year, hour, minute, second, period digit.
inline constexpr const char* kPeriodExpirationFormat = "%02d%02d%04d-%02d%02d%02d-%d";
// Expiration at the end of a day: day, month, year, kEndOfDayTime, kEndOfDayMode.
inline constexpr const char* kEndOfDayExpirationFormat = "%02d%02d%04d-%s-%s";
inline constexpr const char* kEndOfDayTime = "235959";
inline constexpr const char* kEndOfDayMode = "9";

// Dates by the DefaultDateFormat setting (the setting's values live in store_texts.h).
inline constexpr const char* kDatePatternDots = "%02d.%02d.%04d";    // day, month, year
inline constexpr const char* kDatePatternDashes = "%02d-%02d-%04d";  // day, month, year
inline constexpr const char* kDatePatternIso = "%04d-%02d-%02d";     // year, month, day
inline constexpr const char* kDatePatternUs = "%02d/%02d/%04d";      // month, day, year
inline constexpr const char* kTimePattern = "%02d:%02d";             // hour, minute

// Texts shown on a note (icon tooltips) and as dialog captions.
inline constexpr const char* kAlarmTextRepeating = "Alarm set %s at %s %s";  // date, time, word
inline constexpr const char* kAlarmTextOnce = "Alarm set %s at %s";          // date, time
inline constexpr const char* kWordDaily = "daily";
inline constexpr const char* kWordWeekly = "weekly";
inline constexpr const char* kWordMonthly = "monthly";
inline constexpr const char* kExpirationText = "Note will expire %s at %s";  // date, time
inline constexpr const char* kAlarmIconTip = "Note alarm icon.";
inline constexpr const char* kExpirationIconTip = "Note expire icon.";

// AlarmDialog.
inline constexpr const char* kAlarmCaption = "Note alarm";
inline constexpr const char* kAlarmOff = "No alarm is set";
inline constexpr const char* kAlarmOn = "Use alarm and settings bellow";
inline constexpr const char* kAlarmDateLabel = "Date :";
inline constexpr const char* kAlarmTimeLabel = "Time :";
inline constexpr const char* kAlarmTimeFormat = "HH:mm";
inline constexpr const char* kAlarmRepeatLabel = "Repeat :";
inline constexpr const char* kAlarmSoundLabel = "Sound :";
// List item index = repeat digit / sound digit.
inline constexpr const char* kRepeatItems[] = {"None", "Daily", "Weekly", "Monthly"};
inline constexpr const char* kSoundItems[] = {"No", "Yes"};
inline constexpr int kDefaultRepeatIndex = 0;  // "None"
inline constexpr int kDefaultSoundIndex = 1;   // "Yes"
inline constexpr const char* kApply = "Apply";
inline constexpr const char* kCancel = "Cancel";
inline constexpr const char* kTipAlarmOff = "Alarm is off.";
inline constexpr const char* kTipAlarmOn = "Select note alarm on and set alarm.";
inline constexpr const char* kTipAlarmDate = "Select note alarm date.";
inline constexpr const char* kTipAlarmTime = "Select note alarm time.";
inline constexpr const char* kTipAlarmSound = "Select if note alarm will play sound.";
inline constexpr const char* kTipAlarmRepeat = "Select note alarm repeat period.";
inline constexpr const char* kTipAlarmApply = "Apply note alarm settings.";
inline constexpr const char* kTipAlarmCancel = "Close alarm dialog and cancel changes.";

// ExpirationDialog.
inline constexpr const char* kExpirationCaption = "Note expiration";
inline constexpr const char* kNeverExpire = "Note never expire";
// List item index = period digit.
inline constexpr const char* kPeriodItems[] = {"Expire after 1 hour", "Expire after 1 day",
                                               "Expire after 1 week", "Expire after 1 month"};
inline constexpr int kDefaultPeriodIndex = 0;
inline constexpr const char* kExpireEndOfDay = "Expire at the end of day";
inline constexpr const char* kTipNeverExpire = "Note never expire.";
inline constexpr const char* kTipExpirePeriod = "Note will expire after selected period.";
inline constexpr const char* kTipExpireEndOfDay = "Note will expire exactly on selected date.";
inline constexpr const char* kTipExpirationApply = "Apply note expire settings.";
inline constexpr const char* kTipExpirationCancel = "Close expire dialog and cancel changes.";

}  // namespace kd::reminder_texts
