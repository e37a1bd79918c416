// The network-neighbourhood list `NetList` of Korvadesk.net: how the send dialog shows it and
// how the companion program writes it. Windowless; the companion program links it too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kd {

// The companion program's exit status when the network has no Avahi daemon to ask (no system
// bus, or no daemon on it): the common case on a desktop, so Korvadesk says nothing about it.
inline constexpr int kCompanionNoDaemonExit = 2;

// Whether a name can stand for a computer of the neighbourhood: 1 to 255 bytes of ASCII
// letters, digits, "-", "." and "_". Anything else (control characters, marks that turn
// text around, look-alike letters) could pass for another computer's name, so such a name
// is left out, never changed.
bool is_host_name(std::string_view name);

// Entries as the send dialog lists them from the top: in upper case, empty entries and names
// that are not host names skipped, in the reverse of the stored order (each stored entry went
// in at the top).
std::vector<std::string> neighbourhood_entries(std::string_view net_list);

// The computer part of a host name as DNS-SD reports it ("alpha.local." gives "alpha"); ""
// for a name that is not a host name.
std::string computer_name_of_host(std::string_view host_name);

// `NetList` for the given host names: each computer once (compared without regard to case),
// in alphabetical order, each followed by "~". Names that computer_name_of_host refuses are
// left out, and so is every name that would make the list longer than it is read back.
std::string make_net_list(const std::vector<std::string>& host_names);

}  // namespace kd
