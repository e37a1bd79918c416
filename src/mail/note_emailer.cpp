#include "mail/note_emailer.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

#include "files/note_picture.h"
#include "mail/mail_access.h"
#include "mail/mail_texts.h"
#include "mail/mail_transport.h"
#include "mail/note_email.h"
#include "net/identity.h"
#include "net/note_message.h"
#include "net/note_sender.h"
#include "note/note_body.h"
#include "note/note_window.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "platform/private_files.h"
#include "store/note_store.h"
#include "store/store_texts.h"

namespace kd::mail {

namespace {

// Bigger pictures are not attached: no note is drawn that large.
constexpr std::streamsize kMaxPictureBytes = 64 * 1024 * 1024;

std::optional<std::string> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || static_cast<std::streamsize>(bytes.size()) > kMaxPictureBytes) {
        return std::nullopt;
    }
    return bytes;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The SMTP transfer on a worker thread; input is held back meanwhile, timers run.
MailResult send_off_ui_thread(const MailLogon& logon, const std::vector<std::string>& to,
                              const std::string& mime) {
    MailResult result = MailResult::Failed;
    QEventLoop loop;
    std::thread worker([&] {
        result = smtp_send(logon, logon.account.from_address(), to, mime);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QApplication::setOverrideCursor(Qt::WaitCursor);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
    worker.join();
    return result;
}

std::string unique_boundary() {
    static std::atomic<unsigned> counter{0};
    return "korvadesk-part-" + std::to_string(::time(nullptr)) + "-" +
           std::to_string(counter.fetch_add(1));
}

std::string mail_date() {
    char text[64] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S %z", &local);
    return text;
}

}  // namespace

bool includes_picture_attachment(const std::string& setting) {
    return setting.empty() || setting == store_texts::kYes;
}

std::optional<MailAttachment> read_note_picture(const std::string& folder) {
    if (folder.empty()) {
        return std::nullopt;
    }
    for (const char* name : {kJpegPicture, kBitmapPicture}) {
        if (auto bytes = read_file(folder + "/" + name)) {
            return MailAttachment{name, picture_content_type(name), std::move(*bytes)};
        }
    }
    return std::nullopt;
}

void NoteEmailer::send_note_email(NoteWindow& note, const std::vector<std::string>& addresses,
                                  const std::string& sender_identity) {
    const NoteStore& store = note.services().store();
    MessageBoxes& boxes = note.services().boxes();
    const bool with_picture = includes_picture_attachment(store.get_include_picture_attachment());
    // A fresh folder of our own: fixed picture names in the start folder could be planted.
    const PrivateTempFolder pictures;
    const std::string& folder = pictures.path();
    QPointer<NoteWindow> guard(&note);
    if (with_picture) {
        const bool bmp = setting_rules::picture_is_bmp(store.get_default_picture_format());
        make_note_picture(note, bmp ? "bmp" : "jpg", folder);
    }
    if (guard) {
        send_mail(*guard, addresses, sender_identity, with_picture, folder);
    }
    if (with_picture) {
        delete_note_pictures(boxes, guard, folder);
    }
}

void NoteEmailer::send_mail(NoteWindow& note, const std::vector<std::string>& addresses,
                            const std::string& sender_identity, bool with_picture,
                            const std::string& picture_folder) {
    MessageBoxes& boxes = note.services().boxes();
    QPointer<NoteWindow> guard(&note);
    const std::string identity = sender_identity.empty() ? own_computer_name() : sender_identity;
    const std::string message =
        build_stored_note_message(note.services().store(), identity, note.number());
    const std::string plain = note.body()->toPlainText().toStdString();
    if (!access_.online()) {
        boxes.tell(guard, QMessageBox::Information, QString::fromUtf8(kOfflineSend));
        return;
    }
    OutgoingMail mail;
    std::transform(addresses.begin(), addresses.end(), std::back_inserter(mail.to), lower);
    const std::string who = email_who(message, user_logon_name(), email_computer_name());
    mail.subject = note_email_subject(who);
    if (with_picture) {
        mail.attachment = read_note_picture(picture_folder);
        if (!mail.attachment) {
            boxes.tell(guard, QMessageBox::Information, QString::fromUtf8(kPictureMissing));
        }
    }
    mail.body = note_email_body(who, plain, message, mail.attachment.has_value());
    mail.date = mail_date();
    mail.boundary = unique_boundary();
    // A refused logon asks again; cancelling the logon dialog ends the send quietly.
    for (;;) {
        const auto logon = access_.logon(guard);
        if (!logon) {
            return;
        }
        mail.from = logon->account.from_address();
        const MailResult result = send_off_ui_thread(*logon, mail.to, compose_mime(mail));
        if (result == MailResult::LoginDenied) {
            access_.forget_password();
            continue;
        }
        if (result == MailResult::Failed) {
            boxes.tell(guard, QMessageBox::Warning, QString::fromUtf8(kSendFailed));
        }
        return;
    }
}

}  // namespace kd::mail
