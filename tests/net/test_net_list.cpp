// The neighbourhood list as the send dialog reads it and the companion program writes it, and
// the identity answers worked out from what the system says.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/identity.h"
#include "net/net_list.h"

namespace kd {
namespace {

using Strings = std::vector<std::string>;

TEST(NetList, ShownInCapitalsNewestStoredFirstWithoutEmptyOrCutEntries) {
    EXPECT_EQ(neighbourhood_entries("alpha~~Bravo~"), (Strings{"BRAVO", "ALPHA"}));
    EXPECT_TRUE(neighbourhood_entries("").empty());
    // A list cut at its capacity loses the entry without its separator.
    EXPECT_EQ(neighbourhood_entries("alpha~bra"), Strings{"ALPHA"});
}

TEST(NetList, NamesAreHostNamesOnly) {
    for (const std::string good : {"alpha", "BRAVO-2.local.", "desk_7", "10.0.0.5"})
        EXPECT_TRUE(is_host_name(good)) << good;
    EXPECT_TRUE(is_host_name(std::string(255, 'x')));
    // Nothing that could make one computer look like another: no marks that turn text
    // around, no other letters, no blanks or control characters, no separators.
    for (const std::string bad : {"", "boss\u202Efdp", "b\u043E\u0455\u0455", "boss pc", "boss\tpc",
                                  "boss\x7f", "boss\npc", "a~b", "a|b", "boss:16"})
        EXPECT_FALSE(is_host_name(bad)) << bad;
    EXPECT_FALSE(is_host_name(std::string(256, 'x')));

    // Such names are left out where names come in, whole: never shown changed.
    EXPECT_EQ(make_net_list({"alpha.local", "boss\u202Efdp.local", "bravo.\u202E.local"}),
              "alpha~");
    EXPECT_EQ(neighbourhood_entries("alpha~boss\u202Efdp~\tbeta~bravo~"),
              (Strings{"BRAVO", "ALPHA"}));
}

TEST(NetList, WrittenOncePerComputerWithoutDomainsOrUnsafeNames) {
    EXPECT_EQ(make_net_list({"bravo.local", "alpha.local.", "BRAVO.local", "alpha"}),
              "alpha~bravo~");
    EXPECT_EQ(make_net_list({}), "");
    // Names that would break the list or the file stay out.
    EXPECT_EQ(make_net_list({"a~b.local", "line\nbreak.local", ".local", "ok.local"}), "ok~");
    EXPECT_EQ(computer_name_of_host(std::string(300, 'x')), "");
}

TEST(NetList, StaysWithinWhatIsReadBack) {
    Strings hosts;
    for (int i = 0; i < 2000; ++i) {
        hosts.push_back("computer-" + std::to_string(10000 + i) + ".local");
    }
    const std::string list = make_net_list(hosts);
    EXPECT_LT(list.size(), 10240u);
    EXPECT_EQ(list.back(), '~');
    EXPECT_EQ(list.substr(0, 15), "computer-10000~");
}

TEST(Identity, EmailNameLogOnNameAndAddresses) {
    EXPECT_EQ(email_computer_name_from("workstation-number-17.example.org"), "workstation-num");
    EXPECT_EQ(email_computer_name_from("desk7"), "desk7");
    EXPECT_EQ(logon_name_from("ana", "Ana B,,,"), "ana");
    EXPECT_EQ(logon_name_from(std::nullopt, "Ana B,Room 4,,"), "Ana B");
    EXPECT_EQ(logon_name_from(std::nullopt, std::nullopt), "");
    EXPECT_EQ(ip_address_of("127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(ip_address_of("localhost"), "127.0.0.1");
    EXPECT_EQ(ip_address_of("no-such-host.invalid"), "");
    EXPECT_EQ(ip_address_of(""), "");
    EXPECT_FALSE(user_logon_name().empty());
}

}  // namespace
}  // namespace kd
