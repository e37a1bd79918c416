// What a notice says: one clean, short line from a note's title and body whatever they hold,
// and the bookkeeping of which notice belongs to which note.
#include <gtest/gtest.h>

#include <string>

#include "platform/notification_text.h"
#include "platform/text_encoding.h"

namespace kd {
namespace {

std::size_t characters(const std::string& utf8) {
    std::size_t n = 0;
    for (const char c : utf8) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

TEST(NoticeLine, ControlsAndBreaksNeverReachTheService) {
    EXPECT_EQ(notice_line("  Call\tBob\r\n at\x07 noon\x1b[31m  ", 80), "Call Bob at noon[31m");
    // Direction overrides (U+202E), a byte-order mark and C1 controls (U+0085) are dropped;
    // line and paragraph separators and no-break spaces are spaces.
    EXPECT_EQ(notice_line("a\xE2\x80\xAE"
                          "b\xEF\xBB\xBF"
                          "c\xC2\x85"
                          "d\xE2\x80\xA8"
                          "e\xC2\xA0"
                          "f",
                          80),
              "abcd e f");
    // Bytes that are not UTF-8 (a lone continuation, an overlong '/', a surrogate, a sequence cut
    // by the end) become U+FFFD, and what comes out is always valid UTF-8.
    const std::string out = notice_line("x\x80y\xC0\xAFz\xED\xA0\x80w\xE2\x82", 80);
    EXPECT_TRUE(is_valid_utf8(out));
    EXPECT_EQ(out,
              "x\xEF\xBF\xBDy\xEF\xBF\xBD\xEF\xBF\xBDz\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
              "w\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(notice_line(" \t\r\n\x01 ", 80), "");
}

TEST(NoticeLine, ALongLineIsCutOnACharacterWithAnEllipsisWithinTheLength) {
    EXPECT_EQ(notice_line("abcdef", 6), "abcdef");
    EXPECT_EQ(notice_line("abcdefg", 6), "abcde\xE2\x80\xA6");
    // Cut between words: no space before the ellipsis.
    EXPECT_EQ(notice_line("abcd fgh", 6), "abcd\xE2\x80\xA6");
    // Characters, not bytes: five two-byte letters fit, the sixth and more are cut whole.
    const std::string umlauts = "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\xA4\xC3\xB6\xC3\xBC\xC3\xA4";
    const std::string cut = notice_line(umlauts, 6);
    EXPECT_TRUE(is_valid_utf8(cut));
    EXPECT_EQ(characters(cut), 6u);
    EXPECT_EQ(cut, umlauts.substr(0, 10) + "\xE2\x80\xA6");
    // A 10 KB line ends up within the bound.
    const std::string long_line(10000, 'w');
    EXPECT_EQ(characters(notice_line(long_line, kNoticeBodyLength)), kNoticeBodyLength);
}

TEST(NoticeFirstLine, TheFirstLineWithTextWhateverEndsIt) {
    EXPECT_EQ(notice_first_line("Buy milk\nand bread"), "Buy milk");
    EXPECT_EQ(notice_first_line("\r\n  \n\t\nDentist at 3\r\nBring card"), "Dentist at 3");
    EXPECT_EQ(notice_first_line("one\xE2\x80\xA9two"), "one");  // paragraph separator
    EXPECT_EQ(notice_first_line("one\xE2\x80\xA8two"), "one");  // line separator
    EXPECT_EQ(notice_first_line("only"), "only");
    EXPECT_EQ(notice_first_line(""), "");
    EXPECT_EQ(notice_first_line("\n \n"), "");
    EXPECT_EQ(characters(notice_first_line(std::string(5000, 'x') + "\nrest")), kNoticeBodyLength);
}

TEST(NoticeMarkup, TheThreeMarkupCharactersAreEntities) {
    EXPECT_EQ(escape_notice_markup("<b>Tom & Jerry</b> &amp;"),
              "&lt;b&gt;Tom &amp; Jerry&lt;/b&gt; &amp;amp;");
}

TEST(NoticeIds, ANoteHasOneNoticeThatItsNextAlarmReplaces) {
    NoticeIds ids;
    EXPECT_EQ(ids.replaces(3), 0u);
    ids.shown(3, 41);
    ids.shown(5, 42);
    EXPECT_EQ(ids.replaces(3), 41u);
    EXPECT_EQ(ids.key_of(42), 5);
    // The service gave the replacement a new id: the old one is no longer ours.
    ids.shown(3, 43);
    EXPECT_EQ(ids.replaces(3), 43u);
    EXPECT_EQ(ids.key_of(41), std::nullopt);
    // A service that hands a closed id out again: the newest owner has it.
    ids.shown(7, 42);
    EXPECT_EQ(ids.key_of(42), 7);
    EXPECT_EQ(ids.replaces(5), 0u);
    EXPECT_EQ(ids.size(), 2u);
    // An id of 0 is no notice.
    ids.shown(9, 0);
    EXPECT_EQ(ids.replaces(9), 0u);
}

TEST(NoticeIds, AClosedNoticeAndADeletedNoteAreForgotten) {
    NoticeIds ids;
    ids.shown(3, 41);
    ids.shown(5, 42);
    EXPECT_EQ(ids.closed(41), 3);
    EXPECT_EQ(ids.closed(41), std::nullopt);
    EXPECT_EQ(ids.replaces(3), 0u) << "the next alarm makes a new notice";
    EXPECT_EQ(ids.closed(99), std::nullopt) << "another program's notice";
    // The note was deleted: its notice is handed back to be closed, and its id is nobody's.
    EXPECT_EQ(ids.forget(5), 42u);
    EXPECT_EQ(ids.key_of(42), std::nullopt);
    EXPECT_EQ(ids.forget(5), std::nullopt);
    EXPECT_EQ(ids.size(), 0u);
}

}  // namespace
}  // namespace kd
