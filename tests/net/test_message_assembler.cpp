// When a note message is whole: at its 22nd "~", at the size limit, or when the sender stops;
// the same however the bytes come cut up.
#include <gtest/gtest.h>

#include <string>

#include "net/message_assembler.h"
#include "net/note_message.h"

namespace kd {
namespace {

using Status = MessageAssembler::Status;
using Rejection = MessageAssembler::Rejection;

std::string fields(int count, const std::string& body = "body") {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += (i == kFieldBody ? body : std::to_string(i)) + "~";
    }
    return out;
}

TEST(MessageAssembler, EndsAtThe22ndSeparatorWhetherFedWholeOrByteByByte) {
    // A "~" in the body makes a 23rd field, which the parser never reads.
    const std::string sent = fields(kMessageFieldCount, "a~b");
    const std::string message = sent.substr(0, sent.rfind('~', sent.size() - 2) + 1);

    MessageAssembler whole;
    EXPECT_EQ(whole.feed(sent), message.size()) << "what follows belongs to no message";
    EXPECT_EQ(whole.status(), Status::Complete);
    EXPECT_EQ(whole.message(), message);
    EXPECT_EQ(whole.feed("more~"), 0u);
    EXPECT_EQ(whole.end(StreamEnd::Reset), Status::Complete) << "decided already";

    MessageAssembler bytewise;
    for (char c : message) {
        ASSERT_EQ(bytewise.status(), Status::NeedMore);
        EXPECT_EQ(bytewise.feed(std::string(1, c)), 1u);
    }
    EXPECT_EQ(bytewise.status(), Status::Complete);
    EXPECT_EQ(bytewise.message(), whole.message());
}

TEST(MessageAssembler, EndsAtTheSizeLimitWholeOnlyWhenAFieldEndsThere) {
    const std::string base = fields(kMessageFieldCount, "");
    const std::string full =
        fields(kMessageFieldCount, std::string(kMaxMessageSize - base.size(), 'x'));
    ASSERT_EQ(full.size(), kMaxMessageSize);
    MessageAssembler at_limit;
    EXPECT_EQ(at_limit.feed(full), kMaxMessageSize);
    EXPECT_EQ(at_limit.status(), Status::Complete);
    EXPECT_EQ(at_limit.room(), 0u);

    const std::string longer = fields(kMessageFieldCount, std::string(kMaxMessageSize, 'x'));
    MessageAssembler cut;
    EXPECT_EQ(cut.feed(longer.substr(0, 100)), 100u);
    EXPECT_EQ(cut.room(), kMaxMessageSize - 100);
    EXPECT_EQ(cut.feed(longer.substr(100)), kMaxMessageSize - 100);
    EXPECT_EQ(cut.status(), Status::Rejected);
    EXPECT_EQ(cut.rejection(), Rejection::NotWhole);
    EXPECT_EQ(cut.message(), "");
}

TEST(MessageAssembler, ASenderThatStopsEarlyIsWholeOnlyWhenItClosedAfterAField) {
    const std::string part = fields(3);
    for (StreamEnd broken : {StreamEnd::Reset, StreamEnd::TimedOut}) {
        MessageAssembler m;
        m.feed(part);
        EXPECT_EQ(m.end(broken), Status::Rejected);
        EXPECT_EQ(m.rejection(), Rejection::Unfinished);
    }
    MessageAssembler closed;
    closed.feed(part);
    EXPECT_EQ(closed.end(StreamEnd::Closed), Status::Complete);
    EXPECT_EQ(closed.message(), part);

    for (const std::string& not_whole : {std::string(), std::string("PC2~body~Tahoma")}) {
        MessageAssembler m;
        m.feed(not_whole);
        EXPECT_EQ(m.end(StreamEnd::Closed), Status::Rejected) << not_whole;
        EXPECT_EQ(m.rejection(), Rejection::NotWhole);
    }
}

TEST(MessageAssembler, KeepsOneLineOfUtf8UpToAZeroByte) {
    MessageAssembler m;
    m.feed(fields(kMessageFieldCount, "caf\xe9\r\nline"));
    ASSERT_EQ(m.status(), Status::Complete);
    EXPECT_EQ(m.message(), fields(kMessageFieldCount, "caf\xc3\xa9line"));

    // Separators after a zero byte still end the message, but it is cut there.
    MessageAssembler zero;
    zero.feed(fields(2) + std::string(1, '\0') + fields(kMessageFieldCount - 2));
    EXPECT_EQ(zero.status(), Status::Complete);
    EXPECT_EQ(zero.message(), fields(2));
    MessageAssembler zero_mid_field;
    zero_mid_field.feed(fields(2) + "x" + std::string(1, '\0') + fields(kMessageFieldCount - 2));
    EXPECT_EQ(zero_mid_field.status(), Status::Rejected);
}

}  // namespace
}  // namespace kd
