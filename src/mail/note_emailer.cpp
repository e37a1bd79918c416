#include "mail/note_emailer.h"

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
#include "mail/mail_module.h"
#include "mail/mail_texts.h"
#include "mail/note_email.h"
#include "net/identity.h"
#include "net/note_message.h"
#include "net/note_sender.h"
#include "note/note_view.h"
#include "platform/busy_window.h"
#include "platform/message_boxes.h"
#include "platform/paths.h"
#include "platform/private_files.h"
#include "platform/wait_cursor.h"
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

std::vector<std::string> NoteEmailer::send_note_email(NoteView& note,
                                                      const std::vector<std::string>& addresses,
                                                      const std::string& sender_identity) {
    const NoteStore& store = note.services().store();
    MessageBoxes& boxes = note.services().boxes();
    const bool with_picture = store.settings().flag(Setting::IncludePictureAttachment);
    // A fresh folder of our own: fixed picture names in the start folder could be planted.
    const PrivateTempFolder pictures;
    const std::string& folder = pictures.path();
    NoteViewPointer guard(&note);
    if (with_picture) {
        const WaitCursor wait;
        const bool bmp =
            store.settings().choice(Setting::DefaultPictureFormat) == store_texts::kPictureBmp;
        make_note_picture(note, bmp ? "bmp" : "jpg", folder);
    }
    const bool sent = guard && send_mail(*guard, addresses, sender_identity, with_picture, folder);
    if (with_picture) {
        delete_note_pictures(boxes, guard ? guard->widget() : nullptr, folder);
    }
    return sent ? std::vector<std::string>{} : addresses;
}

bool NoteEmailer::send_mail(NoteView& note, const std::vector<std::string>& addresses,
                            const std::string& sender_identity, bool with_picture,
                            const std::string& picture_folder) {
    MessageBoxes& boxes = note.services().boxes();
    // The note's window, the parent of the boxes, may go while they wait for the user.
    QPointer<QWidget> guard(note.widget());
    const std::string identity = sender_identity.empty() ? own_computer_name() : sender_identity;
    const std::string message =
        build_stored_note_message(note.services().store(), identity, note.note().number());
    const std::string plain = note.body_plain_text();
    if (!access_.online()) {
        boxes.tell(guard, QMessageBox::Information, QString::fromUtf8(kOfflineSend));
        return false;
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
    // Before the logon: without the module no password is asked for in vain.
    const MailModuleTable* transport = mail_module(note.services().modules());
    if (transport == nullptr) {
        return false;  // the module's box said why
    }
    // A refused logon asks again; cancelling the logon dialog ends the send unsent.
    for (;;) {
        const auto logon = access_.logon(guard);
        if (!logon) {
            return false;
        }
        mail.from = logon->account.from_address();
        const MailResult result = transfer(*transport, *logon, mail.to, compose_mime(mail));
        switch (result) {
            case MailResult::Ok:
                return true;
            case MailResult::LoginDenied:
                access_.forget_password();
                continue;
            case MailResult::TimedOut:
                // Asked again next time, with the chance to correct the server; the typed
                // password does not linger.
                access_.forget_password();
                boxes.tell(guard, QMessageBox::Warning, QString::fromUtf8(kSendFailed));
                return false;
            case MailResult::Failed:
                boxes.tell(guard, QMessageBox::Warning, QString::fromUtf8(kSendFailed));
                return false;
            case MailResult::Aborted:
                return false;  // the user's Cancel
            case MailResult::NotEncrypted:
            case MailResult::EncryptionFailed:
            case MailResult::CertificateOtherName:
            case MailResult::CertificateUntrusted:
            case MailResult::CertificateOutOfDate:
                // Most likely a wrong server: asked again next time, to correct it.
                access_.forget_password();
                boxes.tell(guard, QMessageBox::Warning,
                           QString::fromStdString(
                               refusal_text(result, url_host(logon->account.smtp_url))));
                return false;
        }
        return false;
    }
}

MailResult NoteEmailer::transfer(const MailModuleTable& transport, const MailLogon& logon,
                                 const std::vector<std::string>& to, const std::string& mime) {
    std::atomic<bool> stop{false};
    MailResult result = MailResult::Failed;
    BusyWindow busy;
    busy_ = &busy;
    busy.set_texts(QString::fromUtf8(kSendingFirstLine), QString::fromUtf8(kSendingSecondLine));
    busy.offer_cancel(QString::fromUtf8(kSendingCancel));
    // Only the busy window takes input meanwhile: no second send, no change to the note.
    busy.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(&busy, &BusyWindow::cancel_clicked, &loop, [&stop] { stop = true; });
    std::thread worker([&] {
        result =
            transport.smtp_send(logon, logon.account.from_address(), to, mime, &stop, timeouts_);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    busy.show_at_work_area_corner(kBusyCornerInset);
    loop.exec();
    // The loop also ends when the program quits: the transfer stops at once then.
    stop = true;
    worker.join();
    busy_ = nullptr;
    return result;
}

}  // namespace kd::mail
