// Fixed texts of note e-mails: what the mail carries and what the user is told.
#pragma once

namespace kd::mail {

// What a note e-mail carries. Other copies of the program look for the subject prefix and the
// markers: keep them exact.
inline constexpr const char* kSubjectPrefix = "Korvadesk : Note from";
inline constexpr const char* kBeginMarker = "<BEGIN>";
inline constexpr const char* kEndMarker = "<END>";
inline constexpr const char* kProductAndVersion = "Korvadesk 5.lan";
inline constexpr const char* kUnknownWho = "MYCOMPUTER";
inline constexpr const char* kJpegPicture = "Note.jpg";
inline constexpr const char* kBitmapPicture = "Note.bmp";

// Sending.
inline constexpr const char* kOfflineSend =
    "Program didn't send note to email recipient(s) because your computer is Offline (not "
    "connected).\nYour computer must be connected to the Internet to send email note "
    "message.\nConnect to Internet and then send note to email recipient(s) again.";
inline constexpr const char* kPictureMissing =
    "Note picture file was not found. Possible error creating note picture file.\nEmail will "
    "be send without attachment.";
inline constexpr const char* kSendFailed = "Send Mail failed to send message.";
// The busy window while a note e-mail goes out.
inline constexpr const char* kSendingFirstLine = "Sending note email ...";
inline constexpr const char* kSendingSecondLine = "Click Cancel to stop sending.";
inline constexpr const char* kSendingCancel = "Cancel";

// A mail server refused before the password went to it; "%s" is the server's host.
inline constexpr const char* kNotEncrypted =
    "The mail server %s did not offer an encrypted connection, so the password was not sent.";
inline constexpr const char* kEncryptionFailed =
    "The encrypted connection to the mail server %s could not be set up, so the password was "
    "not sent.";
inline constexpr const char* kCertificateOtherName =
    "The mail server %s showed a certificate made out for another name, so the password was "
    "not sent.";
inline constexpr const char* kCertificateUntrusted =
    "The mail server %s showed a certificate from an authority this computer does not trust, "
    "so the password was not sent.";
inline constexpr const char* kCertificateOutOfDate =
    "The mail server %s showed a certificate that has expired or is not valid yet, so the "
    "password was not sent.";

// Checking.
inline constexpr const char* kOfflineCheck =
    "Your computer is Offline. You must be connected to the Internet to download new email "
    "messages.\n Would you like program to check your old email messages for Korvadesk email "
    "notes ?";
inline constexpr const char* kLogonFailed = "Can not Log On to your default email account ...";
inline constexpr const char* kReadFailed = "Read Mail function failed ...";
inline constexpr const char* kDeleteFailed = "Can not delete Korvadesk message from Inbox ...";
inline constexpr const char* kNoneFound =
    "Checking for email notes finished. No email notes found in your Inbox !  ";
inline constexpr const char* kLogoffFailed = "Can not Log Off from your default email account ...";

// The busy window of a check started from the tray.
inline constexpr const char* kBusyFirstLine = "Checking for new email notes ...";
inline constexpr const char* kBusySecondLine = "Note will appear on desktop if found ...";

// The logon dialog.
inline constexpr const char* kLogonCaption = "Log on to your email account";
inline constexpr const char* kLogonSmtpLabel = "Outgoing mail (SMTP) URL:";
inline constexpr const char* kLogonImapLabel = "Incoming mail (IMAP) URL:";
inline constexpr const char* kLogonUserLabel = "User name:";
inline constexpr const char* kLogonAddressLabel = "Your email address:";
inline constexpr const char* kLogonPasswordLabel = "Password:";
inline constexpr const char* kTipSmtp =
    "Address of the outgoing mail server, for example smtp://mail.example.com:587 (STARTTLS) "
    "or smtps://mail.example.com:465.";
inline constexpr const char* kTipImap =
    "Address of the incoming mail server, for example imaps://mail.example.com:993.";
inline constexpr const char* kTipUser = "The name you log on to the mail servers with.";
inline constexpr const char* kTipAddress =
    "The address your note emails are sent from; empty takes the user name.";
inline constexpr const char* kTipPassword =
    "Your mail password. It is kept only while the program runs.";

}  // namespace kd::mail
