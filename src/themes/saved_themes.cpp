#include "themes/saved_themes.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "store/note_lists.h"
#include "store/note_store.h"
#include "themes/theme_rules.h"

namespace kd {

namespace {

std::string key_of(int number) {
    return std::to_string(number);
}

void set_name(StoreTransaction& tx, int number, std::optional<std::string_view> name) {
    tx.set(lists::kSavedThemesSection, key_of(number), name);
}

// The locale's order of two texts (case-sensitive).
int compare_texts(const std::string& a, const std::string& b) {
    return std::strcoll(a.c_str(), b.c_str());
}

std::string column_text(const ThemeRow& row, int column) {
    return column == kThemeNumberColumn ? key_of(row.number) : row.name;
}

}  // namespace

int save_theme_as(const NoteStore& store, const NoteRecord& look, std::string_view name) {
    const int number = NoteLists(store).next_saved_theme_number();
    StoreTransaction tx(store);
    tx.write_record(theme_record(look, number));
    set_name(tx, number, name);
    tx.set_number(Setting::LastSavedThemeNumber, number - kFirstSavedTheme + 1);
    return tx.commit(lists::kListsWriteErrorText) ? number : 0;
}

std::vector<std::string> saved_theme_names(const NoteStore& store) {
    const int count = bounded_saved_count(store.count_saved_themes());
    const NoteLists lists(store);
    std::vector<std::string> names;
    names.reserve(std::size_t(count));
    for (int k = 0; k < count; ++k) {
        names.push_back(lists.saved_theme_name(kFirstSavedTheme + k));
    }
    return names;
}

std::vector<ThemeRow> read_theme_rows(const NoteStore& store) {
    std::vector<ThemeRow> rows;
    const std::vector<std::string> names = saved_theme_names(store);
    for (std::size_t k = 0; k < names.size(); ++k) {
        const int i = static_cast<int>(k);
        rows.push_back({names[k].empty() ? saved_theme_texts::kErrorReadingTheme : names[k],
                        kFirstSavedTheme + i, i});
    }
    return rows;
}

bool rename_theme_row(ThemeRow& row, std::string_view edited) {
    const std::size_t first = edited.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return false;
    }
    row.name = std::string(edited.substr(first));
    return true;
}

bool move_theme_row_up(std::vector<ThemeRow>& rows, int index) {
    if (index <= 0 || index >= static_cast<int>(rows.size())) {
        return false;
    }
    auto& a = rows[static_cast<std::size_t>(index - 1)];
    auto& b = rows[static_cast<std::size_t>(index)];
    std::swap(a.name, b.name);
    std::swap(a.number, b.number);
    return true;
}

bool move_theme_row_down(std::vector<ThemeRow>& rows, int index) {
    return move_theme_row_up(rows, index + 1);
}

void sort_theme_rows(std::vector<ThemeRow>& rows, ThemeSortState& state) {
    state.ascending = state.sort_column == state.last_column ? !state.ascending : true;
    state.last_column = state.sort_column;
    const int column = state.sort_column;
    const bool ascending = state.ascending;
    std::stable_sort(rows.begin(), rows.end(), [&](const ThemeRow& a, const ThemeRow& b) {
        const int c = compare_texts(column_text(a, column), column_text(b, column));
        return ascending ? c < 0 : c > 0;
    });
}

void sort_theme_rows_by(std::vector<ThemeRow>& rows, ThemeSortState& state, int column) {
    state.sort_column = column == kThemeNumberColumn ? kThemeNumberColumn : kThemeNameColumn;
    sort_theme_rows(rows, state);
}

bool delete_saved_themes(const NoteStore& store, const std::vector<int>& numbers) {
    StoreTransaction tx(store);
    for (int number : numbers) {
        tx.delete_record(number);
        set_name(tx, number, std::nullopt);
    }
    return tx.commit(lists::kDeleteThemeNameErrorText);
}

int store_theme_order(const NoteStore& store, const std::vector<ThemeRow>& rows) {
    std::vector<std::pair<NoteRecord, std::string>> kept;
    for (const ThemeRow& row : rows) {
        NoteRecord r;
        if (store.read_record(row.number, r) && kept.size() < kMaxSavedThemes) {
            kept.emplace_back(std::move(r), row.name);
        }
    }
    // One replace of the file: a crash leaves the old order or the new one, so the temporary
    // numbers are only cleared (of an older program's interrupted run), never needed.
    StoreTransaction tx(store);
    for (int k = 0; k < kMaxSavedThemes; ++k) {
        for (int number : {kFirstSavedTheme + k, kFirstTemporaryTheme + k}) {
            tx.delete_record(number);
            set_name(tx, number, std::nullopt);
        }
    }
    for (std::size_t j = 0; j < kept.size(); ++j) {
        const int number = kFirstSavedTheme + static_cast<int>(j);
        kept[j].first.NoteID = number;
        tx.write_record(kept[j].first);
        set_name(tx, number, kept[j].second);
    }
    const int count = static_cast<int>(kept.size());
    tx.set_number(Setting::LastSavedThemeNumber, count);
    return tx.commit(lists::kListsWriteErrorText) ? count : -1;
}

}  // namespace kd
