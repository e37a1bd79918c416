#include "note/note_menus_model.h"

#include <cstdio>

#include "store/style_letters.h"

namespace kd::note_menu {

namespace {

bool is_effect_letter(char c) {
    return c == 'B' || c == 'I' || c == 'U' || c == 'S';
}

std::string without_effects(std::string_view letters) {
    std::string out;
    for (char c : letters) {
        if (!is_effect_letter(c)) {
            out += c;
        }
    }
    return out;
}

bool has_letter(std::string_view letters, char letter) {
    return letters.find(letter) != std::string_view::npos;
}

}  // namespace

std::string group_placeholder_text(int position) {
    return "List " + std::to_string(position);
}

std::string saved_theme_placeholder_text(int slot) {
    return "Theme " + std::to_string(slot);
}

std::vector<GroupItem> offered_groups(std::string_view list_names) {
    std::vector<GroupItem> items;
    std::string_view rest = list_names;
    for (int position = 0; position < kMaxGroups; ++position) {
        const auto end = rest.find('~');
        if (end == std::string_view::npos) {
            break;
        }
        const std::string_view name = rest.substr(0, end);
        if (!name.empty()) {
            items.push_back({kGroupItemIds[static_cast<std::size_t>(position)], std::string(name)});
        }
        rest.remove_prefix(end + 1);
    }
    return items;
}

bool has_saved_groups(std::string_view list_names) {
    return list_names.find('~') != std::string_view::npos;
}

GroupPicture group_picture(int member_count) {
    if (member_count == 1) {
        return GroupPicture::OnePerson;
    }
    if (member_count >= 2) {
        return GroupPicture::Group;
    }
    return GroupPicture::None;
}

std::string reply_item_text(std::string_view address) {
    return std::string(kTextReplyToPrefix) + std::string(address);
}

std::string reply_question(std::string_view address) {
    const std::string pattern = kReplyQuestionFormat;
    const auto at = pattern.find("%s");
    return pattern.substr(0, at) + std::string(address) + pattern.substr(at + 2);
}

std::string title_style_from_font(std::string_view letters, int weight, bool italic, bool underline,
                                  bool strikeout) {
    return without_effects(letters) +
           font_style_letters(FontStyle{weight == kFontWeightBold, italic, underline, strikeout});
}

std::string toggle_style_letter(std::string_view letters, char letter) {
    if (!has_letter(letters, letter)) {
        return std::string(letters) + letter;
    }
    std::string out;
    for (char c : letters) {
        if (c != letter) {
            out += c;
        }
    }
    return out;
}

std::string regular_style(std::string_view letters) {
    return without_effects(letters);
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string edited_title_text(std::string_view entered, std::string_view letters) {
    std::string out(entered);
    if (has_letter(letters, 'L')) {
        out.insert(out.begin(), ' ');
    }
    if (has_letter(letters, 'R')) {
        out += ' ';
    }
    return out;
}

}  // namespace kd::note_menu
