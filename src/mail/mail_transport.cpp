#include "mail/mail_transport.h"

#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
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
    // A byte buffer for libcurl, never a string: nothing to terminate.
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result)
    std::memcpy(buffer, upload->data->data() + upload->offset, n);
    upload->offset += n;
    return n;
}

// The schemes each side may use: any other (http://, ftp://, a URL without a scheme) would
// carry the log-on where we do not look after it.
constexpr const char* kSendProtocols = "smtp,smtps";
constexpr const char* kCheckProtocols = "imap,imaps";

// Where the log-on may go without encryption.
enum class PlainText {
    Refused,   // nowhere: STARTTLS is required
    Loopback,  // to a server reached on a loopback address only
    Allowed,   // the account says so (AllowPlainText=Yes)
};

// The transport's security. smtps:// and imaps:// are TLS from the start; smtp:// and imap://
// must switch to it with STARTTLS before the log-on unless plain text is allowed, and even
// then use it when offered. The certificate and its host name are always checked.
void security_options(CURL* curl, PlainText plain) {
    curl_easy_setopt(
        curl, CURLOPT_USE_SSL,
        static_cast<long>(plain == PlainText::Refused ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* authorities = std::getenv(kTestCaFileVariable);
        authorities != nullptr && *authorities != '\0') {
        curl_easy_setopt(curl, CURLOPT_CAINFO, authorities);
    }
}

// Every other option of the mail transport in one place: the schemes, the logon, our limits
// and the stop request. The connection adds the security options for each transfer.
void common_options(CURL* curl, const char* protocols, const MailLogon& logon,
                    const MailTimeouts& timeouts, const std::atomic<bool>* stop) {
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(curl, CURLOPT_USERNAME, logon.account.user_name.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, logon.password.c_str());
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

// Why a certificate was refused, from the verification result. libcurl starts it at 1 and
// records the chain's result only after its own host name check passed, so a chain that
// verified for another name leaves 1 (or 0); the rest are OpenSSL's X509_V_ERR_... codes.
constexpr long kChainNotRecorded = 1;
constexpr long kCertificateNotYetValid = 9;
constexpr long kCertificateHasExpired = 10;
constexpr long kHostNameMismatch = 62;
constexpr long kIpAddressMismatch = 64;

MailResult certificate_refusal(CURL* curl) {
    long verified = 0;
    curl_easy_getinfo(curl, CURLINFO_SSL_VERIFYRESULT, &verified);
    switch (verified) {
        case 0:
        case kChainNotRecorded:
        case kHostNameMismatch:
        case kIpAddressMismatch:
            return MailResult::CertificateOtherName;
        case kCertificateNotYetValid:
        case kCertificateHasExpired:
            return MailResult::CertificateOutOfDate;
        default:
            return MailResult::CertificateUntrusted;
    }
}

MailResult result_of(CURL* curl, CURLcode code) {
    switch (code) {
        case CURLE_OK:
            return MailResult::Ok;
        case CURLE_LOGIN_DENIED:
            return MailResult::LoginDenied;
        case CURLE_OPERATION_TIMEDOUT:
            return MailResult::TimedOut;
        case CURLE_ABORTED_BY_CALLBACK:
            return MailResult::Aborted;
        case CURLE_USE_SSL_FAILED:
            return MailResult::NotEncrypted;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ENGINE_INITFAILED:
            return MailResult::EncryptionFailed;
        case CURLE_PEER_FAILED_VERIFICATION:
            return certificate_refusal(curl);
        default:
            return MailResult::Failed;
    }
}

std::string angle(const std::string& address) {
    return "<" + address + ">";
}

}  // namespace

bool is_loopback_address(const sockaddr* address) {
    if (address == nullptr) {
        return false;
    }
    const auto loopback_v4 = [](const void* bytes) {
        return static_cast<const unsigned char*>(bytes)[0] == 127;
    };
    if (address->sa_family == AF_INET) {
        return loopback_v4(&reinterpret_cast<const sockaddr_in*>(address)->sin_addr);
    }
    if (address->sa_family == AF_INET6) {
        const in6_addr& v6 = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
        return IN6_IS_ADDR_LOOPBACK(&v6) ||
               (IN6_IS_ADDR_V4MAPPED(&v6) && loopback_v4(&v6.s6_addr[12]));
    }
    return false;
}

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

    // The account allows the log-on in plain text wherever the server offers no STARTTLS.
    void allow_plain_text(bool allowed) {
        plain_ = allowed ? PlainText::Allowed : PlainText::Refused;
    }

    // Runs one transfer of `easy`. A server that offers no STARTTLS is refused before the
    // log-on; when every address this transfer reached was a loopback one, the server is on
    // this computer and the transfer runs once more in plain text, over connections that
    // again may reach loopback addresses only. What is allowed is decided by the address
    // connected to, never by the name in the URL, which may resolve anywhere.
    CURLcode perform(CURL* easy, const std::atomic<bool>* stop) {
        CURLcode code = perform_once(easy, stop);
        if (code == CURLE_USE_SSL_FAILED && plain_ == PlainText::Refused && opened_ > 0 &&
            opened_loopback_ == opened_ && !(stop != nullptr && stop->load())) {
            plain_ = PlainText::Loopback;
            code = perform_once(easy, stop);
        }
        return code;
    }

private:
    static constexpr int kWaitsAfterCut = 4;

    // Looks at `stop` between short waits. A stop shuts the connection's sockets down, so
    // libcurl ends at once instead of waiting, about a second at a time, for a silent server
    // to answer the end of the mail or the goodbye.
    CURLcode perform_once(CURL* easy, const std::atomic<bool>* stop) {
        if (multi_ == nullptr) {
            return CURLE_FAILED_INIT;
        }
        opened_ = 0;
        opened_loopback_ = 0;
        security_options(easy, plain_);
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

    static curl_socket_t open_socket(void* data, curlsocktype, curl_sockaddr* address) {
        auto* self = static_cast<MailConnection*>(data);
        const bool loopback = is_loopback_address(&address->addr);
        if (self->plain_ == PlainText::Loopback && !loopback) {
            return CURL_SOCKET_BAD;
        }
        const curl_socket_t socket =
            ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (socket != CURL_SOCKET_BAD) {
            self->sockets_.push_back(socket);
            ++self->opened_;
            self->opened_loopback_ += loopback ? 1 : 0;
        }
        return socket;
    }
    static int close_socket(void* self, curl_socket_t socket) {
        auto& sockets = static_cast<MailConnection*>(self)->sockets_;
        sockets.erase(std::remove(sockets.begin(), sockets.end(), socket), sockets.end());
        return ::close(socket);
    }

    CURLM* multi_;
    PlainText plain_ = PlainText::Refused;
    // Opened and closed on the thread that runs the transfers, and only looked at there.
    std::vector<curl_socket_t> sockets_;
    int opened_ = 0;  // connections the current transfer opened, and how many to loopback
    int opened_loopback_ = 0;
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
    // Read only after the log-on: a transfer refused before it has taken none of it.
    Upload upload{&mime};
    curl_easy_setopt(curl, CURLOPT_URL, logon.account.smtp_url.c_str());
    common_options(curl, kSendProtocols, logon, timeouts, stop);
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, sender.c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &read_upload);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    MailResult result = MailResult::Failed;
    {
        MailConnection connection;
        connection.allow_plain_text(logon.account.allow_plain_text);
        result = result_of(curl, connection.perform(curl, stop));
    }
    curl_easy_cleanup(curl);
    curl_slist_free_all(recipients);
    return result;
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
    if (connection_ != nullptr) {
        connection_->allow_plain_text(logon_.account.allow_plain_text);
    }
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
    common_options(curl, kCheckProtocols, logon_, timeouts_, stop_);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &append_to_string);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    if (!command.empty()) {
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, command.c_str());
    }
    last_result_ = result_of(curl, connection_->perform(curl, stop_));
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
