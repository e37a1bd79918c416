#include <gtest/gtest.h>

#include "app/command_line.h"

namespace kd {
namespace {

using Action = CommandLine::Action;

CommandLine parse(QStringList args) {
    args.prepend("/usr/bin/korvadesk");
    return parse_command_line(args);
}

TEST(CommandLine, HelpAndVersionPrintWithoutStarting) {
    const CommandLine help = parse({"--help"});
    EXPECT_EQ(help.action, Action::Print);
    EXPECT_TRUE(help.output.startsWith("Usage: korvadesk [options]\n"))
        << help.output.toStdString();
    for (const char* option : {"--new-note", "--show-all", "--autostart <on|off>", "--version"}) {
        EXPECT_TRUE(help.output.contains(option)) << option;
    }
    EXPECT_EQ(parse({"-h"}).action, Action::Print);
    EXPECT_EQ(parse({"--version"}).output, "Korvadesk 5.lan\n");
    EXPECT_EQ(parse({"--new-note", "-v"}).action, Action::Print) << "version wins over a start";
}

TEST(CommandLine, RequestsForTheRunningCopy) {
    const CommandLine plain = parse({});
    EXPECT_EQ(plain.action, Action::Run);
    EXPECT_EQ(plain.requests, std::vector<InstanceRequest>{InstanceRequest::Activate});
    EXPECT_EQ(parse({"--new-note"}).requests,
              std::vector<InstanceRequest>{InstanceRequest::NewNote});
    // Showing comes first, so the new note is not the only one on screen.
    EXPECT_EQ(parse({"--new-note", "--show-all"}).requests,
              (std::vector<InstanceRequest>{InstanceRequest::ShowAll, InstanceRequest::NewNote}));
}

TEST(CommandLine, AutostartTakesOnOrOff) {
    EXPECT_EQ(parse({"--autostart", "on"}).action, Action::Autostart);
    EXPECT_TRUE(parse({"--autostart=ON"}).autostart_on);
    EXPECT_FALSE(parse({"--autostart", "off"}).autostart_on);
    const CommandLine wrong = parse({"--autostart", "yes"});
    EXPECT_EQ(wrong.action, Action::Fail);
    EXPECT_EQ(wrong.exit_code, 2);
    EXPECT_EQ(parse({"--autostart"}).action, Action::Fail) << "the value is required";
}

TEST(CommandLine, UnknownOptionsAndStrayArgumentsAreUsageErrors) {
    for (const QStringList& args : {QStringList{"--bogus"}, QStringList{"notes.kvd"}}) {
        const CommandLine bad = parse(args);
        EXPECT_EQ(bad.action, Action::Fail) << args.join(' ').toStdString();
        EXPECT_EQ(bad.exit_code, 2);
        EXPECT_TRUE(bad.output.startsWith("korvadesk: "));
        EXPECT_TRUE(bad.output.contains("--help"));
    }
}

}  // namespace
}  // namespace kd
