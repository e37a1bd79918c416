// The note e-mail's layout and the rules by which the inbox check reads one back.
#include <gtest/gtest.h>

#include "mail/email_check.h"
#include "mail/mail_account.h"
#include "mail/mail_texts.h"
#include "mail/note_email.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "platform/temp_dir.h"
#include "store/note_store.h"
#include "support/error_recorder.h"

namespace kd::mail {
namespace {

const std::string kMessage = "PC17~{\\rtf1 hi}~Arial~~0~0~10~0~Title~Arial~~0~0~8~0~~~~~~~~";

TEST(NoteEmail, WhoIsTheLogonNameAndComputerUnlessAnonymous) {
    EXPECT_EQ(email_who(kMessage, "anna", "DESK1"), "anna, DESK1");
    EXPECT_EQ(email_who(kMessage, "anna", ""), "anna");
    // Without a log-on name the message's sender stays, and no computer name is added.
    EXPECT_EQ(email_who(kMessage, "", "DESK1"), "PC17");
    EXPECT_EQ(email_who("no separator", "", ""), "MYCOMPUTER");
    EXPECT_EQ(email_who("ANONYMOUS~x~", "anna", "DESK1"), "ANONYMOUS");
    EXPECT_EQ(note_email_subject("ANONYMOUS"), "Korvadesk : Note from ANONYMOUS");
}

TEST(NoteEmail, BodyHasBothPartsAndTheMessageBetweenTheMarkers) {
    const std::string body = note_email_body("anna, DESK1", "Buy milk", kMessage, false);
    EXPECT_TRUE(
        body.starts_with("(1) KORVADESK 5.LAN MESSAGE TEXT FROM : anna, DESK1 \n\n"
                         "Buy milk\n\n(2) KORVADESK 5.LAN IMPORTANT NOTICE AND NOTE DATA"
                         "\n\nThis message was sent with Korvadesk 5.lan Version program. "
                         "Message contains data"));
    EXPECT_TRUE(body.ends_with("delete this email message.\n\n<BEGIN>" + kMessage + "<END>"));
    EXPECT_EQ(note_email_body("a", "b", kMessage, true),
              note_email_body("a", "b", kMessage, false) + " ");
}

TEST(NoteEmail, MimeRoundTripKeepsSubjectBodyAndAttachment) {
    OutgoingMail mail;
    mail.from = "anna@example.org";
    mail.to = {"user@localhost", "bob@example.org"};
    // Longer than a mail line may be, with bytes that quoted-printable must escape.
    const std::string long_message = kMessage + std::string(3000, 'x') + "=\xc3\xa9~";
    mail.subject = note_email_subject("J\xc3\xbcrgen, DESK1");
    mail.body = note_email_body("J\xc3\xbcrgen", "line one\nline two ", long_message, true);
    mail.attachment = MailAttachment{"Note.jpg", "image/jpeg", std::string("\xff\xd8\0\x01zz", 6)};
    mail.boundary = "kd-boundary-1";
    const std::string mime = compose_mime(mail);

    std::size_t start = 0;
    while (start < mime.size()) {
        const auto end = mime.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, 78u) << "line too long for mail";
        start = end + 2;
    }
    EXPECT_NE(mime.find("To: user@localhost, bob@example.org\r\n"), std::string::npos);
    EXPECT_NE(mime.find("filename=\"Note.jpg\""), std::string::npos);

    const ReadMail read = read_mail(mime);
    EXPECT_EQ(read.subject, mail.subject);
    ASSERT_TRUE(is_note_subject(read.subject));
    EXPECT_EQ(note_data_from_body(read.body), long_message);
    EXPECT_NE(read.body.find("line one\r\nline two \r\n"), std::string::npos);

    mail.attachment.reset();
    EXPECT_EQ(compose_mime(mail).find("multipart"), std::string::npos);
    EXPECT_EQ(note_data_from_body(read_mail(compose_mime(mail)).body), long_message);
}

TEST(NoteEmail, ScanRulesTakeTheFirstMarkersAndDropCrlfPairs) {
    EXPECT_EQ(note_data_from_body("x<BEGIN>ab\r\ncd\r\n~<END>y<END>"), "abcd~");
    // A lone line feed or carriage return is not a pair.
    EXPECT_EQ(note_data_from_body("<BEGIN>a\nb\rc<END>"), "a\nb\rc");
    EXPECT_EQ(note_data_from_body("<BEGIN>no end"), std::nullopt);
    EXPECT_EQ(note_data_from_body("no begin<END>"), std::nullopt);
    EXPECT_EQ(note_data_from_body("<END>reversed<BEGIN>"), "");
    EXPECT_TRUE(is_note_subject("Korvadesk : Note from anna"));
    EXPECT_FALSE(is_note_subject("Re: Korvadesk : Note from anna"));
    EXPECT_FALSE(is_note_subject("korvadesk : note from anna"));
}

TEST(NoteEmail, ReadsMailsOtherProgramsWrite) {
    // Folded, encoded subject; a nested multipart whose first text part is base64.
    const std::string message =
        "Subject: =?ISO-8859-1?Q?Korvadesk_:_Note_from?=\r\n =?UTF-8?B?IEFubmE=?=\r\n"
        "Content-Type: multipart/mixed;\r\n boundary=outer\r\n\r\n"
        "preamble\r\n--outer\r\nContent-Type: multipart/alternative; boundary=\"in\"\r\n\r\n"
        "--in\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n"
        "\r\nPEJFR0lOPmF+PEVORD4=\r\n--in\r\nContent-Type: text/html\r\n\r\n<p>x</p>\r\n--in--\r\n"
        "--outer--\r\n";
    const ReadMail read = read_mail(message);
    EXPECT_EQ(read.subject, "Korvadesk : Note from Anna");
    EXPECT_EQ(read.body, "<BEGIN>a~<END>");
    // A plain message without MIME headers; a header-only message.
    EXPECT_EQ(read_mail("Subject: hi\n\nbody\n").body, "body\n");
    EXPECT_EQ(read_mail("Subject: only").subject, "only");
    EXPECT_EQ(read_mail("Subject: x\r\nContent-Type: multipart/mixed\r\n\r\nno boundary").body, "");
}

TEST(NoteEmail, TransferEncodings) {
    for (const std::string& text : {std::string(), std::string("a"), std::string("ab"),
                                    std::string("abc"), std::string("\0\xff\x10 z", 5)}) {
        EXPECT_EQ(base64_decode(base64_encode(text)), text);
        EXPECT_EQ(quoted_printable_decode(quoted_printable_encode(text)), text);
    }
    EXPECT_EQ(quoted_printable_encode("a \r\nb"), "a=20\r\nb");
    EXPECT_EQ(quoted_printable_decode("a=\r\nb=3D=4"), "ab==4");
    EXPECT_EQ(picture_content_type("Note.bmp"), "image/bmp");
    EXPECT_EQ(picture_content_type("Note.JPG"), "image/jpeg");
}

TEST(MailAccount, WipingASecretOverwritesItsBytes) {
    // Longer than the string's inner buffer, so its bytes live on the heap; the buffer stays
    // allocated after clear(), so what is left in it can be looked at.
    std::string secret(40, 'p');
    const char* bytes = secret.data();
    wipe(secret);
    EXPECT_TRUE(secret.empty());
    EXPECT_EQ(std::string(bytes, 40), std::string(40, '\0'));
}

TEST(MailAccount, PlainTextOnlyWhenTheFileSaysYesAndTheDialogKeepsIt) {
    test::TempDir dir;
    const std::string ini = dir.file("Korvadesk.ini");
    AppPaths paths;
    paths.IniPath = ini;
    const NoteStore store(paths, test::store_errors());
    const MailAccount account{"smtp://mail.example.com", "imap://mail.example.com", "anna", ""};
    ASSERT_TRUE(write_mail_account(store, account));
    EXPECT_FALSE(read_mail_account(store).allow_plain_text);
    EXPECT_EQ(test::read_text(ini).find("AllowPlainText"), std::string::npos);
    for (const char* word : {"yes", "YES", "No", "1", ""}) {
        ASSERT_TRUE(ProfileFile::write(ini, "EMAIL_ACCOUNT", "AllowPlainText", word));
        EXPECT_FALSE(read_mail_account(store).allow_plain_text) << word;
    }
    ASSERT_TRUE(ProfileFile::write(ini, "EMAIL_ACCOUNT", "AllowPlainText", "Yes"));
    EXPECT_TRUE(read_mail_account(store).allow_plain_text);
    // Saving what the logon dialog edits leaves the key as it is.
    ASSERT_TRUE(write_mail_account(store, account));
    EXPECT_TRUE(read_mail_account(store).allow_plain_text);
}

TEST(MailAccount, RefusalsNameTheServer) {
    EXPECT_EQ(refusal_text(MailResult::NotEncrypted, "smtp.example.com"),
              "The mail server smtp.example.com did not offer an encrypted connection, so the "
              "password was not sent.");
    EXPECT_NE(refusal_text(MailResult::CertificateUntrusted, "[::1]").find(" [::1] "),
              std::string::npos);
    for (const MailResult other : {MailResult::Ok, MailResult::LoginDenied, MailResult::Failed,
                                   MailResult::TimedOut, MailResult::Aborted})
        EXPECT_EQ(refusal_text(other, "h"), "");
}

}  // namespace
}  // namespace kd::mail
