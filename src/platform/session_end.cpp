#include "platform/session_end.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

namespace kd {

namespace {

int g_fds[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void on_termination_signal(int signal_number) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal_number);
    // Nothing more can be done here if the pipe is full: a byte is already waiting.
    [[maybe_unused]] ssize_t n = ::write(g_fds[0], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (g_fds[0] != -1) {
        return;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_fds) != 0) {
        g_fds[0] = g_fds[1] = -1;
        return;
    }
    notifier_ = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::drain);
    struct sigaction action {};
    action.sa_handler = on_termination_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals) {
        ::sigaction(s, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    if (notifier_ == nullptr) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals) {
        ::sigaction(s, &action, nullptr);
    }
    delete notifier_;
    notifier_ = nullptr;
    ::close(g_fds[0]);
    ::close(g_fds[1]);
    g_fds[0] = g_fds[1] = -1;
}

void TerminationSignals::drain() {
    unsigned char bytes[16];
    ssize_t n;
    while ((n = ::read(g_fds[1], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            emit termination_requested(bytes[i]);
        }
    }
}

}  // namespace kd
