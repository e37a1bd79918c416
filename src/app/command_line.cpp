#include "app/command_line.h"

#include <QCommandLineParser>

#include "app/app_texts.h"

namespace kd {

namespace {

constexpr const char* kDescription =
    "Sticky notes on the desktop that can also be sent to other computers.\n"
    "Without options, starts Korvadesk, or brings the running copy's notes to the front.";
constexpr const char* kNewNoteHelp = "Make a new note (in the running copy, or start one).";
constexpr const char* kShowAllHelp =
    "Show all notes, hidden ones too (in the running copy, or "
    "start one).";
constexpr const char* kAutostartHelp =
    "Start Korvadesk when you log in (on) or not (off), then end.";
constexpr int kUsageError = 2;

}  // namespace

CommandLine parse_command_line(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version({"v", "version"}, "Print the version and end.");
    const QCommandLineOption new_note("new-note", QString::fromUtf8(kNewNoteHelp));
    const QCommandLineOption show_all("show-all", QString::fromUtf8(kShowAllHelp));
    const QCommandLineOption autostart("autostart", QString::fromUtf8(kAutostartHelp), "on|off");
    parser.addOptions({version, new_note, show_all, autostart});

    CommandLine result;
    const QString program = "korvadesk";
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::Fail;
        result.exit_code = kUsageError;
        result.output = program + ": " + parser.errorText() + "\nTry '" + program +
                        " --help' for more information.\n";
        return result;
    }
    if (parser.isSet(help) || parser.isSet("help-all")) {
        result.action = CommandLine::Action::Print;
        // Qt names the program by the path it was started with.
        const QString text = parser.helpText();
        result.output = "Usage: " + program + " [options]" + text.mid(text.indexOf('\n'));
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::Print;
        result.output = QString::fromUtf8(kAppName) + " " + QString::fromUtf8(kVersionLabel) + "\n";
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.action = CommandLine::Action::Fail;
        result.exit_code = kUsageError;
        result.output = program + ": unexpected argument '" + parser.positionalArguments()[0] +
                        "'\nTry '" + program + " --help' for more information.\n";
        return result;
    }
    if (parser.isSet(autostart)) {
        const QString value = parser.value(autostart).toLower();
        if (value != "on" && value != "off") {
            result.action = CommandLine::Action::Fail;
            result.exit_code = kUsageError;
            result.output = program + ": --autostart takes 'on' or 'off', not '" +
                            parser.value(autostart) + "'\n";
            return result;
        }
        result.action = CommandLine::Action::Autostart;
        result.autostart_on = value == "on";
        return result;
    }
    if (parser.isSet(new_note) || parser.isSet(show_all)) {
        result.requests.clear();
        if (parser.isSet(show_all)) {
            result.requests.push_back(InstanceRequest::ShowAll);
        }
        if (parser.isSet(new_note)) {
            result.requests.push_back(InstanceRequest::NewNote);
        }
    }
    return result;
}

}  // namespace kd
