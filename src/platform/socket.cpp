#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kd {

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        reset(other.release());
    }
    return *this;
}

int FileHandle::release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

void FileHandle::reset(int fd) {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
}

WakeSignal::WakeSignal() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        read_.reset(fds[0]);
        write_.reset(fds[1]);
    }
}

void WakeSignal::signal() {
    if (write_.valid()) {
        char byte = 1;
        // A full pipe already wakes every waiter, so a failed write changes nothing.
        [[maybe_unused]] ssize_t n = ::write(write_.get(), &byte, 1);
    }
}

bool WakeSignal::signalled() const {
    if (!read_.valid()) {
        return false;
    }
    pollfd p{read_.get(), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

std::string SocketStatus::message() const {
    return error == 0 ? std::string() : std::string(std::strerror(error));
}

Socket Socket::listen_tcp(std::string_view host, std::uint16_t port, int backlog,
                          SocketStatus& status, std::string& failed_step) {
    status = {};
    failed_step.clear();
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP));
    if (!s.valid()) {
        status.error = errno;
        failed_step = "socket";
        return {};
    }
    int yes = 1;
    ::setsockopt(s.fd(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    std::string host_text(host);
    if (::inet_pton(AF_INET, host_text.c_str(), &addr.sin_addr) != 1) {
        status.error = EINVAL;
        failed_step = "bind";
        return {};
    }
    if (::bind(s.fd(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        status.error = errno;
        failed_step = "bind";
        return {};
    }
    if (::listen(s.fd(), backlog) != 0) {
        status.error = errno;
        failed_step = "listen";
        return {};
    }
    return s;
}

std::uint16_t Socket::local_port() const {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (!valid() || ::getsockname(fd(), reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        return 0;
    }
    return ntohs(addr.sin_port);
}

WaitResult Socket::wait_readable(std::chrono::milliseconds timeout, const WakeSignal* wake) const {
    pollfd fds[2] = {{fd(), POLLIN, 0}, {-1, POLLIN, 0}};
    nfds_t count = 1;
    if (wake != nullptr && wake->wait_fd() >= 0) {
        fds[1].fd = wake->wait_fd();
        count = 2;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int wait_ms = -1;
        if (timeout.count() >= 0) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            wait_ms = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        int n = ::poll(fds, count, wait_ms);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return WaitResult::Failed;
        }
        if (count == 2 && fds[1].revents != 0) {
            return WaitResult::Woken;
        }
        if (n == 0) {
            return WaitResult::TimedOut;
        }
        return WaitResult::Ready;
    }
}

Socket Socket::accept(SocketStatus& status) const {
    status = {};
    for (;;) {
        int fd = ::accept4(this->fd(), nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            return Socket(fd);
        }
        if (errno == EINTR) {
            continue;
        }
        status.error = errno;
        return {};
    }
}

std::string resolve_ipv4(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return {};
    }
    char text[INET_ADDRSTRLEN] = {};
    auto* addr = reinterpret_cast<sockaddr_in*>(found->ai_addr);
    ::inet_ntop(AF_INET, &addr->sin_addr, text, sizeof text);
    ::freeaddrinfo(found);
    return text;
}

Socket Socket::connect_tcp(const std::string& host, std::uint16_t port,
                           std::chrono::milliseconds timeout, SocketStatus& status) {
    status = {};
    std::string address = resolve_ipv4(host);
    if (address.empty()) {
        status.error = EHOSTUNREACH;
        return {};
    }
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP));
    if (!s.valid()) {
        status.error = errno;
        return {};
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    ::inet_pton(AF_INET, address.c_str(), &addr.sin_addr);
    if (::connect(s.fd(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EINPROGRESS) {
            status.error = errno;
            return {};
        }
        pollfd p{s.fd(), POLLOUT, 0};
        int n;
        do {
            n = ::poll(&p, 1, static_cast<int>(timeout.count()));
        } while (n < 0 && errno == EINTR);
        if (n <= 0) {
            status.error = n == 0 ? ETIMEDOUT : errno;
            return {};
        }
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0) {
            status.error = err;
            return {};
        }
    }
    int flags = ::fcntl(s.fd(), F_GETFL);
    ::fcntl(s.fd(), F_SETFL, flags & ~O_NONBLOCK);
    return s;
}

long Socket::receive_some(char* buffer, std::size_t size, SocketStatus& status) const {
    status = {};
    for (;;) {
        ssize_t n = ::recv(fd(), buffer, size, 0);
        if (n >= 0) {
            return static_cast<long>(n);
        }
        if (errno == EINTR) {
            continue;
        }
        status.error = errno;
        return -1;
    }
}

SocketStatus Socket::send_all(std::string_view data) const {
    SocketStatus status;
    while (!data.empty()) {
        ssize_t n = ::send(fd(), data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            status.error = errno;
            return status;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return status;
}

}  // namespace kd
