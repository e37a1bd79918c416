// The test's own mail servers on 127.0.0.1 (tests/mail/mail_servers.py): Dovecot serving a
// Maildir over IMAP for one user, and an SMTP server delivering into that Maildir. Started in
// a folder of the test, stopped when this object goes.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/program_runner.h"
#include "support/wait_for.h"

namespace kd::test {

class MailServers {
public:
    static constexpr const char* kUser = "user";
    static constexpr const char* kPassword = "secret";

    // Why the servers cannot run here; "" when they can.
    static std::string missing() {
        if (!std::filesystem::exists("/usr/sbin/dovecot") ||
            std::system("/usr/bin/python3 -c 'import aiosmtpd' >/dev/null 2>&1") != 0)
            return "needs dovecot-imapd and python3-aiosmtpd";
        return {};
    }

    MailServers() = default;
    MailServers(const MailServers&) = delete;
    MailServers& operator=(const MailServers&) = delete;
    ~MailServers() { stop(); }

    // Starts both in `folder`/mail; false (with the log in `error`) when they did not come up.
    bool start(const std::string& folder, std::string& error) {
        namespace fs = std::filesystem;
        imap_port = free_tcp_port();
        smtp_port = free_tcp_port();
        dir = fs::path(folder) / "mail";
        fs::create_directories(dir);
        // The servers run as an unprivileged user when the test runs as root.
        fs::permissions(folder, fs::perms::others_exec | fs::perms::group_exec,
                        fs::perm_options::add);
        // Programs the test starts later must not hold the servers' standard input open.
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        const std::string script = std::string(KD_SOURCE_DIR) + "/tests/mail/mail_servers.py";
        const std::string log = (fs::path(folder) / "servers.log").string();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[0], 0);
            ::close(fds[1]);
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::execl("/usr/bin/python3", "python3", script.c_str(), dir.c_str(),
                    std::to_string(imap_port).c_str(), std::to_string(smtp_port).c_str(), kUser,
                    kPassword, nullptr);
            ::_exit(127);
        }
        ::close(fds[0]);
        stdin_ = fds[1];
        using namespace std::chrono_literals;
        if (!wait_for([this] { return std::filesystem::exists(dir / "ready"); }, 30s)) {
            error = read_file(log);
            return false;
        }
        return true;
    }

    void stop() {
        if (pid_ <= 0)
            return;
        ::close(stdin_);
        using namespace std::chrono_literals;
        if (wait_exit(pid_, 10s) < 0) {
            ::kill(pid_, SIGTERM);  // stops Dovecot too
            if (wait_exit(pid_, 10s) < 0)
                kill_program(pid_);
        }
        pid_ = -1;
        // Dovecot's master outlives a script that could not stop it: end it by its pid file.
        std::ifstream pid_file(dir / "run" / "master.pid");
        pid_t master = 0;
        if (pid_file >> master && master > 0 && ::kill(master, SIGTERM) == 0)
            wait_for([master] { return ::kill(master, 0) != 0; }, 10s);
    }

    std::string smtp_url() const { return "smtp://127.0.0.1:" + std::to_string(smtp_port); }
    std::string imap_url() const { return "imap://127.0.0.1:" + std::to_string(imap_port); }

    // The delivered mails' files, oldest first.
    std::vector<std::string> inbox_files() const {
        std::vector<std::string> names;
        for (const char* sub : {"new", "cur"})
            for (const auto& entry : std::filesystem::directory_iterator(dir / "Maildir" / sub))
                names.push_back(entry.path().string());
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            namespace fs = std::filesystem;
            return fs::path(a).filename().string() < fs::path(b).filename().string();
        });
        return names;
    }

    static std::string read_file(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path dir;
    std::uint16_t imap_port = 0, smtp_port = 0;

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
};

}  // namespace kd::test
