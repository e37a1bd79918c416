// The test's own mail servers on 127.0.0.1 (tests/mail/mail_servers.py): Dovecot serving a
// Maildir over IMAP for one user, and an SMTP server delivering into that Maildir. Started in
// a folder of the test, stopped when this object goes. Plain text, or TLS with a certificate
// the test made (make_certificates).
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

    // A certificate authority and server certificates made fresh in `folder`
    // (tests/mail/make_test_certificates.sh tells which); false when openssl failed.
    static bool make_certificates(const std::string& folder) {
        const std::string script =
            std::string(KD_SOURCE_DIR) + "/tests/mail/make_test_certificates.sh";
        return std::system(("/bin/bash '" + script + "' '" + folder + "'").c_str()) == 0;
    }

    MailServers() = default;
    MailServers(const MailServers&) = delete;
    MailServers& operator=(const MailServers&) = delete;
    ~MailServers() { stop(); }

    // Starts both in `folder`/mail; false (with the log in `error`) when they did not come up.
    // With a `certificate` and its `key` both speak TLS with it: STARTTLS on the plain ports,
    // and TLS from the start on the IMAPS and SMTPS ports.
    bool start(const std::string& folder, std::string& error, const std::string& certificate = {},
               const std::string& key = {}) {
        namespace fs = std::filesystem;
        imap_port = free_tcp_port();
        smtp_port = free_tcp_port();
        imaps_port = certificate.empty() ? 0 : free_tcp_port();
        smtps_port = certificate.empty() ? 0 : free_tcp_port();
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
        const std::string ports[] = {std::to_string(imap_port), std::to_string(smtp_port),
                                     std::to_string(imaps_port), std::to_string(smtps_port)};
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[0], 0);
            ::close(fds[1]);
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, 1);
            ::dup2(out, 2);
            if (certificate.empty())
                ::execl("/usr/bin/python3", "python3", script.c_str(), dir.c_str(),
                        ports[0].c_str(), ports[1].c_str(), kUser, kPassword, nullptr);
            else
                ::execl("/usr/bin/python3", "python3", script.c_str(), dir.c_str(),
                        ports[0].c_str(), ports[1].c_str(), kUser, kPassword, certificate.c_str(),
                        key.c_str(), ports[2].c_str(), ports[3].c_str(), nullptr);
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

    std::string smtp_url(const std::string& host = "127.0.0.1") const {
        return "smtp://" + host + ":" + std::to_string(smtp_port);
    }
    std::string imap_url(const std::string& host = "127.0.0.1") const {
        return "imap://" + host + ":" + std::to_string(imap_port);
    }
    std::string smtps_url(const std::string& host) const {
        return "smtps://" + host + ":" + std::to_string(smtps_port);
    }
    std::string imaps_url(const std::string& host) const {
        return "imaps://" + host + ":" + std::to_string(imaps_port);
    }
    // Every SMTP log-on attempt ("PLAIN user ok"), and Dovecot's log, with TLS.
    std::string smtp_logons() const { return read_file(dir / "smtp-auth.log"); }
    std::string imap_log() const { return read_file(dir / "dovecot.log"); }

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
    std::uint16_t imap_port = 0, smtp_port = 0, imaps_port = 0, smtps_port = 0;

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
};

}  // namespace kd::test
