// The parsed settings file keeps its key and section indexes up to date through every change,
// without parsing again: after any run of changes they must be what a fresh parse of the
// written text finds, or reads would see keys at the wrong lines.
#include "platform/profile_document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

namespace kd::profile_text {
namespace {

void expect_indexes_as_parsed(const Document& doc, const std::string& after) {
    Document fresh;
    fresh.parse(doc.serialize());
    ASSERT_EQ(doc.lines, fresh.lines) << after;
    EXPECT_EQ(doc.keys, fresh.keys) << after;
    EXPECT_EQ(doc.sections, fresh.sections) << after;
}

// Key names of the first section of that name, found by walking every line.
std::vector<std::string> key_names_by_walking(const Document& doc, const std::string& section) {
    std::vector<std::string> out;
    bool inside = false;
    bool seen = false;
    for (const std::string& line : doc.lines) {
        const LineInfo info = classify(line);
        if (info.kind == LineKind::Section) {
            if (seen) {
                break;
            }
            inside = seen = equals_nocase(info.name, section);
        } else if (inside && info.kind == LineKind::Key) {
            out.emplace_back(info.name);
        }
    }
    return out;
}

TEST(ProfileDocument, IndexesFollowEveryChangeAsAFreshParseWouldFindThem) {
    // Few names in several cases, so changes meet duplicates, repeated sections, comments
    // and keys before the first section.
    const std::vector<std::string> sections = {"NOTE_RECEIVED", "note_received", "KORVADESK",
                                               "NOTE_ID_1",     "Note_Id_2",     "Other"};
    const std::vector<std::string> keys = {"NoteData", "NOTEDATA1", "notedata2",
                                           "Left",     "Top",       "TitleText"};
    Document doc;
    doc.parse(
        "orphan=1\n; comment\n[NOTE_RECEIVED]\nNoteData=a~\nnotedata=dup~\n\n[KORVADESK]\n"
        "Left=1\n# c\n\n[note_received]\nNOTEDATA1=b~\nbroken line\n[Other]\nTop=2\n");
    expect_indexes_as_parsed(doc, "parse");
    std::mt19937 random(20261208);
    const auto pick = [&random](const std::vector<std::string>& from) {
        return from[random() % from.size()];
    };
    for (int step = 0; step < 3000; ++step) {
        const std::string section = pick(sections);
        const std::string key = pick(keys);
        std::string what;
        switch (random() % 6) {
            case 0:
            case 1:
                what = "set " + section + "/" + key;
                doc.set(section, key, std::to_string(step));
                break;
            case 2: {
                what = "set_many " + section;
                const std::string k2 = pick(keys);
                const std::pair<std::string_view, std::string_view> entries[] = {{key, "x"},
                                                                                 {k2, "y"}};
                doc.set_many(section, entries);
                break;
            }
            case 3:
                what = "remove_key " + section + "/" + key;
                doc.remove_key(section, key);
                break;
            case 4: {
                what = "remove_keys";
                std::unordered_set<std::string> names;
                for (int n = 0; n < 3; ++n) {
                    names.insert(Document::removal_name(pick(sections), pick(keys)));
                }
                doc.remove_keys(names);
                break;
            }
            default:
                // Sections go less often than keys come, so the file keeps some size.
                if (random() % 4 == 0) {
                    what = "remove_section " + section;
                    doc.remove_section(section);
                }
                break;
        }
        expect_indexes_as_parsed(doc, "step " + std::to_string(step) + ": " + what);
        EXPECT_EQ(doc.key_names(section), key_names_by_walking(doc, section)) << what;
        if (HasFailure()) {
            return;
        }
    }
}

TEST(ProfileDocument, RemovedFirstKeyLeavesTheNextOfItsNameFindable) {
    // A Windows copy wrote the key in Windows-1252, this program in UTF-8: both read as one
    // name, but a removal compares the bytes and takes only the first. The second is then
    // the one a read finds.
    Document doc;
    doc.parse("[A]\nk\xE9=1\n[a]\nk\xC3\xA9=2\nz=3\n");
    EXPECT_EQ(doc.get("A", "k\xC3\xA9"), "1");
    ASSERT_TRUE(doc.remove_keys({Document::removal_name("A", "k\xE9")}));
    EXPECT_EQ(doc.serialize(), "[A]\n[a]\nk\xC3\xA9=2\nz=3\n");
    EXPECT_EQ(doc.get("A", "k\xC3\xA9"), "2");
    expect_indexes_as_parsed(doc, "remove");
    ASSERT_TRUE(doc.set("a", "new", "4"));
    EXPECT_EQ(doc.serialize(), "[A]\nnew=4\n[a]\nk\xC3\xA9=2\nz=3\n");
    expect_indexes_as_parsed(doc, "set");
}

}  // namespace
}  // namespace kd::profile_text
