#include "store/settings.h"

#include "platform/profile_file.h"
#include "store/error_reporter.h"
#include "store/value_text.h"

namespace kd {

namespace t = store_texts;

namespace {

// Fixed letters and digits around a scrambled password.
constexpr std::string_view kPasswordPrefix = "Kq7Rz2";
constexpr std::string_view kPasswordSuffix = "m4Xw9Tb";

constexpr std::array<std::string_view, 2> kNoYes = {t::kNo, t::kYes};

consteval bool readings_pick_a_word() {
    const auto word = [](int i) { return i == 0 || i == 1; };
    for (const SettingRow& row : settings_table::kRows) {
        // std::holds_alternative rather than std::get_if: GCC's sanitizers do not let a
        // constant expression compare an address with null.
        WordReading on{0, 0};
        if (std::holds_alternative<Flag>(row.meaning)) {
            const Flag& f = std::get<Flag>(row.meaning);
            if (!word(f.ticked.missing) || !word(f.ticked.other)) {
                return false;
            }
            on = f.on;
        } else if (std::holds_alternative<Choice>(row.meaning)) {
            on = std::get<Choice>(row.meaning).on;
        }
        if (!word(on.missing) || !word(on.other)) {
            return false;
        }
    }
    return true;
}
static_assert(readings_pick_a_word(), "what the program reads must be one of the row's words");

int word_index(const std::array<std::string_view, 2>& words, WordReading reading,
               std::string_view stored) {
    if (stored.empty()) {
        return reading.missing;
    }
    for (int i = 0; i < 2; ++i) {
        if (stored == words[i]) {
            return i;
        }
    }
    return reading.other;
}

const Flag& flag_row(FlagSetting s) {
    return std::get<Flag>(setting_row(s.setting).meaning);
}

const Choice& choice_row(ChoiceSetting s) {
    return std::get<Choice>(setting_row(s.setting).meaning);
}

std::string swap_ends(std::string s) {
    if (s.size() > 1) {
        std::swap(s.front(), s.back());
    }
    return s;
}

}  // namespace

bool flag_of(FlagSetting s, std::string_view stored) {
    return word_index(kNoYes, flag_row(s).on, stored) == 1;
}

bool ticked_of(FlagSetting s, std::string_view stored) {
    return word_index(kNoYes, flag_row(s).ticked, stored) == 1;
}

std::string_view choice_of(ChoiceSetting s, std::string_view stored) {
    const Choice& c = choice_row(s);
    return c.words[static_cast<std::size_t>(word_index(c.words, c.on, stored))];
}

int shown_choice_of(ChoiceSetting s, std::string_view stored) {
    const Choice& c = choice_row(s);
    return word_index(c.words, c.shown, stored);
}

int number_of(NumberSetting s, std::string_view stored) {
    const Number& n = std::get<Number>(setting_row(s.setting).meaning);
    if (stored.empty()) {
        return n.fallback;
    }
    const int value = leading_int(stored);
    return value < n.lowest || value > n.highest ? n.fallback : value;
}

std::string scramble_password(std::string_view flag, std::string_view password) {
    if (flag != t::kYes) {
        return std::string(password);
    }
    return std::string(kPasswordPrefix) + swap_ends(std::string(password)) +
           std::string(kPasswordSuffix);
}

std::string unscramble_password(std::string_view stored) {
    std::string s(stored);
    s = s.size() > kPasswordSuffix.size() ? s.substr(0, s.size() - kPasswordSuffix.size()) : "";
    s = s.size() > kPasswordPrefix.size() ? s.substr(kPasswordPrefix.size()) : "";
    return swap_ends(std::move(s));
}

std::string Settings::text(Setting s, std::size_t capacity) const {
    const SettingRow& row = setting_row(s);
    return ProfileFile::read(file_, row.section, row.key, capacity);
}

std::string Settings::text(Setting s) const {
    const SettingRow& row = setting_row(s);
    return row.fill_when_read ? filled(s) : text(s, row.capacity);
}

std::string Settings::filled(Setting s) const {
    const SettingRow& row = setting_row(s);
    std::string value = text(s, row.capacity);
    if (value.empty() && !row.fill.empty()) {
        value = row.fill;
        set_text(s, value);
    }
    return value;
}

bool Settings::flag(FlagSetting s) const {
    return flag_of(s, text(s.setting));
}

std::string_view Settings::choice(ChoiceSetting s) const {
    return choice_of(s, text(s.setting));
}

int Settings::number(NumberSetting s) const {
    return number_of(s, text(s.setting));
}

bool Settings::ticked(FlagSetting s) const {
    return ticked_of(s, text(s.setting));
}

int Settings::shown(ChoiceSetting s) const {
    return shown_choice_of(s, text(s.setting));
}

bool Settings::write(Setting s, std::string_view value) const {
    const SettingRow& row = setting_row(s);
    return ProfileFile::write(file_, row.section, row.key, value);
}

bool Settings::reported(bool written) const {
    if (!written) {
        errors_->report(std::string(t::kErrorWritingIni));
    }
    return written;
}

bool Settings::set_text(Setting s, std::string_view value) const {
    return reported(write(s, value));
}

bool Settings::set_flag(FlagSetting s, bool yes) const {
    return set_text(s.setting, yes ? t::kYes : t::kNo);
}

bool Settings::set_number(NumberSetting s, int value) const {
    return set_text(s.setting, format_int(value));
}

std::string Settings::show_all_password() const {
    return unscramble_password(text(Setting::ShowAllNotesPassword));
}

bool Settings::set_show_all_lock(bool locked, std::string_view password) const {
    const std::string_view flag = locked ? t::kYes : t::kNo;
    write(Setting::ShowAllPasswordYesNo, flag);
    return set_text(Setting::ShowAllNotesPassword, scramble_password(flag, password));
}

bool Settings::set_default_size(std::string_view width, std::string_view height) const {
    write(Setting::DefaultWidth, width);
    return set_text(Setting::DefaultHeight, height);
}

}  // namespace kd
