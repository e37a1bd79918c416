// The costliest note bodies a peer can send in one message: what the receiving program must
// show without its interface stalling. Shared by the benchmarks that measure it.
#pragma once

#include <iterator>
#include <string>

#include "net/note_message.h"

namespace kd::bench {

// A body: what comes before the repeated part and the part, repeated as often as the message
// has room for, or once.
struct Body {
    const char* head;
    const char* unit;
    bool fill = true;
};

inline constexpr const char* kRtfHead =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\pard\\f0";

inline constexpr Body kBodies[] = {
    // The yardstick: a short plain note. What it costs is the window, the store and the
    // machine; the bodies below add to it only what their text costs.
    {"\\fs20 ", "Hello", false},
    // One word at 100 points: no place to break the line.
    {"\\fs200 ", "W"},
    // One word at the largest size RTF can say.
    {"\\fs3276 ", "W"},
    // Empty paragraphs, two thousand of them.
    {"\\fs20 ", "\\par "},
    // A letter per paragraph at the largest size.
    {"\\fs3276 ", "x\\par "},
    // Indents wider than any note: every letter on a line of its own.
    {"\\li31680\\ri31680\\fs200 ", "W"},
    // A thousand changes of format.
    {"\\fs24 ", "\\b x\\b0 y"},
    // Tabs at 100 points.
    {"\\fs200 ", "\\tab "},
    // A bulleted list of a thousand items at 100 points.
    {"{\\*\\pn\\pnlvlblt}\\fs200 ", "x\\par "},
    // A numbered list of a thousand items.
    {"{\\*\\pn\\pnlvlbody\\pndec}\\fs20 ", "x\\par "},
};
inline constexpr int kBodyKinds = static_cast<int>(std::size(kBodies));

// The note a peer sends with `body`: at most kMaxMessageSize bytes as a message.
inline NoteRecord worst_record(const Body& body) {
    NoteRecord r;
    r.EditFont = "Arial";
    r.EditFontSize = 10;
    r.TitleText = "T";
    r.Width = 200;
    r.Height = 150;
    auto with = [&](int units) {
        std::string rtf = std::string(kRtfHead) + body.head;
        for (int i = 0; i < units; ++i) {
            rtf += body.unit;
        }
        r.EditText = rtf + "}";
        return build_note_message("PEER", r).size();
    };
    if (!body.fill) {
        with(1);
        return r;
    }
    const std::size_t empty = with(0);
    const std::size_t unit = std::string(body.unit).size();
    with(static_cast<int>((kMaxMessageSize - empty) / unit));
    return r;
}

inline std::string worst_message(const Body& body) {
    return build_note_message("PEER", worst_record(body));
}

}  // namespace kd::bench
