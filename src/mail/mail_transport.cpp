#include "mail/mail_transport.h"

#include <curl/curl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <sstream>

namespace kd::mail {

namespace {

void global_init() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t append_to_string(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

// libcurl calls this also while it blocks for a server's answer (about once a second).
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

// Every option of the mail transport in one place: the logon, the transport's security, our
// limits and the stop request.
void common_options(CURL* curl, const MailLogon& logon, const MailTimeouts& timeouts,
                    const std::atomic<bool>* stop) {
    curl_easy_setopt(curl, CURLOPT_USERNAME, logon.account.user_name.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, logon.password.c_str());
    // STARTTLS whenever the server offers it; smtps:// and imaps:// are TLS from the start.
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeouts.connect.count()));
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT,
                     static_cast<long>(timeouts.stalled.count()));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timeouts.stalled.count()));
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
        case CURLE_OPERATION_TIMEDOUT:
            return MailResult::TimedOut;
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

class MailConnection {
public:
    MailConnection() : multi_(curl_multi_init()) {}
    ~MailConnection() {
        if (multi_ != nullptr) {
            curl_multi_cleanup(multi_);
        }
    }
    MailConnection(const MailConnection&) = delete;
    MailConnection& operator=(const MailConnection&) = delete;

    // Runs one transfer of `easy`, looking at `stop` between short waits. A stop shuts the
    // connection's sockets down, so libcurl ends at once instead of waiting, about a second
    // at a time, for a silent server to answer the end of the mail or the goodbye.
    CURLcode perform(CURL* easy, const std::atomic<bool>* stop) {
        if (multi_ == nullptr) {
            return CURLE_FAILED_INIT;
        }
        curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &open_socket);
        curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
        curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &close_socket);
        curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, this);
        if (curl_multi_add_handle(multi_, easy) != CURLM_OK) {
            return CURLE_FAILED_INIT;
        }
        CURLcode code = CURLE_GOT_NOTHING;
        int waits_after_cut = -1;
        for (;;) {
            if (waits_after_cut < 0 && stop != nullptr && stop->load()) {
                for (const curl_socket_t socket : sockets_) {
                    ::shutdown(socket, SHUT_RDWR);
                }
                waits_after_cut = 0;
            }
            int running = 0;
            if (curl_multi_perform(multi_, &running) != CURLM_OK) {
                code = CURLE_FAILED_INIT;
                break;
            }
            if (running == 0) {
                int left = 0;
                while (const CURLMsg* message = curl_multi_info_read(multi_, &left)) {
                    if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                        code = message->data.result;
                    }
                }
                break;
            }
            // Still looking the name up, with no socket to cut: leave it.
            if (waits_after_cut >= 0 && ++waits_after_cut > kWaitsAfterCut) {
                break;
            }
            if (curl_multi_poll(multi_, nullptr, 0, static_cast<int>(kStopPollInterval.count()),
                                nullptr) != CURLM_OK) {
                code = CURLE_FAILED_INIT;
                break;
            }
        }
        curl_multi_remove_handle(multi_, easy);
        return waits_after_cut >= 0 ? CURLE_ABORTED_BY_CALLBACK : code;
    }

private:
    static constexpr int kWaitsAfterCut = 4;

    static curl_socket_t open_socket(void* self, curlsocktype, curl_sockaddr* address) {
        const curl_socket_t socket =
            ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (socket != CURL_SOCKET_BAD) {
            static_cast<MailConnection*>(self)->sockets_.push_back(socket);
        }
        return socket;
    }
    static int close_socket(void* self, curl_socket_t socket) {
        auto& sockets = static_cast<MailConnection*>(self)->sockets_;
        sockets.erase(std::remove(sockets.begin(), sockets.end(), socket), sockets.end());
        return ::close(socket);
    }

    CURLM* multi_;
    // Opened and closed on the thread that runs the transfers, and only looked at there.
    std::vector<curl_socket_t> sockets_;
};

MailResult smtp_send(const MailLogon& logon, const std::string& from,
                     const std::vector<std::string>& to, const std::string& mime,
                     const std::atomic<bool>* stop, const MailTimeouts& timeouts) {
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
    common_options(curl, logon, timeouts, stop);
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, sender.c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &read_upload);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    CURLcode code = CURLE_FAILED_INIT;
    {
        MailConnection connection;
        code = connection.perform(curl, stop);
    }
    curl_easy_cleanup(curl);
    curl_slist_free_all(recipients);
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

ImapInbox::ImapInbox(const std::atomic<bool>* stop, const MailTimeouts& timeouts)
    : stop_(stop), timeouts_(timeouts) {
    global_init();
    curl_ = curl_easy_init();
    connection_ = std::make_unique<MailConnection>();
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
    if (curl == nullptr || connection_ == nullptr) {
        last_result_ = MailResult::Failed;
        return std::nullopt;
    }
    std::string answer;
    const std::string url = mailbox_url_ + url_suffix;
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    common_options(curl, logon_, timeouts_, stop_);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &append_to_string);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    if (!command.empty()) {
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, command.c_str());
    }
    last_result_ = result_of(connection_->perform(curl, stop_));
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
    connection_.reset();
    if (curl_ != nullptr) {
        curl_easy_cleanup(static_cast<CURL*>(curl_));
        curl_ = nullptr;
    }
    return true;
}

}  // namespace kd::mail
