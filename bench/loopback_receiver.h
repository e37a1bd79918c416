// A fresh folder whose settings file names a free loopback port, and our own receiving server
// listening on that port once started.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "net/note_receiver.h"
#include "platform/profile_file.h"
#include "platform/socket.h"
#include "store/note_lists.h"
#include "support/error_recorder.h"

namespace kd::bench {

struct LoopbackReceiver {
    std::filesystem::path dir;
    std::string ini, net_list;
    std::uint16_t port = 0;
    std::unique_ptr<NoteReceiver> receiver;

    explicit LoopbackReceiver(const std::string& folder_prefix) {
        dir = std::filesystem::temp_directory_path() / (folder_prefix + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        ini = (dir / "Korvadesk.ini").string();
        net_list = (dir / "Korvadesk.net").string();
        SocketStatus status;
        std::string step;
        port = Socket::listen_tcp("127.0.0.1", 0, 1, status, step).local_port();
        ProfileFile::write(ini, "KORVADESK", "CommunicationPort", std::to_string(port));
    }
    LoopbackReceiver(const LoopbackReceiver&) = delete;
    LoopbackReceiver& operator=(const LoopbackReceiver&) = delete;
    ~LoopbackReceiver() {
        receiver.reset();
        std::filesystem::remove_all(dir);
    }

    // Starts the server and returns once it listens.
    void start() {
        NoteReceiver::Options o;
        o.bind_address = "127.0.0.1";
        o.notes_per_computer = 0;  // every note comes from this one computer
        receiver = std::make_unique<NoteReceiver>(
            NoteLists(ini, net_list, kd::test::store_errors()), o, Clock::system());
        receiver->start_server();
        while (receiver->listening_port() != port) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
};

}  // namespace kd::bench
