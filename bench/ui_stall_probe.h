// Measures from outside how long a program's interface stops answering: a small X client sends
// _NET_WM_PING to one of its windows every few milliseconds and times the replies. Qt answers
// a ping from its event loop, so a ping that waits long is an event loop that was busy that
// long (layout, painting, a blocking call), whatever the program did.
#pragma once

#include <poll.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>

#include "platform/profile_file.h"
#include "platform/socket.h"
#include "program_start.h"

namespace kd::bench {

class PingProbe {
public:
    using Clock = std::chrono::steady_clock;

    PingProbe() {
        conn_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(conn_) != 0) {
            return;
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
        protocols_ = atom("WM_PROTOCOLS");
        ping_ = atom("_NET_WM_PING");
        // The answer goes to the root window, to clients that listen to its structure (Qt) or
        // to its children's (the specification).
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(conn_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(conn_);
        ok_ = protocols_ != XCB_NONE && ping_ != XCB_NONE;
    }
    ~PingProbe() {
        stop();
        xcb_disconnect(conn_);
    }
    PingProbe(const PingProbe&) = delete;
    PingProbe& operator=(const PingProbe&) = delete;

    bool ok() const { return ok_; }

    // Starts pinging `window` every `period` on a thread of the probe's own.
    void start(xcb_window_t window, std::chrono::milliseconds period) {
        stop();
        window_ = window;
        longest_ = {};
        answered_ = 0;
        running_ = true;
        thread_ = std::thread([this, period] { run(period); });
    }

    // Stops pinging; a ping still unanswered counts as a stall up to now.
    void stop() {
        running_ = false;
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    // The longest time a ping waited for its answer since start().
    std::chrono::duration<double, std::milli> longest() const { return longest_; }
    long answered() const { return answered_; }

private:
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            conn_, xcb_intern_atom(conn_, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t a = r != nullptr ? r->atom : XCB_NONE;
        std::free(r);
        return a;
    }

    void send_ping(uint32_t serial) {
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = window_;
        ev.type = protocols_;
        ev.data.data32[0] = ping_;
        ev.data.data32[1] = serial;  // the "timestamp" comes back as it went
        ev.data.data32[2] = window_;
        xcb_send_event(conn_, 0, window_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<char*>(&ev));
        xcb_flush(conn_);
    }

    void note(std::chrono::duration<double, std::milli> waited) {
        longest_ = std::max(longest_, waited);
    }

    void run(std::chrono::milliseconds period) {
        std::map<uint32_t, Clock::time_point> waiting;
        uint32_t serial = 1;
        auto next = Clock::now();
        while (running_ && xcb_connection_has_error(conn_) == 0) {
            const auto now = Clock::now();
            if (now >= next) {
                waiting[serial] = now;
                send_ping(serial++);
                next = now + period;
            }
            while (xcb_generic_event_t* e = xcb_poll_for_event(conn_)) {
                if ((e->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
                    auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                    if (m->type == protocols_ && m->data.data32[0] == ping_ &&
                        m->data.data32[2] == window_) {
                        auto it = waiting.find(m->data.data32[1]);
                        if (it != waiting.end()) {
                            note(Clock::now() - it->second);
                            waiting.erase(it);
                            ++answered_;
                        }
                    }
                }
                std::free(e);
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
            pollfd p{xcb_get_file_descriptor(conn_), POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(std::max<long>(0, left.count())));
        }
        const auto end = Clock::now();
        for (const auto& [serial_waiting, sent] : waiting) {
            note(end - sent);
        }
    }

    xcb_connection_t* conn_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t protocols_ = XCB_NONE;
    xcb_atom_t ping_ = XCB_NONE;
    bool ok_ = false;
    xcb_window_t window_ = 0;
    std::atomic<bool> running_{false};
    std::thread thread_;
    std::chrono::duration<double, std::milli> longest_{};
    long answered_ = 0;
};

// The settings a receiving benchmark starts the program with: a port of its own, the
// per-computer allowance, and the tray notice taken as shown (it would be the first window).
// The port, 0 when none was free.
inline std::uint16_t receiving_settings(const StoredNotes& folders, const std::string& allowance) {
    SocketStatus status;
    std::string step;
    const std::uint16_t port = Socket::listen_tcp("127.0.0.1", 0, 1, status, step).local_port();
    const std::string ini = folders.config() + "/Korvadesk.ini";
    ProfileFile::write(ini, "KORVADESK", "CommunicationPort", std::to_string(port));
    ProfileFile::write(ini, "KORVADESK", "MaxNotesPerComputerPerMinute", allowance);
    ProfileFile::write(ini, "KORVADESK", "NoTrayNoticeShown", "Yes");
    return port;
}

// Starts this build's program, or the one KD_PROGRAM names.
inline pid_t start_program_under_test(const StoredNotes& folders) {
    const char* program = std::getenv("KD_PROGRAM");
    return start(program != nullptr ? program : std::string(KD_BINARY_DIR) + "/korvadesk", folders);
}

}  // namespace kd::bench
