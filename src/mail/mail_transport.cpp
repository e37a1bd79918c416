#include "mail/mail_transport.h"

#include <curl/curl.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <sstream>

namespace kd::mail {

namespace {

// Our own limits, so a silent server never holds a send or a check for long.
constexpr long kConnectSeconds = 20;
constexpr long kLowSpeedSeconds = 60;

void global_init() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t append_to_string(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

int stop_requested(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* stop = static_cast<const std::atomic<bool>*>(flag);
    return stop != nullptr && stop->load() ? 1 : 0;
}

struct Upload {
    const std::string* data;
    std::size_t offset = 0;
};

size_t read_upload(char* buffer, size_t size, size_t count, void* source) {
    auto* upload = static_cast<Upload*>(source);
    const std::size_t n = std::min(size * count, upload->data->size() - upload->offset);
    std::memcpy(buffer, upload->data->data() + upload->offset, n);
    upload->offset += n;
    return n;
}

void common_options(CURL* curl, const MailLogon& logon, const std::atomic<bool>* stop) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, logon.account.user_name.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, logon.password.c_str());
    // STARTTLS whenever the server offers it; smtps:// and imaps:// are TLS from the start.
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &stop_requested);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, stop);
}

MailResult result_of(CURLcode code) {
    switch (code) {
        case CURLE_OK:
            return MailResult::Ok;
        case CURLE_LOGIN_DENIED:
            return MailResult::LoginDenied;
        case CURLE_ABORTED_BY_CALLBACK:
            return MailResult::Aborted;
        default:
            return MailResult::Failed;
    }
}

std::string angle(const std::string& address) {
    return "<" + address + ">";
}

}  // namespace

MailResult smtp_send(const MailLogon& logon, const std::string& from,
                     const std::vector<std::string>& to, const std::string& mime,
                     const std::atomic<bool>* stop) {
    global_init();
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        return MailResult::Failed;
    }
    curl_slist* recipients = nullptr;
    for (const std::string& address : to) {
        recipients = curl_slist_append(recipients, angle(address).c_str());
    }
    const std::string sender = angle(from);
    Upload upload{&mime};
    curl_easy_setopt(curl, CURLOPT_URL, logon.account.smtp_url.c_str());
    common_options(curl, logon, stop);
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, sender.c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &read_upload);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    const CURLcode code = curl_easy_perform(curl);
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);
    return result_of(code);
}

std::vector<std::string> parse_search_ids(const std::string& answer) {
    std::vector<std::string> ids;
    std::istringstream lines(answer);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.starts_with("* SEARCH")) {
            continue;
        }
        std::istringstream words(line.substr(8));
        std::string word;
        while (words >> word) {
            if (!word.empty() && word.find_first_not_of("0123456789") == std::string::npos) {
                ids.push_back(word);
            }
        }
    }
    return ids;
}

ImapInbox::ImapInbox(const std::atomic<bool>* stop) : stop_(stop) {
    global_init();
    curl_ = curl_easy_init();
}

ImapInbox::~ImapInbox() {
    logoff();
}

MailResult ImapInbox::logon(const MailLogon& logon) {
    logon_ = logon;
    std::string base = logon_.account.imap_url;
    while (base.ends_with('/')) {
        base.pop_back();
    }
    const auto scheme = base.find("://");
    const bool has_path =
        base.find('/', scheme == std::string::npos ? 0 : scheme + 3) != std::string::npos;
    mailbox_url_ = has_path ? base : base + "/INBOX";
    request("NOOP");
    return last_result_;
}

std::optional<std::string> ImapInbox::request(const std::string& command,
                                              const std::string& url_suffix) {
    auto* curl = static_cast<CURL*>(curl_);
    if (curl == nullptr) {
        last_result_ = MailResult::Failed;
        return std::nullopt;
    }
    std::string answer;
    const std::string url = mailbox_url_ + url_suffix;
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    common_options(curl, logon_, stop_);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &append_to_string);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    if (!command.empty()) {
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, command.c_str());
    }
    last_result_ = result_of(curl_easy_perform(curl));
    if (last_result_ != MailResult::Ok) {
        return std::nullopt;
    }
    return answer;
}

std::optional<std::vector<std::string>> ImapInbox::message_ids() {
    const auto answer = request("UID SEARCH ALL");
    if (!answer) {
        return std::nullopt;
    }
    return parse_search_ids(*answer);
}

std::optional<ReadMail> ImapInbox::read(const std::string& id) {
    const auto flags = request("UID FETCH " + id + " (FLAGS)");
    if (!flags) {
        return std::nullopt;
    }
    const bool was_seen = flags->find("\\Seen") != std::string::npos;
    const auto header = request({}, ";UID=" + id + ";SECTION=HEADER");
    if (!header) {
        return std::nullopt;
    }
    ReadMail mail;
    mail.subject = subject_of(*header);
    if (is_note_subject(mail.subject)) {
        const auto whole = request({}, ";UID=" + id);
        if (!whole) {
            return std::nullopt;
        }
        mail.body = read_mail(*whole).body;
    }
    if (!was_seen) {
        request("UID STORE " + id + " -FLAGS.SILENT (\\Seen)");
    }
    return mail;
}

bool ImapInbox::remove(const std::string& id) {
    if (!request("UID STORE " + id + " +FLAGS.SILENT (\\Deleted)")) {
        return false;
    }
    // Only this message goes; a server without UID EXPUNGE expunges the whole mailbox.
    return request("UID EXPUNGE " + id).has_value() || request("EXPUNGE").has_value();
}

bool ImapInbox::logoff() {
    if (curl_ != nullptr) {
        curl_easy_cleanup(static_cast<CURL*>(curl_));
        curl_ = nullptr;
    }
    return true;
}

}  // namespace kd::mail
