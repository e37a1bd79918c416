#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>
#include <QCoreApplication>

#include "app/application.h"
#include "app/command_line.h"
#include "app/single_instance.h"
#include "platform/autostart.h"
#include "platform/display_check.h"
#include "platform/paths.h"
#include "platform/process_threads.h"

namespace {

// The platform list Qt is given, from QT_QPA_PLATFORM or chosen by the start.
std::string qt_platforms;

// Qt reports an unreachable display as a warning and then aborts naming its platform plug-in;
// the user is told about the display instead. Installed only while Qt starts.
void on_qt_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const bool fallback_follows = qt_platforms.find(';') != std::string::npos;
    if (!fallback_follows && kd::is_display_refusal(text.toStdString())) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "%s\n", kd::display_refused(display ? display : "").c_str());
        std::_Exit(1);
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    if (type == QtFatalMsg) {
        std::abort();
    }
}

// --autostart on|off: the file only; the program does not start.
int switch_autostart(bool on) {
    std::error_code ec;
    std::string program = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (ec || program.empty()) {
        program = "korvadesk";
    }
    const std::string folder =
        kd::config_folder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), ".");
    std::string error;
    if (!kd::set_autostart(folder, on, program, error)) {
        std::fprintf(stderr, "korvadesk: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s %s\n", on ? "Korvadesk will start when you log in:" : "Removed",
                kd::autostart_file(folder).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(__SANITIZE_ADDRESS__)
    // Qt stops some of its threads (the D-Bus connection's) in destructors that run after main
    // returns, and waits for each only until it says it is done, not until it is gone. The
    // leak check a sanitizer build runs at exit would otherwise run beside their last steps
    // and count what they still hold as lost. Registered before Qt makes any of them, so it
    // runs after those destructors and before the check.
    std::atexit([] { kd::wait_for_other_threads(std::chrono::milliseconds(500)); });
#endif
    // A peer or a reader that goes away while we write (a socket, a pipe someone left in our
    // way) is a failed write to handle, not a reason to die.
    std::signal(SIGPIPE, SIG_IGN);
    kd::CommandLine command;
    bool handed_over = false;
    {
        // Reading the arguments and handing them to a running copy need no display.
        QCoreApplication reader(argc, argv);
        command = kd::parse_command_line(QCoreApplication::arguments());
        if (command.action == kd::CommandLine::Action::Run) {
            handed_over = kd::SingleInstance().hand_over(command.requests);
        }
    }
    if (handed_over) {
        return 0;
    }
    switch (command.action) {
        case kd::CommandLine::Action::Print:
            std::fputs(command.output.toLocal8Bit().constData(), stdout);
            return 0;
        case kd::CommandLine::Action::Fail:
            std::fputs(command.output.toLocal8Bit().constData(), stderr);
            return command.exit_code;
        case kd::CommandLine::Action::Autostart:
            return switch_autostart(command.autostart_on);
        case kd::CommandLine::Action::Run:
            break;
    }
    if (const std::string problem = kd::display_problem(); !problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }

    // Given to Qt as an argument rather than through QT_QPA_PLATFORM, so that what the
    // program opens (a browser for a link) chooses its own platform.
    const kd::DisplayEnvironment environment = kd::DisplayEnvironment::of_process();
    const std::string chosen = kd::qt_platform_choice(environment, [](const std::string& display) {
        return kd::x_display_answers(display, kd::kXDisplayAnswerLimit);
    });
    qt_platforms = chosen.empty() ? environment.qt_platform : chosen;
    std::vector<std::string> qt_words(argv, argv + argc);
    if (!chosen.empty()) {
        qt_words.insert(qt_words.begin() + (qt_words.empty() ? 0 : 1), {"-platform", chosen});
    }
    std::vector<char*> qt_argv;
    qt_argv.reserve(qt_words.size() + 1);
    for (std::string& word : qt_words) {
        qt_argv.push_back(word.data());
    }
    qt_argv.push_back(nullptr);
    int qt_argc = static_cast<int>(qt_words.size());

    const QtMessageHandler qt_handler = qInstallMessageHandler(on_qt_message);
    QApplication qt_app(qt_argc, qt_argv.data());
    qInstallMessageHandler(qt_handler);
    kd::Application app;
    int exit_code = 0;
    if (!app.start(exit_code, command.requests)) {
        return exit_code;
    }
    return QApplication::exec();
}
