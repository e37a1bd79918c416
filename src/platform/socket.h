// Small RAII layer over POSIX TCP sockets: blocking calls with our own time-outs wherever a
// peer could otherwise hang us, and a wake-up channel so another thread can interrupt a wait.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kd {

// Owns one file descriptor; closes it on destruction.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept : fd_(other.release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    ~FileHandle() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

// Lets one thread interrupt another thread's socket waits (a pipe whose read end is polled
// alongside the socket). Once signalled it stays signalled.
class WakeSignal {
public:
    WakeSignal();
    void signal();
    bool signalled() const;
    int wait_fd() const { return read_.get(); }

private:
    FileHandle read_;
    FileHandle write_;
};

// Outcome of one socket call: the errno value of a failure, 0 on success.
struct SocketStatus {
    int error = 0;
    bool ok() const { return error == 0; }
    std::string message() const;
};

enum class WaitResult { Ready, TimedOut, Woken, Failed };

class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : handle_(fd) {}

    bool valid() const { return handle_.valid(); }
    int fd() const { return handle_.get(); }
    void close() { handle_.reset(); }

    // A listening IPv4 TCP socket with SO_REUSEADDR on host:port (host is a dotted address,
    // "0.0.0.0" for every local address). `failed_step` names "socket", "bind" or "listen".
    static Socket listen_tcp(std::string_view host, std::uint16_t port, int backlog,
                             SocketStatus& status, std::string& failed_step);
    // The local port the socket is bound to (0 when unknown).
    std::uint16_t local_port() const;

    // Waits until the socket is readable (or a connection waits), the time-out passes or the
    // wake signal fires. A negative time-out waits without limit.
    WaitResult wait_readable(std::chrono::milliseconds timeout, const WakeSignal* wake) const;

    Socket accept(SocketStatus& status) const;

    // Connects to an IPv4 address or host name (first IPv4 address of the lookup).
    static Socket connect_tcp(const std::string& host, std::uint16_t port,
                              std::chrono::milliseconds timeout, SocketStatus& status);

    // One receive of at most `size` bytes: the count, 0 when the peer closed, -1 on failure.
    long receive_some(char* buffer, std::size_t size, SocketStatus& status) const;
    // Sends every byte (repeating partial sends) without raising SIGPIPE.
    SocketStatus send_all(std::string_view data) const;

private:
    FileHandle handle_;
};

// First IPv4 address of a host name or dotted address, "" when the lookup fails.
std::string resolve_ipv4(const std::string& host);

}  // namespace kd
