// A mail server that offers no STARTTLS and writes down every byte it receives: it speaks just
// enough SMTP or IMAP to take a log-on (AUTH PLAIN or LOGIN) and a mail, so whatever a client
// would send in the clear lands in `received()`. Listens on the given IPv4 address.
#pragma once

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace kd::test {

class CaptureServer {
public:
    enum class Protocol { Smtp, Imap };

    CaptureServer(Protocol protocol, const std::string& address) : protocol_(protocol) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        ::inet_pton(AF_INET, address.c_str(), &a.sin_addr);
        socklen_t size = sizeof a;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), size) != 0 ||
            ::listen(listener_, 4) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size) != 0)
            return;
        port_ = ntohs(a.sin_port);
        url_ = std::string(protocol == Protocol::Smtp ? "smtp://" : "imap://") + address + ":" +
               std::to_string(port_);
        thread_ = std::thread([this] { run(); });
    }
    ~CaptureServer() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (listener_ >= 0)
            ::close(listener_);
    }
    CaptureServer(const CaptureServer&) = delete;
    CaptureServer& operator=(const CaptureServer&) = delete;

    bool listening() const { return port_ != 0; }
    std::uint16_t port() const { return port_; }
    const std::string& url() const { return url_; }
    int connections() const { return connections_; }
    std::string received() const {
        std::lock_guard lock(mutex_);
        return received_;
    }

    // The first IPv4 address of this computer that is not a loopback one; "" when none.
    static std::string non_loopback_address() {
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) != 0)
            return {};
        std::string found;
        for (const ifaddrs* i = list; i != nullptr && found.empty(); i = i->ifa_next) {
            if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET ||
                (i->ifa_flags & IFF_UP) == 0 || (i->ifa_flags & IFF_LOOPBACK) != 0)
                continue;
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr, text,
                        sizeof text);
            if (std::string(text).rfind("127.", 0) != 0)
                found = text;
        }
        ::freeifaddrs(list);
        return found;
    }

private:
    // Waits for a line (or, in a mail's text, for its end) while looking at the stop flag.
    bool read_line(int c, std::string& pending, std::string& line) {
        for (;;) {
            if (const auto end = pending.find("\r\n"); end != std::string::npos) {
                line = pending.substr(0, end);
                pending.erase(0, end + 2);
                return true;
            }
            pollfd p{c, POLLIN, 0};
            if (stop_ || ::poll(&p, 1, 50) < 0)
                return false;
            if ((p.revents & (POLLIN | POLLHUP)) == 0)
                continue;
            char buffer[1024];
            const ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
            if (n <= 0)
                return false;
            pending.append(buffer, static_cast<std::size_t>(n));
            std::lock_guard lock(mutex_);
            received_.append(buffer, static_cast<std::size_t>(n));
        }
    }
    static void say(int c, const std::string& text) {
        ::send(c, text.data(), text.size(), MSG_NOSIGNAL);
    }

    void serve_smtp(int c) {
        say(c, "220 capture ESMTP\r\n");
        std::string pending, line;
        bool in_data = false, in_auth = false;
        while (read_line(c, pending, line)) {
            std::string word = line.substr(0, line.find(' '));
            for (char& ch : word)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            if (in_data) {
                if (line == ".") {
                    in_data = false;
                    say(c, "250 queued\r\n");
                }
            } else if (in_auth) {
                in_auth = false;
                say(c, "235 accepted\r\n");
            } else if (word == "EHLO") {
                say(c, "250-capture\r\n250 AUTH PLAIN LOGIN\r\n");
            } else if (word == "AUTH") {
                if (line.find(' ', 5) == std::string::npos) {
                    in_auth = true;
                    say(c, "334 \r\n");
                } else {
                    say(c, "235 accepted\r\n");
                }
            } else if (word == "DATA") {
                in_data = true;
                say(c, "354 go on\r\n");
            } else if (word == "QUIT") {
                say(c, "221 bye\r\n");
                return;
            } else if (word == "STARTTLS") {
                say(c, "502 not here\r\n");
            } else {
                say(c, "250 ok\r\n");
            }
        }
    }

    void serve_imap(int c) {
        say(c, "* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] capture ready\r\n");
        std::string pending, line;
        std::string auth_tag;
        while (read_line(c, pending, line)) {
            if (!auth_tag.empty()) {
                say(c, auth_tag + " OK logged on\r\n");
                auth_tag.clear();
                continue;
            }
            const std::string tag = line.substr(0, line.find(' '));
            std::string command = line.size() > tag.size() ? line.substr(tag.size() + 1) : "";
            command = command.substr(0, command.find(' '));
            for (char& ch : command)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            if (command == "CAPABILITY") {
                say(c, "* CAPABILITY IMAP4rev1 AUTH=PLAIN\r\n" + tag + " OK done\r\n");
            } else if (command == "AUTHENTICATE") {
                auth_tag = tag;
                say(c, "+ \r\n");
            } else if (command == "SELECT" || command == "EXAMINE") {
                say(c, "* 0 EXISTS\r\n* OK [UIDVALIDITY 1] ok\r\n" + tag +
                           " OK [READ-WRITE] done\r\n");
            } else if (command == "LOGOUT") {
                say(c, "* BYE bye\r\n" + tag + " OK done\r\n");
                return;
            } else if (command == "STARTTLS") {
                say(c, tag + " BAD not here\r\n");
            } else {
                say(c, tag + " OK done\r\n");
            }
        }
    }

    void run() {
        while (!stop_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int c = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            ++connections_;
            if (protocol_ == Protocol::Smtp)
                serve_smtp(c);
            else
                serve_imap(c);
            ::close(c);
        }
    }

    Protocol protocol_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::string url_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::string received_;
    std::thread thread_;
};

}  // namespace kd::test
