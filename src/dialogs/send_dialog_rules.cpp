#include "dialogs/send_dialog_rules.h"

#include <cctype>

#include "net/identity.h"
#include "net/note_message.h"
#include "net/note_sender.h"

namespace kd::send_dialog {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string with_case(std::string_view text, int (*convert)(int)) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(convert(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

Recipient typed_recipient(std::string_view typed) {
    // Trailing blanks too: they cannot be seen in the list and no computer is named with them.
    const std::string_view text = trimmed(typed);
    if (is_email_address(text)) {
        return {with_case(text, ::tolower), true};
    }
    return {with_case(text, ::toupper), false};
}

bool typed_text_addable(std::string_view typed) {
    if (typed.empty()) {
        return false;
    }
    for (char c : typed) {
        if (is_blank(c)) {
            return false;
        }
    }
    return true;
}

Recipient listed_recipient(std::string_view text) {
    return {std::string(text), is_email_address(text)};
}

bool can_show_ip_address(std::string_view recipient) {
    return !is_email_address(recipient) && !is_ip_address(recipient);
}

SenderChoice sender_from_setting(std::string_view sent_from, const IdentitySource& identity) {
    if (is_ip_address(sent_from)) {
        return {SenderKind::IpAddress, std::string(sent_from), true};
    }
    if (is_email_address(sent_from)) {
        return {SenderKind::Email, std::string(sent_from), false};
    }
    if (sent_from == kAnonymousSender) {
        return {SenderKind::Anonymous, std::string(kAnonymousSender), true};
    }
    if (sent_from.starts_with(kNamePrefix)) {
        return {SenderKind::Name, std::string(sent_from.substr(kNamePrefix.size())), false};
    }
    // Empty, and anything the settings page would not have written: this computer's name.
    return sender_for_kind(SenderKind::ComputerName, {}, identity);
}

SenderChoice sender_for_kind(SenderKind kind, std::string_view current,
                             const IdentitySource& identity) {
    switch (kind) {
        case SenderKind::ComputerName: {
            std::string name = identity.own_computer_name();
            // A computer that cannot tell its name lets the user type one.
            const bool read_only = name != kUnknownComputerName;
            return {kind, std::move(name), read_only};
        }
        case SenderKind::IpAddress: {
            if (is_ip_address(current)) {
                return {kind, std::string(current), true};
            }
            std::string address = identity.ip_address_of(identity.own_computer_name());
            if (address.empty()) {
                address = kUnresolvedAddress;
            }
            return {kind, std::move(address), true};
        }
        case SenderKind::Email:
            return {kind, is_email_address(current) ? std::string(current) : std::string(), false};
        case SenderKind::Anonymous:
            return {kind, std::string(kAnonymousSender), true};
        case SenderKind::Name:
            return {kind, identity.user_logon_name(), false};
    }
    return {};
}

IdentityCheck check_identity(SenderKind kind, std::string_view text) {
    using Focus = IdentityCheck::Focus;
    switch (kind) {
        case SenderKind::IpAddress:
            if (!is_ip_address(text)) {
                return {{}, kIpInvalid, Focus::KindBox};
            }
            break;
        case SenderKind::Email:
            if (!is_email_address(text)) {
                return {{}, kEmailInvalid, Focus::Edit};
            }
            break;
        case SenderKind::Name:
            if (trimmed(text).empty()) {
                return {{}, kNameEmpty, Focus::Edit};
            }
            return {std::string(kNamePrefix) + std::string(text)};
        case SenderKind::ComputerName:
        case SenderKind::Anonymous:
            break;
    }
    return {std::string(text)};
}

}  // namespace kd::send_dialog
