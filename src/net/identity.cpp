#include "net/identity.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>

#include "net/note_sender.h"

namespace kd {

namespace {

// Longer names cannot be host names; we never hand them to the resolver.
constexpr std::size_t kMaxHostName = 255;

std::optional<std::string> host_name() {
    std::array<char, 256> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0 || name[0] == '\0') {
        return std::nullopt;
    }
    return std::string(name.data());
}

}  // namespace

std::string ip_address_of(std::string_view name) {
    if (name.empty() || name.size() > kMaxHostName) {
        return {};
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string host(name);
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return {};
    }
    std::array<char, INET_ADDRSTRLEN> text{};
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    const bool ok = ::inet_ntop(AF_INET, &address->sin_addr, text.data(), text.size()) != nullptr;
    ::freeaddrinfo(found);
    return ok ? std::string(text.data()) : std::string();
}

std::string full_name_from_gecos(std::string_view gecos) {
    return std::string(gecos.substr(0, gecos.find(',')));
}

std::string logon_name_from(std::optional<std::string_view> login,
                            std::optional<std::string_view> gecos) {
    if (login && !login->empty()) {
        return std::string(*login);
    }
    if (gecos) {
        return full_name_from_gecos(*gecos);
    }
    return {};
}

std::string user_logon_name() {
    std::optional<std::string_view> login;
    std::optional<std::string_view> gecos;
    // getlogin() knows nothing without a controlling terminal (a desktop session started by
    // a display manager); the passwd entry of our user id always answers.
    const passwd* entry = ::getpwuid(::getuid());
    if (const char* name = ::getlogin(); name != nullptr) {
        login = name;
    } else if (entry != nullptr && entry->pw_name != nullptr) {
        login = entry->pw_name;
    }
    if (entry != nullptr && entry->pw_gecos != nullptr) {
        gecos = entry->pw_gecos;
    }
    return logon_name_from(login, gecos);
}

std::string email_computer_name_from(std::string_view host) {
    host = host.substr(0, host.find('.'));
    return std::string(host.substr(0, kEmailComputerNameMax));
}

std::string email_computer_name() {
    const std::optional<std::string> host = host_name();
    return host ? email_computer_name_from(*host) : std::string();
}

std::string IdentitySource::own_computer_name() const {
    return kd::own_computer_name();
}

std::string IdentitySource::ip_address_of(std::string_view name) const {
    return kd::ip_address_of(name);
}

std::string IdentitySource::user_logon_name() const {
    return kd::user_logon_name();
}

}  // namespace kd
