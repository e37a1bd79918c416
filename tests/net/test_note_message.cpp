// Wire format of a note message: build, parse, address tests and received-title rules.
#include <gtest/gtest.h>

#include <string>

#include "net/note_message.h"
#include "net/note_receiver.h"
#include "platform/paths.h"
#include "platform/temp_dir.h"
#include "platform/text_encoding.h"
#include "store/note_store.h"
#include "support/app_paths_in.h"
#include "support/error_recorder.h"

namespace kd {
namespace {

NoteRecord sample_record() {
    NoteRecord r;
    r.EditText = "{\\rtf1 line one\nline two}";
    r.EditFont = "Tahoma";
    r.EditFontType = "B";
    r.EditBackColor = 0x00C0FFFF;
    r.EditTextColor = 0xFFFFFFFF;  // travels as -1
    r.EditFontSize = 10;
    r.EditCharSet = 238;
    r.TitleText = "Shopping";
    r.TitleFont = "Verdana";
    r.TitleFontType = "BL";
    r.TitleBackColor = 255;
    r.TitleTextColor = 65280;
    r.TitleFontSize = 9;
    r.TitleCharSet = 0;
    r.Left = 111;
    r.Top = 222;
    r.Height = 180;
    r.Width = 240;
    r.Border = "Yes";
    r.Expiration = "01022027-101500";
    r.Alarm = "";
    return r;
}

// A message with 22 fields where field `index` is replaced.
std::string message_with(int index, const std::string& value) {
    std::string out;
    for (int i = 0; i < kMessageFieldCount; ++i) {
        std::string v = i == kFieldBody ? "body" : std::to_string(i);
        out += (i == index ? value : v) + "~";
    }
    return out;
}

TEST(NoteMessage, BuildWritesTheFieldsInWireOrder) {
    const std::string m = build_note_message("PC17", sample_record());
    EXPECT_EQ(m,
              "PC17~{\\rtf1 line one|line two}~Tahoma~B~12648447~-1~10~238~Shopping~Verdana~BL~"
              "255~65280~9~0~111~222~180~240~Yes~01022027-101500~~");
    EXPECT_TRUE(is_complete_message(m));
}

TEST(NoteMessage, BuildReadsTheStoredRecordAfresh) {
    test::TempDir dir;
    AppPaths paths;
    paths.IniPath = dir.file("Korvadesk.ini");
    set_app_paths(paths);
    NoteRecord r = sample_record();
    r.NoteID = 3;
    ASSERT_TRUE(NoteStore(app_paths(), test::store_errors()).write_record(r));
    EXPECT_EQ(build_stored_note_message(NoteStore(app_paths(), test::store_errors()), "PC17", 3),
              build_note_message("PC17", r));
    set_app_paths({});
}

TEST(NoteMessage, BuildDropsCarriageReturns) {
    NoteRecord r = sample_record();
    r.EditText = "a\r\nb\r\n";
    const std::string m = build_note_message("X", r);
    EXPECT_EQ(m.substr(0, 7), "X~a|b|~");
    EXPECT_EQ(m.find('\r'), std::string::npos);
}

TEST(NoteMessage, RoundTripOfANamedSenderUsesTheFixedTitleStyle) {
    ParsedMessage p = parse_note_message(build_note_message("PC17", sample_record()), 9, 5);
    ASSERT_FALSE(p.rejected());
    EXPECT_FALSE(p.anonymous);
    EXPECT_EQ(p.fields_read, 22);
    const NoteRecord& r = p.record;
    EXPECT_EQ(r.EditText, "{\\rtf1 line one\nline two}");
    EXPECT_EQ(r.EditFont, "Tahoma");
    EXPECT_EQ(r.EditFontType, "B");
    // The pairs in wire order: background before text colour, height before width.
    EXPECT_EQ(r.EditBackColor, 0x00C0FFFFu);
    EXPECT_EQ(r.EditTextColor, 0xFFFFFFFFu);
    EXPECT_EQ(r.EditFontSize, 10);
    EXPECT_EQ(r.EditCharSet, 238);
    EXPECT_EQ(r.TitleText, "PC17 09:05");
    EXPECT_EQ(r.TitleFont, "Arial Narrow");
    EXPECT_EQ(r.TitleFontType, "C");
    EXPECT_EQ(r.TitleFontSize, 8);
    EXPECT_EQ(r.TitleBackColor, 255u);
    EXPECT_EQ(r.TitleTextColor, 65280u);
    EXPECT_EQ(r.Height, 180);
    EXPECT_EQ(r.Width, 240);
    EXPECT_EQ(r.Left, 0);  // received Left and Top have no effect
    EXPECT_EQ(r.Top, 0);
    EXPECT_EQ(r.Border, "Yes");
    EXPECT_EQ(r.Expiration, "01022027-101500");
    EXPECT_EQ(r.Alarm, "");
}

TEST(NoteMessage, AnonymousAndEmptySenderKeepTheReceivedTitleStyle) {
    for (const char* sender : {"ANONYMOUS", ""}) {
        ParsedMessage p = parse_note_message(build_note_message(sender, sample_record()), 23, 59);
        ASSERT_FALSE(p.rejected());
        EXPECT_TRUE(p.anonymous) << sender;
        EXPECT_EQ(p.record.TitleText, "ANONYMOUS Shopping");
        EXPECT_EQ(p.record.TitleFont, "Verdana");
        EXPECT_EQ(p.record.TitleFontType, "BL");
        EXPECT_EQ(p.record.TitleFontSize, 9);
    }
    // Only the exact word is anonymous.
    EXPECT_FALSE(parse_note_message(message_with(0, "anonymous"), 1, 2).anonymous);
}

TEST(NoteMessage, ExtraFieldsAndTrailingTextAreIgnored) {
    std::string m = build_note_message("PC1", sample_record());
    ParsedMessage base = parse_note_message(m, 1, 2);
    ParsedMessage more = parse_note_message(m + "extra~more~tail without separator", 1, 2);
    ASSERT_FALSE(more.rejected());
    EXPECT_EQ(more.record, base.record);
    EXPECT_EQ(more.fields_read, 22);
}

TEST(NoteMessage, FewerFieldsLeaveTheRestEmptyOrZero) {
    ParsedMessage p = parse_note_message("PC1~body~Font~B~12~", 1, 2);
    ASSERT_FALSE(p.rejected());
    EXPECT_EQ(p.fields_read, 5);
    EXPECT_EQ(p.record.EditBackColor, 12u);
    EXPECT_EQ(p.record.EditTextColor, 0u);
    EXPECT_EQ(p.record.Width, 0);
    EXPECT_EQ(p.record.TitleText, "");
    EXPECT_EQ(p.record.Border, "");
}

TEST(NoteMessage, TildeInTheBodyShiftsLaterFields) {
    NoteRecord r = sample_record();
    r.EditText = "a~b";
    ParsedMessage p = parse_note_message(build_note_message("PC1", r), 1, 2);
    EXPECT_EQ(p.record.EditText, "a");
    EXPECT_EQ(p.record.EditFont, "b");
    EXPECT_EQ(p.record.EditFontType, "Tahoma");
}

TEST(NoteMessage, EmptyOrBlankBodyIsRejectedAtField1) {
    for (const char* body : {"", "   ", " | |\t", "||"}) {
        ParsedMessage p = parse_note_message(message_with(kFieldBody, body), 1, 2);
        ASSERT_TRUE(p.rejected()) << '"' << body << '"';
        EXPECT_EQ(*p.rejected_field, kFieldBody);
        EXPECT_EQ(p.record.EditFont, "");  // nothing after the bad field is read
    }
    ParsedMessage kept = parse_note_message(message_with(kFieldBody, "  x|"), 1, 2);
    ASSERT_FALSE(kept.rejected());
    EXPECT_EQ(kept.record.EditText, "  x\n");  // stored untrimmed
}

TEST(NoteMessage, FontNameLimitIs255Characters) {
    const std::string ok(255, 'F');
    const std::string too_long(256, 'F');
    EXPECT_FALSE(parse_note_message(message_with(kFieldBodyFont, ok), 1, 2).rejected());
    ParsedMessage bad = parse_note_message(message_with(kFieldBodyFont, too_long), 1, 2);
    ASSERT_TRUE(bad.rejected());
    EXPECT_EQ(*bad.rejected_field, kFieldBodyFont);
    // Characters, not bytes: 255 two-byte letters pass.
    std::string accented;
    for (int i = 0; i < 255; ++i) {
        accented += "\xC3\xA9";
    }
    EXPECT_FALSE(parse_note_message(message_with(kFieldBodyFont, accented), 1, 2).rejected());

    // The title font counts only for an anonymous sender.
    std::string named = message_with(kFieldTitleFont, too_long);
    EXPECT_FALSE(parse_note_message(named, 1, 2).rejected());
    std::string anonymous = "ANONYMOUS" + named.substr(named.find('~'));
    ParsedMessage a = parse_note_message(anonymous, 1, 2);
    ASSERT_TRUE(a.rejected());
    EXPECT_EQ(*a.rejected_field, kFieldTitleFont);
}

TEST(NoteMessage, NumbersUseLeadingDecimalConversion) {
    EXPECT_EQ(leading_integer("  -42abc"), -42);
    EXPECT_EQ(leading_integer("+7"), 7);
    EXPECT_EQ(leading_integer("x1"), 0);
    EXPECT_EQ(leading_integer(""), 0);
    EXPECT_GT(leading_integer("99999999999999999999999999"), 0);  // saturates, no overflow
    ParsedMessage p = parse_note_message(message_with(kFieldBodyCharSet, "300"), 1, 2);
    EXPECT_EQ(p.record.EditCharSet, 300 & 0xFF);
    p = parse_note_message(message_with(kFieldWidth, "99999999999"), 1, 2);
    EXPECT_EQ(p.record.Width, 2147483647);
    p = parse_note_message(message_with(kFieldBodyBackColor, "4294967295"), 1, 2);
    EXPECT_EQ(p.record.EditBackColor, 0xFFFFFFFFu);
}

TEST(Address, ClassificationTable) {
    struct Case {
        const char* text;
        AddressKind kind;
    };
    const Case cases[] = {
        {"anna@example.com", AddressKind::Email},
        {"anna@example.de", AddressKind::Email},
        {"anna@example.info", AddressKind::Email},
        {"anna@example.c", AddressKind::ComputerName},
        {"anna@example.museu", AddressKind::ComputerName},
        {"anna.example.com", AddressKind::ComputerName},  // no "@"
        {"a@b", AddressKind::ComputerName},
        {"@.ab", AddressKind::Email},  // position before the start counts as 0
        {"192.168.1.20", AddressKind::Ip},
        {"10.0.1", AddressKind::Ip},
        {"10.1", AddressKind::ComputerName},
        {"1.2.3.4.5.6", AddressKind::Ip},
        {"1.2.3.4.5.6.7", AddressKind::ComputerName},
        {"...", AddressKind::Ip},  // only dots: nothing but digits remains
        {"192.168.a.1", AddressKind::ComputerName},
        {"PC17", AddressKind::ComputerName},
        {"", AddressKind::ComputerName},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(classify_address(c.text), c.kind) << c.text;
        EXPECT_EQ(is_email_address(c.text), c.kind == AddressKind::Email) << c.text;
        EXPECT_EQ(is_ip_address(c.text), c.kind == AddressKind::Ip) << c.text;
    }
}

TEST(Address, ComputerNameIdentitiesTravelInUpperCase) {
    EXPECT_EQ(wire_sender_identity("pc17"), "PC17");
    EXPECT_EQ(wire_sender_identity("192.168.1.2"), "192.168.1.2");
    EXPECT_EQ(wire_sender_identity("ANONYMOUS"), "ANONYMOUS");
    EXPECT_EQ(wire_sender_identity("Name:Anna"), "Name:Anna");
    EXPECT_EQ(wire_sender_identity("Anna@Example.com"), "Anna@Example.com");
    EXPECT_EQ(wire_sender_identity("name:anna"), "NAME:ANNA");  // the prefix is case-sensitive
}

TEST(ReceivedText, InvalidUtf8IsReadAsWindows1252) {
    EXPECT_EQ(text_as_utf8("caf\xC3\xA9"), "caf\xC3\xA9");  // UTF-8 kept
    EXPECT_EQ(text_as_utf8("caf\xE9"), "caf\xC3\xA9");      // é
    EXPECT_EQ(text_as_utf8("\x80"), "\xE2\x82\xAC");        // €
    EXPECT_EQ(text_as_utf8("\x81"), "\xC2\x81");            // unassigned
    EXPECT_EQ(text_as_utf8("\xC3\x28"), "\xC3\x83(");       // broken sequence
    EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));            // surrogate
    EXPECT_FALSE(is_valid_utf8("\xC0\xAF"));                // overlong
    EXPECT_FALSE(is_valid_utf8("\xF0\x9F\x98"));            // cut short
    EXPECT_TRUE(is_valid_utf8("\xF0\x9F\x98\x80"));
}

TEST(ReceivedNote, NamedSenderCanBeRepliedTo) {
    NoteRecord r = parse_note_message(build_note_message("PC17", sample_record()), 9, 5).record;
    ReceivedNote n = make_received_note(r);
    EXPECT_TRUE(n.shown.can_reply);
    EXPECT_EQ(n.shown.reply_address, "PC17");
    EXPECT_EQ(n.shown.title, "PC17 09:05");

    r = parse_note_message(build_note_message("anna@example.com", sample_record()), 9, 5).record;
    n = make_received_note(r);
    EXPECT_TRUE(n.shown.can_reply);
    EXPECT_EQ(n.shown.reply_address, "anna@example.com");
}

TEST(ReceivedNote, AnonymousAndNameSendersCannotBeRepliedTo) {
    NoteRecord rec = sample_record();
    rec.TitleFontType = "L";
    ReceivedNote n =
        make_received_note(parse_note_message(build_note_message("ANONYMOUS", rec), 9, 5).record);
    EXPECT_FALSE(n.shown.can_reply);
    EXPECT_EQ(n.shown.title, " Shopping");  // "L" puts a blank in front

    rec.TitleFontType = "R";
    n = make_received_note(parse_note_message(build_note_message("", rec), 9, 5).record);
    EXPECT_EQ(n.shown.title, "Shopping ");

    rec.TitleText = "";
    rec.TitleFontType = "C";
    n = make_received_note(parse_note_message(build_note_message("", rec), 9, 5).record);
    EXPECT_FALSE(n.shown.can_reply);
    EXPECT_EQ(n.shown.title, "");

    // A "Name:" identity keeps the fixed centred style; the prefix goes from the title.
    n = make_received_note(parse_note_message(build_note_message("Name:Anna", rec), 9, 5).record);
    EXPECT_FALSE(n.shown.can_reply);
    EXPECT_EQ(n.shown.reply_address, "");
    EXPECT_EQ(n.shown.title, "Anna 09:05");
}

}  // namespace
}  // namespace kd
