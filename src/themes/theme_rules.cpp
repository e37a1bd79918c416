#include "themes/theme_rules.h"

#include <algorithm>

#include "note/note.h"
#include "note/note_menus_model.h"
#include "note/text_look.h"
#include "store/store_texts.h"
#include "themes/builtin_themes.h"

namespace kd {

namespace nm = note_menu;

namespace {

// Menu item of each built-in theme, by theme number from 90000.
constexpr int kBuiltinItems[] = {
    nm::kThemeDefault, nm::kThemeDarkPink, nm::kThemeBlue,      nm::kThemeGreen,
    nm::kThemePink,    nm::kThemeYellow,   nm::kThemeGray,      nm::kThemeDarkBlue,
    nm::kThemeOrange,  nm::kThemeBrown,    nm::kThemeDarkGreen, nm::kThemeDarkOrange,
};
static_assert(std::size(kBuiltinItems) == kLastBuiltinTheme - kDefaultThemeNumber + 1);

constexpr int kBuiltinCount = kLastBuiltinTheme - kDefaultThemeNumber;  // 11

}  // namespace

std::optional<int> theme_number_for_item(int item_id) {
    for (std::size_t i = 0; i < std::size(kBuiltinItems); ++i) {
        if (kBuiltinItems[i] == item_id) {
            return kDefaultThemeNumber + static_cast<int>(i);
        }
    }
    if (item_id >= nm::kSavedThemeFirst && item_id < nm::kSavedThemeFirst + kMaxSavedThemes) {
        return kFirstSavedTheme + (item_id - nm::kSavedThemeFirst);
    }
    return std::nullopt;
}

int saved_theme_item(int position) {
    return nm::kSavedThemeFirst + position;
}

int bounded_saved_count(int counted) {
    return std::clamp(counted, 0, kMaxSavedThemes);
}

NoteRecord theme_record(const NoteRecord& look, int number) {
    NoteRecord r;
    put_body_look(r, body_look_of(look));
    put_title_look(r, title_look_of(look));
    r.Border = look.Border == store_texts::kYes ? store_texts::kYes : store_texts::kNo;
    r.Minimized = store_texts::kNo;
    r.Hidden = store_texts::kNo;
    r.NoteID = number;
    return r;
}

void apply_theme_look(Note& note, const NoteRecord& theme, bool colours_only) {
    note.set_body_look(body_look_of(theme), colours_only);
    TextLook title = colours_only ? note.title_look() : title_look_of(theme);
    title.text_colour = theme.TitleTextColor;
    title.back_colour = theme.TitleBackColor;
    note.set_title_look(title);
    if (!colours_only) {
        note.apply_title_alignment();
    }
    note.set_border(theme.Border == store_texts::kYes);
}

int runtime_first_draw(std::uint32_t seed) {
    const std::uint32_t next = seed * 214013u + 2531011u;
    return static_cast<int>((next >> 16) & 0x7FFFu);
}

int random_theme_number(int draw, int saved_count) {
    const int saved = bounded_saved_count(saved_count);
    const int r = draw % (saved + kBuiltinCount + 1);
    if (r >= 1 && r <= kBuiltinCount) {
        return kDefaultThemeNumber + r;
    }
    if (r > kBuiltinCount && r <= kBuiltinCount + saved) {
        return kFirstSavedTheme + (r - kBuiltinCount - 1);
    }
    return kDefaultThemeNumber;
}

int random_theme_at(std::time_t now, int saved_count) {
    return random_theme_number(runtime_first_draw(static_cast<std::uint32_t>(now)), saved_count);
}

}  // namespace kd
