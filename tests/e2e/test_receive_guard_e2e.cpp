// A hostile peer on the LAN against the real korvadesk: one computer flooding it is held to its
// allowance while another still gets through at once, and the attack message, while it waits
// for the user, holds back neither the tick nor the notes that are queued.
#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

#include "receiving_program.h"
#include "support/wait_for.h"

namespace kd {
namespace {

using namespace std::chrono_literals;

std::string file_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::size_t count_of(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

std::string message_from(const std::string& sender, const std::string& text) {
    NoteRecord r;
    r.EditText = "{\\rtf1\\ansi " + text + "}";
    r.EditFont = "Arial";
    r.EditFontSize = 10;
    r.TitleText = "T";
    r.Width = 200;
    r.Height = 150;
    return build_note_message(sender, r);
}

class ReceiveGuard : public test::ReceivingProgramTest {
protected:
    ReceiveGuard() : ReceivingProgramTest("/tmp/kd-e2e-guard-XXXXXX") {}
};

TEST_F(ReceiveGuard, OneComputerFloodingIsHeldToItsAllowanceAndAnotherGetsThroughAtOnce) {
    // The default allowance of 30 notes at once and 30 a minute.
    ASSERT_TRUE(
        ProfileFile::write(dirs_.ini, "KORVADESK", "MaxNotesPerComputerPerMinute", std::nullopt));
    const std::string errors = dirs_.root + "/stderr.log";
    const pid_t pid = launch(errors);
    ASSERT_TRUE(wait_listening());
    ASSERT_TRUE(wait_for_notes(1)) << "the first empty note";

    // 300 notes from 127.0.0.1 as fast as it can.
    const auto start = std::chrono::steady_clock::now();
    int acknowledged = 0;
    for (int n = 0; n < 300; ++n) {
        acknowledged += test::send_note(port_, message_from("FLOOD", "flood" + std::to_string(n)),
                                        5s, "127.0.0.1");
    }
    const auto took = std::chrono::steady_clock::now() - start;
    std::printf("flood: %d of 300 acknowledged in %lld ms\n", acknowledged,
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
    EXPECT_GE(acknowledged, 30);
    EXPECT_LE(acknowledged, 60);

    // Right after, a note from another computer is acknowledged within 2 s and shown.
    const auto asked = std::chrono::steady_clock::now();
    ASSERT_TRUE(test::send_note(port_, message_from("SECOND", "second"), 2s * test::kSlowdown,
                                "127.0.0.2"));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 2s * test::kSlowdown);
    // Shown after the flood's notes, however slowly a loaded machine shows them.
    EXPECT_TRUE(test::wait_for(
        [&] { return !test::visible_windows(pid, "^SECOND ", test::NameMatch::All).empty(); }, 60s))
        << "the second computer's note is not shown";

    // Everything acknowledged is shown and stored; the settings file stays small.
    EXPECT_TRUE(wait_for_notes(1 + acknowledged + 1, 600));
    EXPECT_LT(file_text(dirs_.ini).size(), 1'000'000u);
    // One line about the flooding computer in this minute, none about the other.
    const std::string said = file_text(errors);
    EXPECT_EQ(count_of(said, "notes from 127.0.0.1 not accepted"), 1u) << said;
    EXPECT_EQ(count_of(said, "127.0.0.2"), 0u) << said;
    ASSERT_EQ(::kill(pid, 0), 0);
}

TEST_F(ReceiveGuard, TheOpenAttackMessageHoldsBackNeitherTheTickNorTheQueuedNotes) {
    const std::string log = dirs_.root + "/stderr.log";
    ::setenv("QT_LOGGING_RULES", "korvadesk.tick.debug=true", 1);
    const pid_t pid = launch(log);
    ::unsetenv("QT_LOGGING_RULES");
    ASSERT_TRUE(wait_listening());
    ASSERT_TRUE(wait_for_notes(1));
    ASSERT_TRUE(test::wait_windows(pid, 1, 10s));

    // A burst the tick takes a few notes at a time, then a message the parser rejects.
    constexpr int kBurst = 40;
    for (int n = 0; n < kBurst; ++n) {
        ASSERT_TRUE(test::send_note(port_, message_from("PEER", "burst" + std::to_string(n))));
    }
    std::string bad = message_from("PEER", "x");
    bad.replace(bad.find("{\\rtf1\\ansi x}"), 14, "   ");
    ASSERT_TRUE(test::send_note(port_, bad));

    std::vector<std::string> boxes;
    ASSERT_TRUE(test::wait_for(
        [&] {
            boxes = test::visible_windows(pid, "^Korvadesk$", test::NameMatch::All);
            return !boxes.empty();
        },
        10s))
        << "no attack message";
    const int shown_at_box = note_count();
    const std::size_t ticks_at_box = count_of(file_text(log), "korvadesk.tick: ");

    // While the box waits: the ticks go on and the queued notes become notes.
    EXPECT_TRUE(wait_for_notes(1 + kBurst)) << "notes stopped at " << note_count();
    std::this_thread::sleep_for(2s);
    const std::size_t ticks = count_of(file_text(log), "korvadesk.tick: ") - ticks_at_box;
    EXPECT_EQ(test::visible_windows(pid, "^Korvadesk$", test::NameMatch::All), boxes)
        << "the box is still open";
    EXPECT_GE(ticks, 4u) << "ticks while the box was open";
    std::printf("attack box open: %d notes shown before it, %d after; %zu ticks meanwhile\n",
                shown_at_box - 1, note_count() - shown_at_box, ticks);
    // Receiving has stopped.
    EXPECT_FALSE(test::send_note(port_, message_from("PEER", "late"), 2s));
}

}  // namespace
}  // namespace kd
