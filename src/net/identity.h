// Who this computer and its user are, as the send dialog and note e-mails name them: the own
// computer name (in note_sender.h), the address a name resolves to, the log-on name and the
// short computer name of e-mails. Windowless.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kd {

// Longest computer name that e-mails carry (a NetBIOS-sized name).
inline constexpr std::size_t kEmailComputerNameMax = 15;

// First IPv4 address of a name (or of a dotted address) in dotted form; "" when the lookup
// fails or the name is empty or absurdly long.
std::string ip_address_of(std::string_view name);

// The log-on name of the user running the program; the full-name field of the passwd entry
// when there is no log-on name; "" when neither is known.
std::string user_logon_name();

// The computer's name for e-mails: the first label of the host name, at most
// kEmailComputerNameMax bytes; "" when the host name cannot be read.
std::string email_computer_name();

// The pieces above that need the system, as pure functions of what it answered.
std::string email_computer_name_from(std::string_view host_name);
// The first comma-separated part of a passwd full-name (GECOS) field.
std::string full_name_from_gecos(std::string_view gecos);
std::string logon_name_from(std::optional<std::string_view> login,
                            std::optional<std::string_view> gecos);

// The identity operations as one object, so that dialogs can be shown a computer whose name
// cannot be read or resolved. The default asks the system.
class IdentitySource {
public:
    virtual ~IdentitySource() = default;
    virtual std::string own_computer_name() const;
    virtual std::string ip_address_of(std::string_view name) const;
    virtual std::string user_logon_name() const;
};

}  // namespace kd
