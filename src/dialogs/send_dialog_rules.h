// The rules of the send dialog that need no window: how a typed recipient is written, which
// identity each "Sent from" kind shows and whether it may be edited, and the checks before a
// send. The texts are the dialog's own.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kd {

class IdentitySource;

namespace send_dialog {

inline constexpr const char* kCaption = "Send note to other";
inline constexpr const char* kTypedLabel = "Comp. name, E-mail, IP address:";
inline constexpr const char* kNeighbourhoodColumn = "Network Neighborhood";
inline constexpr const char* kRecipientsColumn = "Note Recipients";
inline constexpr const char* kGroupLabel = "Select saved group:";
inline constexpr const char* kSentFromLabel = "Sent from :";
inline constexpr const char* kRefresh = "Refresh";
inline constexpr const char* kSaveGroup = "Save group";
inline constexpr const char* kDeleteGroup = "Delete group";
inline constexpr const char* kSendNote = "Send note";
inline constexpr const char* kClose = "Close";
inline constexpr const char* kGroupNameCaption = "Save this recipients list as group";
inline constexpr int kColumnWidth = 156;

inline constexpr const char* kMenuAdd = "Add";
inline constexpr const char* kMenuRemove = "Remove";
inline constexpr const char* kMenuShowIp = "Show IP Address";
// Command ids of the two pop-up menus.
inline constexpr int kNeighbourhoodAdd = 32905;
inline constexpr int kNeighbourhoodShowIp = 32906;
inline constexpr int kRecipientRemove = 32907;
inline constexpr int kRecipientShowIp = 32908;

inline constexpr const char* kShowIpFormat = "%1 : Computer IP address %2   ";
inline constexpr const char* kNoIpFormat =
    "%1 : Can not determine IP Address of the selected computer.\nMaybe you type wrong "
    "computer name or computer is turned off.";
inline constexpr const char* kDeleteGroupQuestionStart = "Delete group '";
inline constexpr const char* kDeleteGroupQuestionEnd = "'. Are you sure ? ";
inline constexpr const char* kIpInvalid =
    "IP Address in \"Default sent from:\" field is not valid ...";
inline constexpr const char* kEmailInvalid =
    "Email you have entered in \"Sent from:\" field is not valid ...";
inline constexpr const char* kNameEmpty = "Name in \"Sent from:\" field can not be empty ...";
inline constexpr const char* kEmailCheckRunning =
    "Checking for email notes is in progress. When checking is done click Send note button "
    "again.";

inline constexpr const char* kTipTyped =
    "Type computer name, IP address or email you want to send note. Also Internet computer "
    "name is supported.";
inline constexpr const char* kTipNeighbourhood =
    "This is list of your Network Neighborhood (computers in your network or local LAN).";
inline constexpr const char* kTipRecipients =
    "This is list of computers (users) which will receive note.";
inline constexpr const char* kTipGroups = "You can select old saved group.";
inline constexpr const char* kTipSaveGroup =
    "Save current list of Note recipients as group in data file. Saved group name will appear "
    "as a item in note menu under 'Send note to' menu.";
inline constexpr const char* kTipDeleteGroup =
    "Delete selected group from data file and also group name item will be removed from 'Send "
    "note to' submenu.";
inline constexpr const char* kTipSend = "Send note to all computers on the recipients list.";
inline constexpr const char* kTipClose = "Cancel sending note. Close this dialog.";
inline constexpr const char* kTipAdd = "Add computer name, IP address or email to recipients list.";
inline constexpr const char* kTipRemove =
    "Remove selected computer name, IP address or email from recipients list.";
inline constexpr const char* kTipClear = "Clear list of recipients. Remove all from list.";
inline constexpr const char* kTipAddAll =
    "Add all computer(s) from your Network Neighborhood to the recipients list.";
inline constexpr const char* kTipRefresh = "Refresh Network Neighborhood list.";
inline constexpr const char* kTipSentFrom =
    "Your identifier when sending note to other(s). This text will appear in received note "
    "title (except if anonymous sender is selected).";

// The "Sent from" kinds in the order of the drop-down.
enum class SenderKind { ComputerName = 0, IpAddress, Email, Anonymous, Name };
inline constexpr std::array<const char*, 5> kSenderKindTexts = {"Computer name", "IP Address",
                                                                "E-mail", "Anonymous", "Name"};
inline constexpr std::string_view kUnresolvedAddress = "ERROR";

// A recipient as the lists hold it.
struct Recipient {
    std::string text;
    bool email = false;
};

// The typed text as a recipient: blanks around it removed, an e-mail address in lower case,
// anything else in upper case. Empty text for nothing to add.
Recipient typed_recipient(std::string_view typed);
// Whether the Add button may add the typed text: something without a blank in it.
bool typed_text_addable(std::string_view typed);
// A stored group member or neighbourhood entry as a recipient (kept as it is written).
Recipient listed_recipient(std::string_view text);
// "Show IP Address" makes no sense for an address that already is one.
bool can_show_ip_address(std::string_view recipient);

// What the "Sent from" controls show.
struct SenderChoice {
    SenderKind kind = SenderKind::ComputerName;
    std::string text;
    bool read_only = true;
};

// The controls at opening, from the `SentFrom` setting.
SenderChoice sender_from_setting(std::string_view sent_from, const IdentitySource& identity);
// The controls after the user picked `kind`; `current` is the edit text before.
SenderChoice sender_for_kind(SenderKind kind, std::string_view current,
                             const IdentitySource& identity);

// The check before a send: the identity to send as, or the message and where the focus goes.
struct IdentityCheck {
    enum class Focus { None, KindBox, Edit };
    std::string identity;
    const char* error = nullptr;
    Focus focus = Focus::None;
    bool ok() const { return error == nullptr; }
};
IdentityCheck check_identity(SenderKind kind, std::string_view text);

}  // namespace send_dialog
}  // namespace kd
